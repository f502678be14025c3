#pragma once

#include "controls/OwnerDrawnControl.h"
#include "views/ChartRenderThread.h"
#include "views/ChartSettings.h"
#include "views/ChartView.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class TColorBoxARGB;
class THScrollBar;
class TIconButton;
class TLogManagement;
class TVScrollBar;
class TsettingChart;
struct SensorLog;

// The sensor chart under the video: the merged sensor log of the play list against
// time, with zoom bars, pan and zoom modes, a cursor line and seeking by a click.
// Pictures come from its render thread; everything here runs on the GUI thread.
class TGraphChart : public QWidget {
  public:
    explicit TGraphChart(QWidget* owner);
    // Stops the render thread before anything it uses goes.
    ~TGraphChart() override;
    TGraphChart(const TGraphChart&) = delete;
    TGraphChart& operator=(const TGraphChart&) = delete;

    // Collaborators, handed over by the main window; either may be null.
    void SetLogManagement(const TLogManagement* logs);
    void SetSettingDialog(TsettingChart* dialog);

    // Rescales every axis to the merged log (after each log message).
    void RefreshData();
    // Shows the whole play list (a new play list was selected); no redraw.
    void ResetTimeRange();
    // Moves the cursor line to a position on the merged time line, ms.
    void SetCursorTime(double ms);
    // Hints of the bars and buttons, captions of the settings dialog.
    void ApplyLanguage();
    // Asks the render thread for a new picture of the current state.
    void RequestRedraw();

    // A click on the plot inside the play list: its global position in seconds.
    std::function<void(QObject* sender, double seconds)> OnPlayPosChange;
    // The information button.
    controls::NotifyEvent OnInfo;

    const views::ChartView& View() const { return view_; }
    // The picture on screen answers the latest redraw request (one the plot is too
    // small to draw never comes).
    bool PictureCurrent() const { return shown_.request == lastRequest_; }
    THScrollBar* TimeZoomBar() const { return timeZoom_; }
    TVScrollBar* ValueZoomBar() const { return valueZoom_; }
    TColorBoxARGB* CursorLine() const { return cursorLine_; }
    TColorBoxARGB* ZoomRect() const { return zoomRect_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void CreateChildren();
    void OnTimeZoomChange();
    void OnValueZoomChange();
    void OnChartSetting();
    void OnModeButton(QObject* sender);
    void OnFitSize();
    void Apply(const views::ChartViewChange& change);
    void PictureArrived();
    void PlaceCursor();
    double TotalMs() const;
    views::ChartSettings Settings();

    views::ChartView view_;
    const TLogManagement* logs_ = nullptr;
    QPointer<TsettingChart> settingDialog_;
    views::ChartSettings settings_;  // the dialog's, as last read
    std::optional<double> cursorTime_;
    views::ChartPicture shown_;  // what is on screen, taken up from the render thread
    int lastRequest_ = 0;

    THScrollBar* timeZoom_ = nullptr;
    TVScrollBar* valueZoom_ = nullptr;
    TIconButton* settingButton_ = nullptr;
    TIconButton* panButton_ = nullptr;
    TIconButton* zoomButton_ = nullptr;
    TIconButton* fitButton_ = nullptr;
    TIconButton* infoButton_ = nullptr;
    TColorBoxARGB* cursorLine_ = nullptr;
    TColorBoxARGB* zoomRect_ = nullptr;

    std::unique_ptr<views::ChartRenderThread> renderThread_;
};
