#include "SourceReader.h"

#include <algorithm>
#include <cstring>

namespace cutting {

bool FileSourceReader::Open(const QString& path) {
    file_ = platform::FileHandle::OpenRead(path);
    if (!file_.IsOpen()) {
        return false;
    }
    const std::int64_t size = file_.Size();
    if (size < 0) {
        Close();
        return false;
    }
    size_ = static_cast<std::uint64_t>(size);
    return true;
}

void FileSourceReader::Close() {
    file_ = platform::FileHandle();
    size_ = 0;
}

bool FileSourceReader::Read(std::uint64_t offset, void* buffer, std::size_t size) const {
    if (offset > size_ || size > size_ - offset) {
        return false;
    }
    const auto wanted = static_cast<std::int64_t>(size);
    return file_.ReadAt(buffer, wanted, static_cast<std::int64_t>(offset)) == wanted;
}

bool MemorySourceReader::Read(std::uint64_t offset, void* buffer, std::size_t size) const {
    if (offset > bytes_.size() || size > bytes_.size() - offset) {
        return false;
    }
    if (size > 0) {
        std::memcpy(buffer, bytes_.data() + offset, size);
    }
    return true;
}

CutResult OpenCutSource(FileSourceReader& source, const QString& path) {
    constexpr std::uint64_t kMaxSourceSize = 2000000000;
    source.Close();
    if (!source.Open(path)) {
        return Err_Cut_OpenSrcFileErrorr;
    }
    return source.Size() > kMaxSourceSize ? Err_Cut_SrcFileSizeOverError : Cut_OK;
}

CopyOutcome CopySourceBytes(const SourceReader& source, std::uint64_t offset, std::size_t size,
                            std::vector<std::uint8_t>& buffer, platform::FileHandle& output) {
    if (buffer.size() < size) {
        buffer.resize(size);
    }
    if (!source.Read(offset, buffer.data(), size)) {
        return CopyOutcome::ReadFailed;
    }
    if (!output.Write(buffer.data(), static_cast<std::int64_t>(size))) {
        return CopyOutcome::WriteFailed;
    }
    return CopyOutcome::Copied;
}

CopyOutcome CopySourceRange(const SourceReader& source, std::uint64_t offset, std::uint64_t size,
                            std::size_t blockSize, std::vector<std::uint8_t>& buffer,
                            platform::FileHandle& output) {
    for (std::uint64_t done = 0; done < size;) {
        const auto block =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - done, blockSize));
        const CopyOutcome copied = CopySourceBytes(source, offset + done, block, buffer, output);
        if (copied != CopyOutcome::Copied) {
            return copied;
        }
        done += block;
    }
    return CopyOutcome::Copied;
}

CutResult CopyFailureResult(CopyOutcome outcome) {
    return outcome == CopyOutcome::ReadFailed ? Err_Cut_SrcFileMappingError
                                              : Err_Cut_OpenDestFileError;
}

}  // namespace cutting
