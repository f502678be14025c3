#include "FileInput.h"

#include <algorithm>
#include <limits>

namespace media {

namespace {

constexpr int kBufferSize = 64 * 1024;

}  // namespace

std::unique_ptr<FileInput> FileInput::Open(const QString& path) {
    platform::FileHandle file = platform::FileHandle::OpenRead(path);
    if (!file.IsOpen() || !file.IsRegularFile()) {
        return nullptr;
    }
    std::unique_ptr<FileInput> input(new FileInput(std::move(file)));
    return input->context_ != nullptr ? std::move(input) : nullptr;
}

FileInput::FileInput(platform::FileHandle file) : file_(std::move(file)), size_(file_.Size()) {
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    if (buffer == nullptr) {
        return;
    }
    context_ = avio_alloc_context(buffer, kBufferSize, 0, this, &FileInput::ReadPacket, nullptr,
                                  &FileInput::Seek);
    if (context_ == nullptr) {
        av_free(buffer);
    }
}

FileInput::~FileInput() {
    if (context_ != nullptr) {
        av_freep(&context_->buffer);
        avio_context_free(&context_);
    }
}

void FileInput::Follow(std::shared_ptr<const PacketIndex> index, std::function<bool()> cancelled) {
    index_ = std::move(index);
    cancelled_ = std::move(cancelled);
}

int FileInput::ReadPacket(void* opaque, std::uint8_t* buffer, int size) {
    return static_cast<FileInput*>(opaque)->Read(buffer, size);
}

std::int64_t FileInput::Seek(void* opaque, std::int64_t offset, int whence) {
    auto* input = static_cast<FileInput*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return input->sizeHidden_ ? AVERROR(ENOSYS) : input->size_;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += input->position_;
            break;
        case SEEK_END:
            offset += input->size_;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < 0) {
        return AVERROR(EINVAL);
    }
    input->position_ = offset;
    input->resumeAt_ = -1;
    return offset;
}

int FileInput::Read(std::uint8_t* buffer, int size) {
    std::int64_t want = size;
    if (index_) {
        const std::int64_t end = std::min(position_ + want, size_);
        if (!cancelled_) {
            const std::int64_t scanned = index_->Scanned();
            if (position_ >= scanned) {
                return AVERROR_EOF;
            }
            want = std::min(want, scanned - position_);
        } else if (!index_->WaitUntilScanned(end, cancelled_)) {
            return AVERROR_EXIT;
        }
        const std::optional<PacketIndex::ByteRange> gap = index_->GapAfter(position_);
        if (gap && gap->begin <= position_) {
            resumeAt_ = gap->end < size_ ? gap->end : -1;
            return AVERROR_EOF;
        }
        if (gap) {
            want = std::min(want, gap->begin - position_);
        }
    }
    const std::int64_t got = file_.ReadAt(buffer, want, position_);
    if (got < 0) {
        return AVERROR(EIO);
    }
    if (got == 0) {
        return AVERROR_EOF;
    }
    position_ += got;
    bytesRead_.fetch_add(got);
    return static_cast<int>(got);
}

}  // namespace media
