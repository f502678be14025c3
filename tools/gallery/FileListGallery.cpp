// The file list with two drives of recordings, and the play-control panel in each
// of its states.
#include "Gallery.h"
#include "controls/PlayTimeLine.h"
#include "foundation/UiStringTable.h"
#include "support/TsRecordingWriter.h"
#include "views/FileSelectFrame.h"
#include "views/PlayControlFrame.h"

#include <QDateTime>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <cstdio>

using gallery::Book;

namespace {

constexpr std::uint32_t kDriveStart = 1700000000;

int RowY(int row) {
    return views::kRowsTop + row * views::kRowHeight + views::kRowHeight / 2;
}

// Two drives: three recordings in a row, the first locked as the recorder locks an
// event's file, then two more an hour later. Small synthetic recordings that the
// probe takes as the recorder's.
QStringList WriteTwoDrives(const QString& folder) {
    struct Recording {
        int offset;
        double seconds;
        bool locked;
    };
    const Recording recordings[] = {
        {0, 60, true}, {60, 60, false}, {120, 45, false}, {3900, 60, false}, {3960, 30, false}};
    QStringList paths;
    for (const Recording& recording : recordings) {
        const std::uint32_t start = kDriveStart + recording.offset;
        const QString path = folder + QDateTime::fromSecsSinceEpoch(start, Qt::UTC)
                                          .toString(QStringLiteral("/yyyyMMdd_HHmmss'.TS'"));
        tsrec::TsRecordingSpec spec;
        spec.durationSeconds = recording.seconds;
        spec.startTime = start;
        spec.syntheticFrameBytes = 40;
        if (!tsrec::WriteTsRecording(path, spec)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            continue;
        }
        if (recording.locked) {
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        }
        paths.append(path);
    }
    return paths;
}

// A list of `size` holding `paths`: the first drive opened, its second and third
// records selected, the second playing; the second drive closed.
void LoadDemo(TFileSelectControl& list, const QStringList& paths, QSize size) {
    list.setAttribute(Qt::WA_DontShowOnScreen);
    list.resize(size);
    list.show();
    list.PendingCount = 0;
    for (const QString& path : paths) {
        list.PendingNames[list.PendingCount++] = path;
    }
    list.Refresh();
    gallery::Press(list, {60, RowY(0)});  // opens the first drive
    gallery::Release(list, {60, RowY(0)});
    gallery::Press(list, {60, RowY(2)});
    gallery::DragTo(list, {60, RowY(3)});
    gallery::Release(list, {60, RowY(3)});
    list.SetPlayingIndex(0);
}

void FileListPages(Book& book, const QStringList& paths) {
    const int language = LanguageIndex;
    for (int shown = 0; shown < kLanguageCount; ++shown) {
        LanguageIndex = shown;
        TFileSelectControl list;
        list.UpdateLanguage();
        LoadDemo(list, paths, QSize(365, 498));
        book.Save(list, QStringLiteral("file_list_%1").arg(gallery::LanguageSuffix(shown)));

        list.PopupMenuPopup({60, RowY(1)});  // over the locked record
        list.PopupMenu()->ensurePolished();
        list.PopupMenu()->adjustSize();
        book.Save(*list.PopupMenu(),
                  QStringLiteral("file_list_menu_%1").arg(gallery::LanguageSuffix(shown)));
    }
    LanguageIndex = language;

    TFileSelectControl narrow;  // both scroll bars, scrolled right and down
    narrow.UpdateLanguage();
    LoadDemo(narrow, paths, QSize(250, 190));
    narrow.KeyDown(Qt::Key_Down, false);  // into the second drive, scrolled into sight
    narrow.KeyDown(Qt::Key_Down, false);
    book.Save(narrow, QStringLiteral("file_list_narrow"));

    TFileSelectControl empty;
    empty.UpdateLanguage();
    LoadDemo(empty, {}, QSize(365, 300));
    book.Save(empty, QStringLiteral("file_list_empty"));
}

void PanelPages(Book& book) {
    struct Look {
        const char* name;
        int width;
        std::function<void(TPlayControlPanel&)> act;
    };
    const Look looks[] = {
        {"no_media", 679, [](TPlayControlPanel& panel) { panel.SetDuration(0); }},
        {"ready", 679,
         [](TPlayControlPanel& panel) {
             panel.SetDuration(3725.9);
             panel.SetPosition(1200);
         }},
        {"playing", 679,
         [](TPlayControlPanel& panel) {
             panel.SetDuration(3725.9);
             panel.PlayButtonClick(nullptr);
             panel.SetPosition(1830.4);
         }},
        {"wide_points", 1000,
         [](TPlayControlPanel& panel) {
             panel.SetDuration(600);
             panel.SetPosition(200);
             TPlayTimeLine& line = *panel.TimeLine();  // the start marker dragged right
             gallery::Hover(line, {30, 8});
             gallery::Press(line, {30, 8});
             gallery::DragTo(line, {170, 8});
             gallery::Release(line, {170, 8});
         }},
    };
    for (const Look& look : looks) {
        TPlayControlPanel panel;
        panel.setAttribute(Qt::WA_DontShowOnScreen);
        panel.SetLanguage();
        panel.show();
        panel.resize(look.width, panel.height());
        look.act(panel);
        book.Save(panel, QStringLiteral("play_panel_%1").arg(QLatin1String(look.name)));
    }
}

}  // namespace

void AddFileListPages(Book& book) {
    QTemporaryDir folder;
    const QStringList paths = WriteTwoDrives(folder.path());
    FileListPages(book, paths);
    PanelPages(book);
}
