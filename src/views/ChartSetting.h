#pragma once

#include "views/ChartSettings.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace views {
class ColorPickButton;
}

// The modeless "Chart Settings" dialog: which series the chart shows and their
// colours. Its boxes are the chart's live configuration (LiveSettings, read by the
// chart at each redraw request); the stored copy is loaded from the registry at
// construction, replaced by Update and written back when the dialog is hidden
// after an Update. GUI thread.
class TsettingChart : public QDialog {
  public:
    explicit TsettingChart(QWidget* owner);

    // What the boxes show now.
    const views::ChartSettings& LiveSettings() const { return live_; }
    const views::ChartSettings& StoredSettings() const { return stored_; }
    bool Changed() const { return changed_; }

    // Captions and hints from the string table (the chart's language operation
    // calls this).
    void ApplyLanguage();

    QCheckBox* CheckBox(views::ChartSeries series) const;
    views::ColorPickButton* ColorBox(int colorIndex) const;

    // Asks the chart for a new picture; sender first.
    std::function<void(QObject* sender)> OnRedrawRequest;

    // Update: the boxes become the stored settings.
    void btnRefreshClick();
    // Restore: the boxes show the stored settings again.
    void btnRestoreClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void BuildControls();
    void FormShow();
    void FormHide();
    void ShowStored();
    void RequestRedraw();

    std::array<QGroupBox*, 3> groups_{};
    std::array<QCheckBox*, views::kChartSeriesCount> checks_{};
    std::array<views::ColorPickButton*, foundation::kChartColorCount> colors_{};
    QLabel* labTurnLeft_ = nullptr;
    QLabel* labTurnRight_ = nullptr;
    QPushButton* btnRestore_ = nullptr;
    QPushButton* btnRefresh_ = nullptr;

    views::ChartSettings stored_;
    views::ChartSettings live_;
    bool changed_ = false;
};
