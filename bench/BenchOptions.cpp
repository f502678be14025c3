#include "BenchOptions.h"

#include "BenchProcess.h"

#include <algorithm>

namespace bench {

std::optional<BenchOptions> ParseBenchOptions(QStringList args, int defaultRounds) {
    BenchOptions options;
    options.rounds = defaultRounds;
    while (args.size() >= 2 && args.front().startsWith(QStringLiteral("--"))) {
        const QString name = args.takeFirst();
        const QString value = args.takeFirst();
        if (name == QStringLiteral("--cores")) {
            options.cores = ParseCores(value);
            options.coreText = value;
            if (options.cores.empty()) {
                return std::nullopt;
            }
        } else if (name == QStringLiteral("--rounds")) {
            options.rounds = std::max(1, value.toInt());
        } else if (name == QStringLiteral("--sections")) {
            options.sections = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        } else if (name == QStringLiteral("--tiny")) {
            options.tiny = value;
        } else {
            return std::nullopt;
        }
    }
    options.recordings = args;
    if (options.tiny.isEmpty() || options.recordings.isEmpty()) {
        return std::nullopt;
    }
    return options;
}

}  // namespace bench
