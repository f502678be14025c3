#pragma once

#include "playback/DSvideo.h"

#include <QImage>

#include <functional>
#include <memory>

class QPainter;
class TFileItem;

namespace app {

// What the main window does with one play-list item's video: the item's open
// operations and its player's. The program's is DShowItemPlayer; tests use fakes.
// GUI thread only. Lives while the play list holds the item.
class ItemPlayer {
  public:
    virtual ~ItemPlayer() = default;

    // Creates the player on first use (then opens the file), else back to 0 s.
    virtual HRESULT OpenVideo() = 0;
    virtual HRESULT PlayFromStart() = 0;

    // Before the first open these answer as a player without a graph does.
    virtual PlayerState State() const = 0;
    virtual HRESULT Play() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual bool HasVideo() const = 0;
    // The picture fills the video window's client area.
    virtual void FitVideoWindow() = 0;
    virtual void Repaint(QPainter* painter) = 0;
    virtual void OnDisplayChange() = 0;
    virtual double GetPositionSeconds() = 0;
    virtual HRESULT SeekSeconds(double seconds) = 0;
    virtual void StepOneFrame() = 0;
    virtual HRESULT StepBack() = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT SetVolume(double volume) = 0;
    // The picture shown, at its own size; a null image when there is none.
    virtual QImage GrabFrame() = 0;
    // Handles the graph's queued events (the end of the file among them).
    virtual void DrainEvents() = 0;
    // Gives the graph back (decoders, threads, buffers); the next open builds it
    // again. Safe inside the player's own event drain.
    virtual void ReleaseGraph() = 0;
    // Whether `player` (as the player's messages carry it) is this item's player.
    virtual bool Is(const void* player) const = 0;
};

using ItemPlayerFactory = std::function<std::unique_ptr<ItemPlayer>(TFileItem& item)>;

}  // namespace app
