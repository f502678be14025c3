#include "DShowItemPlayer.h"

#include "recordings/FileItem.h"

#include <cstdlib>

namespace app {

std::unique_ptr<ItemPlayer> DShowItemPlayer::Create(TFileItem& item) {
    return std::make_unique<DShowItemPlayer>(item);
}

HRESULT DShowItemPlayer::OpenVideo() {
    return item_.OpenVideo();
}

HRESULT DShowItemPlayer::PlayFromStart() {
    return item_.PlayFromStart();
}

PlayerState DShowItemPlayer::State() const {
    return item_.player != nullptr ? item_.player->State() : STATE_NO_GRAPH;
}

HRESULT DShowItemPlayer::Play() {
    return item_.player != nullptr ? item_.player->Play() : media::VFW_E_WRONG_STATE;
}

HRESULT DShowItemPlayer::Pause() {
    return item_.player != nullptr ? item_.player->Pause() : media::VFW_E_WRONG_STATE;
}

HRESULT DShowItemPlayer::Stop() {
    return item_.player != nullptr ? item_.player->Stop() : media::VFW_E_WRONG_STATE;
}

bool DShowItemPlayer::HasVideo() const {
    return item_.player != nullptr && item_.player->HasVideo();
}

void DShowItemPlayer::FitVideoWindow() {
    if (item_.player != nullptr) {
        item_.player->SetVideoRect(nullptr);  // null: the window's client rectangle
    }
}

void DShowItemPlayer::Repaint(QPainter* painter) {
    if (item_.player != nullptr) {
        item_.player->Repaint(painter);
    }
}

void DShowItemPlayer::OnDisplayChange() {
    if (item_.player != nullptr) {
        item_.player->OnDisplayChange();
    }
}

double DShowItemPlayer::GetPositionSeconds() {
    return item_.player != nullptr ? item_.player->GetPositionSeconds() : 0.0;
}

HRESULT DShowItemPlayer::SeekSeconds(double seconds) {
    return item_.player != nullptr ? item_.player->SeekSeconds(seconds) : media::S_FALSE;
}

void DShowItemPlayer::StepOneFrame() {
    if (item_.player != nullptr) {
        item_.player->StepOneFrame();
    }
}

HRESULT DShowItemPlayer::StepBack() {
    return item_.player != nullptr ? item_.player->StepBack() : media::S_OK;
}

HRESULT DShowItemPlayer::SetRate(double rate) {
    return item_.player != nullptr ? item_.player->SetRate(rate) : media::S_FALSE;
}

HRESULT DShowItemPlayer::SetVolume(double volume) {
    return item_.player != nullptr ? item_.player->SetVolume(volume) : media::S_FALSE;
}

QImage DShowItemPlayer::GrabFrame() {
    if (item_.player == nullptr) {
        return QImage();
    }
    media::BitmapInfoHeader header;
    std::uint8_t* bits = nullptr;
    if (media::Failed(item_.player->GetCurrentImage(&header, &bits)) || bits == nullptr) {
        return QImage();
    }
    QImage image = BitmapToImage(header, bits);
    item_.player->MemFreeCurrentImage(bits);
    return image;
}

void DShowItemPlayer::DrainEvents() {
    if (item_.player != nullptr) {
        item_.player->HandleGraphEvent();
    }
}

void DShowItemPlayer::ReleaseGraph() {
    if (item_.player != nullptr) {
        item_.player->ReleaseGraph();
    }
}

bool DShowItemPlayer::Is(const void* player) const {
    return item_.player != nullptr && player == item_.player;
}

QImage BitmapToImage(const media::BitmapInfoHeader& header, const std::uint8_t* bits) {
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    if (bits == nullptr || header.biBitCount != 32 || width <= 0 || height <= 0) {
        return QImage();
    }
    const qsizetype stride = static_cast<qsizetype>(width) * 4;
    const QImage view(bits, width, height, stride, QImage::Format_RGB32);
    // Positive heights are stored bottom-up.
    return header.biHeight > 0 ? view.mirrored(false, true) : view.copy();
}

}  // namespace app
