#include "BoxWriter.h"

#include <stdexcept>

namespace isorec {

void BoxWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value >> 8));
    U8(static_cast<std::uint8_t>(value));
}

void BoxWriter::U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value >> 16));
    U16(static_cast<std::uint16_t>(value));
}

void BoxWriter::Type(const std::string& type) {
    if (type.size() != 4) {
        throw std::invalid_argument("box type must have four characters");
    }
    bytes_.insert(bytes_.end(), type.begin(), type.end());
}

void BoxWriter::Bytes(const std::uint8_t* data, std::size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
}

void BoxWriter::Open(const std::string& type) {
    open_.push_back(bytes_.size());
    U32(0);
    Type(type);
}

void BoxWriter::OpenFull(const std::string& type, std::uint32_t versionFlags) {
    Open(type);
    U32(versionFlags);
}

void BoxWriter::Close() {
    const std::size_t start = open_.back();
    open_.pop_back();
    PatchU32(bytes_, start, static_cast<std::uint32_t>(bytes_.size() - start));
}

std::uint32_t ReadU32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes.at(at)} << 24) | (std::uint32_t{bytes.at(at + 1)} << 16) |
           (std::uint32_t{bytes.at(at + 2)} << 8) | std::uint32_t{bytes.at(at + 3)};
}

void PatchU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value >> 24);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 16);
    bytes.at(at + 2) = static_cast<std::uint8_t>(value >> 8);
    bytes.at(at + 3) = static_cast<std::uint8_t>(value);
}

void WriteMatrix(BoxWriter& w) {
    const std::uint32_t matrix[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    for (std::uint32_t value : matrix) {
        w.U32(value);
    }
}

void WriteMvhd(BoxWriter& w, std::uint32_t timeScale, std::uint32_t duration) {
    w.OpenFull("mvhd", 0);
    w.U32(0);
    w.U32(0);
    w.U32(timeScale);
    w.U32(duration);
    w.U32(0x00010000);
    w.U16(0x0100);
    w.Zeros(10);
    WriteMatrix(w);
    w.Zeros(24);
    w.U32(3);
    w.Close();
}

void WriteTkhd(BoxWriter& w, std::uint32_t id, std::uint32_t duration, bool audio,
               std::uint16_t width, std::uint16_t height) {
    w.OpenFull("tkhd", 7);
    w.U32(0);
    w.U32(0);
    w.U32(id);
    w.U32(0);
    w.U32(duration);
    w.Zeros(8);
    w.U16(0);
    w.U16(0);
    w.U16(audio ? 0x0100 : 0);
    w.U16(0);
    WriteMatrix(w);
    w.U32(audio ? 0 : std::uint32_t{width} << 16);
    w.U32(audio ? 0 : std::uint32_t{height} << 16);
    w.Close();
}

void WriteMdhd(BoxWriter& w, std::uint32_t timeScale, std::uint32_t duration) {
    w.OpenFull("mdhd", 0);
    w.U32(0);
    w.U32(0);
    w.U32(timeScale);
    w.U32(duration);
    w.U16(0x55C4);  // "und"
    w.U16(0);
    w.Close();
}

void WriteHdlr(BoxWriter& w, const std::string& handler, const std::string& name,
               std::uint32_t component) {
    w.OpenFull("hdlr", 0);
    w.U32(component);
    w.Type(handler);
    w.Zeros(12);
    w.Bytes(reinterpret_cast<const std::uint8_t*>(name.c_str()), name.size() + 1);
    w.Close();
}

void WriteDinf(BoxWriter& w, const std::string& reference) {
    w.Open("dinf");
    w.OpenFull("dref", 0);
    w.U32(1);
    w.OpenFull(reference, 1);
    w.Close();
    w.Close();
    w.Close();
}

void WriteStsd(BoxWriter& w, const std::vector<std::uint8_t>& entry) {
    w.OpenFull("stsd", 0);
    w.U32(1);
    w.Bytes(entry);
    w.Close();
}

void WriteMediaHeader(BoxWriter& w, const std::string& type) {
    if (type == "vmhd") {
        w.OpenFull(type, 1);
        w.Zeros(8);
    } else if (type == "smhd") {
        w.OpenFull(type, 0);
        w.U32(0);
    } else {
        w.OpenFull(type, 0);
    }
    w.Close();
}

void WriteEditList(BoxWriter& w, std::uint32_t movieDuration) {
    w.Open("edts");
    w.OpenFull("elst", 0);
    w.U32(1);
    w.U32(movieDuration);
    w.U32(0);
    w.U32(0x00010000);
    w.Close();
    w.Close();
}

void WriteStss(BoxWriter& w, const std::vector<std::uint32_t>& numbers) {
    w.OpenFull("stss", 0);
    w.U32(static_cast<std::uint32_t>(numbers.size()));
    for (std::uint32_t number : numbers) {
        w.U32(number);
    }
    w.Close();
}

void WriteStsz(BoxWriter& w, const std::vector<std::uint32_t>& sizes) {
    w.OpenFull("stsz", 0);
    w.U32(0);
    w.U32(static_cast<std::uint32_t>(sizes.size()));
    for (std::uint32_t size : sizes) {
        w.U32(size);
    }
    w.Close();
}

void WriteStco(BoxWriter& w, const std::vector<std::uint32_t>& offsets) {
    w.OpenFull("stco", 0);
    w.U32(static_cast<std::uint32_t>(offsets.size()));
    for (std::uint32_t offset : offsets) {
        w.U32(offset);
    }
    w.Close();
}

}  // namespace isorec
