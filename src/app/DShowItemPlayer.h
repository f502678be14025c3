#pragma once

#include "app/ItemPlayer.h"

namespace app {

// An item's video through TFileItem's video operations and its DShowPlayer.
class DShowItemPlayer final : public ItemPlayer {
  public:
    explicit DShowItemPlayer(TFileItem& item) : item_(item) {}

    static std::unique_ptr<ItemPlayer> Create(TFileItem& item);

    HRESULT OpenVideo() override;
    HRESULT PlayFromStart() override;
    PlayerState State() const override;
    HRESULT Play() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    bool HasVideo() const override;
    void FitVideoWindow() override;
    void Repaint(QPainter* painter) override;
    void OnDisplayChange() override;
    double GetPositionSeconds() override;
    HRESULT SeekSeconds(double seconds) override;
    void StepOneFrame() override;
    HRESULT StepBack() override;
    HRESULT SetRate(double rate) override;
    HRESULT SetVolume(double volume) override;
    QImage GrabFrame() override;
    void DrainEvents() override;
    void ReleaseGraph() override;
    bool Is(const void* player) const override;

  private:
    TFileItem& item_;
};

// A grabbed bitmap (32 bits a pixel, bottom-up when its height is positive) as an
// image of its own; a null image for any other layout.
QImage BitmapToImage(const media::BitmapInfoHeader& header, const std::uint8_t* bits);

}  // namespace app
