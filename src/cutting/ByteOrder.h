#pragma once

#include <cstdint>
#include <cstring>

// Box headers and sample tables are big-endian; the recorder's log payloads are
// little-endian. Tables are kept in file byte order and converted per field.

inline std::uint32_t GetU32BE(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
           (std::uint32_t{at[2]} << 8) | std::uint32_t{at[3]};
}

inline std::uint16_t GetU16BE(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

inline void PutU32BE(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

inline std::uint32_t GetU32LE(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
           (std::uint32_t{at[3]} << 24);
}

inline std::uint16_t GetU16LE(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline void PutU32LE(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

// True when the four bytes at `at` spell `type` ("mdat", "trak", ...).
inline bool TypeIs(const std::uint8_t* at, const char (&type)[5]) {
    return std::memcmp(at, type, 4) == 0;
}
