#pragma once

// The command line the benchmark drivers share:
//   [--cores LIST] [--rounds N] [--sections A,B] --tiny TINY.ts RECORDING.ts...

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace bench {

struct BenchOptions {
    std::vector<int> cores;  // empty: not pinned
    QString coreText = QStringLiteral("all");
    int rounds = 0;
    QStringList sections;  // empty: every section of the program
    QString tiny;          // the recording whose runs are the tools' start-up
    QStringList recordings;
};

// nullopt when an option is unknown or malformed, or TINY.ts or the recordings
// are missing.
std::optional<BenchOptions> ParseBenchOptions(QStringList args, int defaultRounds);

}  // namespace bench
