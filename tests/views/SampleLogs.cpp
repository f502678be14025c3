#include "SampleLogs.h"

#include <gtest/gtest.h>

#include <algorithm>

SensorLog SampleLog(std::uint32_t count,
                    const std::function<void(SensorLog&, std::uint32_t)>& fill) {
    SensorLog log;
    EXPECT_TRUE(recordings::AllocateSensorLog(log, std::max(count, 1u)));
    log.count = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        log.time[i] = i * 200;
        if (fill) {
            fill(log, i);
        }
    }
    return log;
}

SensorLog TrackLog(const std::vector<TrackPoint>& points) {
    return SampleLog(static_cast<std::uint32_t>(points.size()),
                     [&points](SensorLog& log, std::uint32_t i) {
                         log.time[i] = points[i].ms;
                         log.latitude[i] = static_cast<float>(points[i].lat);
                         log.longitude[i] = static_cast<float>(points[i].lng);
                     });
}
