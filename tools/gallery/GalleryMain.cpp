// ombrel-gallery OUTDIR: renders the program's widgets in their states and
// languages to PNG files, under the offscreen platform, for looking at them.
#include "Gallery.h"
#include "foundation/ProgramFont.h"
#include "platform/DebugOutput.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    platform::DebugOutput::SetSink([](const QString&) {});
    // The controls pages stand on plain grounds: give them the program's face.
    QApplication::setFont(foundation::ProgramFont());

    gallery::Book book(outDir);
    AddControlsPages(book);
    AddChartPages(book);
    AddFileListPages(book);
    AddInfoMapPages(book);
    AddAppPages(book);

    std::printf("%d pictures written to %s\n", book.Written(), argv[1]);
    return book.Failures() == 0 ? 0 : 1;
}
