#include "views/OpenRecordings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// Runs `act` on the open dialog once its folder listing shows `rows` entries (or
// the deadline passes), from inside the dialog's own event loop.
void WhenDialogListed(int rows, const std::function<void(QFileDialog&, QStringList)>& act) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* view = dialog ? dialog->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
        const int shown = view ? view->model()->rowCount(view->rootIndex()) : -1;
        if (shown < rows && std::chrono::steady_clock::now() < deadline) {
            QTimer::singleShot(20, *poll);
            return;
        }
        QStringList names;
        for (int row = 0; view && row < shown; ++row) {
            names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
        }
        names.sort();
        if (dialog) {
            act(*dialog, names);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    };
    QTimer::singleShot(0, *poll);
}

}  // namespace

TEST(OpenRecordings, TheDialogListsRecordingsInAnyCaseAndGivesTheChoice) {
    QTemporaryDir folder;
    for (const char* name : {"A.TS", "b.ts", "c.Mp4", "d.mov", "e.txt", "f.tsx"}) {
        Touch(folder.filePath(QString::fromLatin1(name)));
    }
    QStringList listed;
    WhenDialogListed(4, [&](QFileDialog& dialog, QStringList names) {
        listed = names;
        // Typed as a user types several names; then the dialog's Open.
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("\"A.TS\" \"b.ts\""));
        static_cast<QDialog&>(dialog).accept();
        if (dialog.isVisible()) {
            dialog.reject();  // refused: fail below rather than wait forever
        }
    });
    const QStringList chosen = views::ChooseRecordingFiles(folder.path());
    EXPECT_EQ(listed, (QStringList{"A.TS", "b.ts", "c.Mp4", "d.mov"}));
    EXPECT_EQ(chosen, (QStringList{folder.filePath("A.TS"), folder.filePath("b.ts")}));

    WhenDialogListed(4, [](QFileDialog& dialog, QStringList) { dialog.reject(); });
    EXPECT_TRUE(views::ChooseRecordingFiles(folder.path()).isEmpty());
}
