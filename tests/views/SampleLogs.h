#pragma once

#include "recordings/SensorLog.h"

#include <cstdint>
#include <functional>
#include <vector>

// Merged logs for the tests: `count` samples 200 ms apart from 0, each then changed
// by `fill` (which may set its time too).
SensorLog SampleLog(std::uint32_t count,
                    const std::function<void(SensorLog&, std::uint32_t)>& fill = {});

struct TrackPoint {
    std::uint32_t ms;
    double lat;
    double lng;
};

// A log holding just the times and positions of the points.
SensorLog TrackLog(const std::vector<TrackPoint>& points);
