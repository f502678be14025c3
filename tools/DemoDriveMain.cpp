// Writes a demo drive: consecutive MPEG-TS recordings in the recorder's layout,
// each with real H.264 video (moving pictures), an AAC tone and a sensor log.
#include "support/DemoDriveLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

bool ParsePositive(const QCommandLineParser& parser, const QCommandLineOption& option, int* value) {
    if (!parser.isSet(option)) {
        return true;
    }
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    return ok && *value > 0;
}

bool ParseOptions(const QCoreApplication& app, DemoDriveOptions* options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a demo drive of dash-camera recordings."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where to write them."));
    const QCommandLineOption count({QStringLiteral("n"), QStringLiteral("count")},
                                   QStringLiteral("Number of recordings (3)."),
                                   QStringLiteral("n"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Length of each recording (60)."),
                                     QStringLiteral("s"));
    const QCommandLineOption size(
        QStringLiteral("size"), QStringLiteral("Picture size (1920x1080)."), QStringLiteral("WxH"));
    const QCommandLineOption rate(QStringLiteral("fps"), QStringLiteral("Frame rate (25)."),
                                  QStringLiteral("fps"));
    const QCommandLineOption kbps(QStringLiteral("kbps"),
                                  QStringLiteral("Video bit rate in kbit/s (10000)."),
                                  QStringLiteral("kbps"));
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("Start of the drive, Unix seconds (1700000000)."),
                                   QStringLiteral("t"));
    parser.addOptions({count, seconds, size, rate, kbps, start});
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        parser.showHelp(2);
    }
    options->folder = parser.positionalArguments().front();
    bool ok = ParsePositive(parser, count, &options->count) &&
              ParsePositive(parser, seconds, &options->seconds) &&
              ParsePositive(parser, rate, &options->frameRate) &&
              ParsePositive(parser, kbps, &options->kbps);
    if (parser.isSet(start)) {
        bool parsed = false;
        options->start = parser.value(start).toUInt(&parsed);
        ok = ok && parsed;
    }
    if (parser.isSet(size)) {
        const QStringList parts = parser.value(size).split(QLatin1Char('x'));
        bool w = false;
        bool h = false;
        options->width = parts.size() == 2 ? parts[0].toInt(&w) : 0;
        options->height = parts.size() == 2 ? parts[1].toInt(&h) : 0;
        ok = ok && w && h && options->width >= 16 && options->height >= 16;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    DemoDriveOptions options;
    if (!ParseOptions(app, &options)) {
        std::fprintf(stderr, "bad option value\n");
        return 2;
    }
    // Each path as soon as it is written: a drive takes a while.
    options.onWritten = [](const QString& path) {
        std::printf("%s\n", qPrintable(path));
        std::fflush(stdout);
    };
    QStringList paths;
    QString error;
    if (!WriteDemoDrive(options, &paths, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
