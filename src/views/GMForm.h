#pragma once

#include "views/GMConnect.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QLabel;

// The map window: the play list's GPS track on the map page with the car at the
// playback position; a click on the track asks to seek there. The information
// window writes its GPS speed, latitude and longitude labels. Closing hides it.
// The page is loaded when the window is first shown.
class TGoogleMapForm : public QWidget {
  public:
    explicit TGoogleMapForm(QWidget* owner = nullptr);
    ~TGoogleMapForm() override;

    void UpdateLanguage();
    GMConnect* Map() const { return map_.get(); }

    // A click on the track: the global position to seek to, in seconds.
    std::function<void(QObject* sender, double seconds)> OnPositionChange;

    // The seek a page event asks for: kind 1 with 0 <= ms <= the play list's length
    // seeks to the whole second at or below ms; anything else to nothing.
    static std::optional<double> ClickedSeconds(int kind, std::int64_t ms, double totalMs);

    QLabel* labGPSSpeed;
    QLabel* labDataGPSSpeed;
    QLabel* labSpdUnit;
    QLabel* labLat;
    QLabel* labDataLat;
    QLabel* labLon;
    QLabel* labDataLon;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormClose(QCloseEvent* event);
    void FormResize();
    void OnMapTimeClicked(int kind, std::int64_t ms);

    QWidget* topPanel;
    QWidget* panelMap;
    std::unique_ptr<GMConnect> map_;
};

// The program's map window, set by the entry that creates it.
extern TGoogleMapForm* _GoogleMapForm;
