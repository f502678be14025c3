#pragma once

// Timing helpers shared by the benchmarks.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <vector>

inline constexpr int kBenchRounds = 5;

// Median wall time of kBenchRounds runs in milliseconds; -1 when a run fails.
inline double MedianMs(const std::function<bool()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kBenchRounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            return -1;
        }
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Reads the files through cat (into the page cache, so every side reads from it).
inline bool CatToNull(const QStringList& paths) {
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("cat"), paths);
    return cat.waitForFinished(-1) && cat.exitCode() == 0;
}
