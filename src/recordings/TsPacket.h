#pragma once

#include "recordings/ByteOrder.h"

#include <cstdint>
#include <optional>

namespace recordings {

// Fields of one 188-byte MPEG-TS packet and of a PES header inside it, as the
// probe, the log decoder and the TS cutter read (and the cutter rewrites) them.
// Callers hand whole packets; what a field needs beyond the packet is checked.

inline constexpr int kTsPacketSize = 188;
inline constexpr std::uint32_t kTsNullPid = 0x1FFF;
inline constexpr int kTsMaxAdaptationLength = 183;
// Time stamps (PTS, DTS, PCR base) count 33 bits of a 90 kHz clock.
inline constexpr std::int64_t kTsTimeMask = (std::int64_t{1} << 33) - 1;

// A 13-bit PID field at `at` (a packet header's, or a PAT or PMT entry's).
inline std::uint32_t ReadPid(const std::uint8_t* at) {
    return (std::uint32_t{at[0] & 0x1Fu} << 8) | at[1];
}

inline std::uint32_t TsPid(const std::uint8_t* packet) {
    return ReadPid(packet + 1);
}

// The packet begins a PES (or a section).
inline bool TsPayloadUnitStart(const std::uint8_t* packet) {
    return (packet[1] & 0x40) != 0;
}

inline bool TsHasAdaptation(const std::uint8_t* packet) {
    return (packet[3] & 0x20) != 0;
}

inline bool TsHasPayload(const std::uint8_t* packet) {
    return (packet[3] & 0x10) != 0;
}

// Where the payload begins: behind the adaptation field when there is one.
inline int TsPayloadOffset(const std::uint8_t* packet) {
    return TsHasAdaptation(packet) ? 5 + packet[4] : 4;
}

// An adaptation field long enough for a PCR, with the PCR flag set.
inline bool TsHasPcr(const std::uint8_t* packet) {
    return TsHasAdaptation(packet) && packet[4] >= 7 && (packet[5] & 0x10) != 0;
}

// The random-access flag of the adaptation field.
inline bool TsRandomAccess(const std::uint8_t* packet) {
    return TsHasAdaptation(packet) && packet[4] >= 1 && (packet[5] & 0x40) != 0;
}

// The PCR base in 90 kHz units, from its upper 32 bits (bytes 6..9); the lowest
// bit reads as 0.
inline std::int64_t TsReadPcr(const std::uint8_t* packet) {
    return std::int64_t{ReadBe32(packet + 6)} * 2;
}

// Writes the upper 32 bits of a 33-bit base; its lowest bit and the extension stay.
inline void TsWritePcr(std::uint8_t* packet, std::int64_t value) {
    WriteBe32(packet + 6, static_cast<std::uint32_t>((value & kTsTimeMask) >> 1));
}

// A PTS or DTS: 33 bits in five bytes between marker bits.
inline std::int64_t ReadPesTime(const std::uint8_t* at) {
    return (std::int64_t{at[0] & 0x0E} << 29) | (std::int64_t{at[1]} << 22) |
           (std::int64_t{at[2] & 0xFE} << 14) | (std::int64_t{at[3]} << 7) | (at[4] >> 1);
}

// `prefix` is the first byte's top nibble with its marker (0x21 a lone PTS, 0x31 a
// PTS before a DTS, 0x11 the DTS).
inline void WritePesTime(std::uint8_t* at, std::uint8_t prefix, std::int64_t value) {
    const std::int64_t v = value & kTsTimeMask;
    at[0] = static_cast<std::uint8_t>(prefix | ((v >> 29) & 0x0E));
    at[1] = static_cast<std::uint8_t>(v >> 22);
    at[2] = static_cast<std::uint8_t>(((v >> 14) & 0xFE) | 1);
    at[3] = static_cast<std::uint8_t>(v >> 7);
    at[4] = static_cast<std::uint8_t>(((v & 0x7F) << 1) | 1);
}

// Where the packet's PES header begins, when the packet holds one with a PTS.
inline std::optional<int> PesHeaderAt(const std::uint8_t* packet) {
    const int at = TsPayloadOffset(packet);
    if (at + 14 > kTsPacketSize || packet[at] != 0 || packet[at + 1] != 0 || packet[at + 2] != 1) {
        return std::nullopt;
    }
    if ((packet[at + 7] & 0x80) == 0 || packet[at + 8] < 5) {
        return std::nullopt;
    }
    return at;
}

// The PES header at `at` carries a DTS behind its PTS, inside the packet.
inline bool PesHasDts(const std::uint8_t* packet, int at) {
    return (packet[at + 7] & 0x40) != 0 && packet[at + 8] >= 10 && at + 19 <= kTsPacketSize;
}

inline std::int64_t PesPts(const std::uint8_t* packet, int at) {
    return ReadPesTime(packet + at + 9);
}

}  // namespace recordings
