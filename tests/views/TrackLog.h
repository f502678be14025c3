#pragma once

#include "recordings/SensorLog.h"

#include <cstdint>
#include <vector>

struct TrackPoint {
    std::uint32_t ms;
    double lat;
    double lng;
};

// A merged log holding just the times and positions of the points.
SensorLog TrackLog(const std::vector<TrackPoint>& points);
