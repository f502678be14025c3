#include "TrackLog.h"

#include <gtest/gtest.h>

SensorLog TrackLog(const std::vector<TrackPoint>& points) {
    SensorLog log;
    EXPECT_TRUE(AllocateSensorLog(log, static_cast<std::uint32_t>(points.size()) + 1));
    log.count = static_cast<std::uint32_t>(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        log.time[i] = points[i].ms;
        log.latitude[i] = static_cast<float>(points[i].lat);
        log.longitude[i] = static_cast<float>(points[i].lng);
    }
    return log;
}
