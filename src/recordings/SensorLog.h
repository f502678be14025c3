#pragma once

#include <cstdint>
#include <memory>

// The in-memory sensor log: 13 channels per sample in one zero-filled block, and
// the eight extremes of the whole log (each starts at 0, so a maximum is never
// below 0 and a minimum never above 0).
struct SensorLog {
    std::uint32_t capacity = 0;
    std::uint32_t count = 0;
    float gMax = 0, gMin = 0;
    float speedMax = 0;
    float coolantMax = 0, coolantMin = 0;
    float rpmMax = 0;
    float batteryMax = 0, batteryMin = 0;

    std::uint32_t* time = nullptr;  // ms
    float* gX = nullptr;
    float* gY = nullptr;
    float* gZ = nullptr;
    float* gTotal = nullptr;
    float* gpsSpeed = nullptr;  // km/h
    float* obdSpeed = nullptr;  // km/h
    float* battery = nullptr;   // V
    float* latitude = nullptr;
    float* longitude = nullptr;
    std::uint16_t* rpm = nullptr;
    std::int16_t* coolant = nullptr;   // whole degrees C
    std::uint32_t* turnLamps = nullptr;  // bit 0 left, bit 1 right

    std::unique_ptr<std::uint8_t[]> block;  // owns every channel
};
