#pragma once

// Writes ISO/QuickTime boxes: big-endian fields and nested boxes whose sizes are
// filled in when they are closed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace isorec {

class BoxWriter {
  public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void Type(const std::string& type);  // four characters
    void Bytes(const std::uint8_t* data, std::size_t size);
    void Bytes(const std::vector<std::uint8_t>& data) { Bytes(data.data(), data.size()); }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

    // Opens a box (a full box with `versionFlags` when given); Close fills its size.
    void Open(const std::string& type);
    void OpenFull(const std::string& type, std::uint32_t versionFlags);
    void Close();

    std::size_t Size() const { return bytes_.size(); }
    std::vector<std::uint8_t>& Out() { return bytes_; }
    const std::vector<std::uint8_t>& Out() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> open_;
};

// Big-endian field helpers for tests that read or patch files.
std::uint32_t ReadU32(const std::vector<std::uint8_t>& bytes, std::size_t at);
void PatchU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

// Version-0 headers and the small boxes both recording layouts share.
void WriteMatrix(BoxWriter& w);
void WriteMvhd(BoxWriter& w, std::uint32_t timeScale, std::uint32_t duration);  // 108 bytes
void WriteTkhd(BoxWriter& w, std::uint32_t id, std::uint32_t duration, bool audio,
               std::uint16_t width, std::uint16_t height);                      // 92 bytes
void WriteMdhd(BoxWriter& w, std::uint32_t timeScale, std::uint32_t duration);  // 32 bytes
// A handler box: `component` is 0 in MP4 files, "mhlr" or "dhlr" in MOV files.
void WriteHdlr(BoxWriter& w, const std::string& handler, const std::string& name,
               std::uint32_t component = 0);
// dinf with one self-contained reference ("url " or "alis").
void WriteDinf(BoxWriter& w, const std::string& reference = "url ");
void WriteStsd(BoxWriter& w, const std::vector<std::uint8_t>& entry);
// "vmhd", "smhd" or "nmhd".
void WriteMediaHeader(BoxWriter& w, const std::string& type);
// edts with one elst entry over the whole media (36 bytes).
void WriteEditList(BoxWriter& w, std::uint32_t movieDuration);
void WriteStss(BoxWriter& w, const std::vector<std::uint32_t>& numbers);
void WriteStsz(BoxWriter& w, const std::vector<std::uint32_t>& sizes);
void WriteStco(BoxWriter& w, const std::vector<std::uint32_t>& offsets);

}  // namespace isorec
