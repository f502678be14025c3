// The cut command: its checks, names and questions, the boxes of every result,
// and one cut run end to end through the real job.
#include "AppTestSupport.h"
#include "app/CutCommand.h"
#include "foundation/MessageNumbers.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

using app::CutCommand;
using app::CutResultBox;
using app::CutStage;
using platform::MessageBox;

namespace {

// Hands the job's messages to the command, as the main window does.
class CutEventTarget : public QObject {
  public:
    bool event(QEvent* event) override {
        if (const auto* message = platform::WindowMessage::From(event, WM_CUTTING_EVENT)) {
            ++messages;
            command->OnCuttingEvent(message->WParam(), message->LParam());
            return true;
        }
        return QObject::event(event);
    }
    CutCommand* command = nullptr;
    int messages = 0;
};

class CutCommandTest : public AppFolderTest {
  protected:
    CutCommandTest() : job_(&target_, WM_CUTTING_EVENT), command_(job_) {
        target_.command = &command_;
        command_.askSaveName = [this](const app::SaveRequest& request) {
            requests_.push_back(request);
            return answer_;
        };
        command_.setStatusCaption = [this](const QString& caption) { captions_ << caption; };
        command_.repaintVideo = [this] { ++repaints_; };
        MessageBox::ClearRecorded();
        MessageBox::SetAnswer(platform::IDOK);
    }

    // Two recordings of 4 s each, back to back.
    FileItemList Drive() {
        if (items_.empty()) {
            items_.push_back(Recording(QStringLiteral("a.ts"), {.durationSeconds = 4.04}));
            items_.push_back(Recording(QStringLiteral("b.ts"),
                                       {.durationSeconds = 4.04, .startTime = 1700000004}));
        }
        return {items_[0].get(), items_[1].get()};
    }
    void Choose(const QString& name, int filterIndex = 1) {
        answer_ = app::SaveChoice{name, filterIndex};
    }
    std::vector<QString> BoxTexts() const {
        std::vector<QString> texts;
        for (const platform::RecordedBox& box : MessageBox::Recorded()) {
            texts.push_back(box.text);
        }
        return texts;
    }

    CutEventTarget target_;
    CuttingProc job_;
    CutCommand command_;
    std::vector<ItemRef> items_;
    std::vector<app::SaveRequest> requests_;
    std::optional<app::SaveChoice> answer_;
    QStringList captions_;
    int repaints_ = 0;
};

}  // namespace

TEST(CutResultTableTest, EveryResultHasItsBox) {
    using platform::MB_ICONASTERISK;
    using platform::MB_ICONEXCLAMATION;
    using platform::MB_ICONHAND;
    struct Case {
        CutStage stage;
        CutResult result;
        const char* text;
        const char* caption;
        std::uint32_t flags;
        bool owned;
    };
    const auto S = CutStage::Start;
    const auto F = CutStage::Finish;
    const char* different = "Different types of files can not be join \u200B\u200Btogether";
    const Case cases[] = {
        {S, Err_Cut_DestFileSizeOverError, "File can not be larger than 2G bytes.", "Warning",
         MB_ICONEXCLAMATION, true},
        {S, Err_Cut_FileTypeMismatch, different, "Warning", MB_ICONEXCLAMATION, true},
        {S, Err_Cut_OpenDestFileError, "Save file can not be opened", "Error", MB_ICONHAND, true},
        {S, Err_Cut_Busy, "Unknow Error", "Warning", MB_ICONEXCLAMATION, true},
        {S, Err_Cut_Unknown, "Unknow Error", "Warning", MB_ICONEXCLAMATION, true},
        {F, Cut_OK, "Cutting completed", "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_FileTypeMismatch, different, "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_OpenDestFileError, "Save file can not be opened", "Information",
         MB_ICONASTERISK, true},
        {F, Err_Cut_OpenSrcFileErrorr, "Source file can not be opened", "Information",
         MB_ICONASTERISK, true},
        {F, Err_Cut_SrcFileSizeOverError, "Stop cutting", "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_SrcFileMappingError, "Stop cutting", "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_FindStartPositionError, "Stop cutting", "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_Interrupt, "Stop cutting", "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_SrcFileFormatError, "File format error", "Information", MB_ICONASTERISK, true},
        {F, Err_Cut_MemAllocError, "Err_Cut_MemAllocError", "Fatal Errro", 0, false},
        {F, Err_Cut_MemReserveNotEnough, "Err_Cut_MemReserveNotEnough", "Fatal Errro", 0, false},
        {F, Err_Cut_Modify_stbl_Error, "Err_Cut_Modify_stbl_Error", "Fatal Errro", 0, false},
        {F, Err_Cut_ReadSrcFileError, "Unknow cutting Message", "Error", 0, false},
        {F, Err_Cut_Unknown, "Unknow cutting Message", "Error", 0, false},
        {F, 1, "Unknow cutting Message", "Error", 0, false},
    };
    for (const Case& c : cases) {
        const CutResultBox& box = app::FindCutResultBox(c.stage, c.result);
        const QString name = QString::number(c.result, 16);
        EXPECT_EQ(box.text.Text(), QString::fromUtf8(c.text)) << name.toStdString();
        EXPECT_EQ(box.caption.Text(), QString::fromUtf8(c.caption)) << name.toStdString();
        EXPECT_EQ(box.flags, c.flags) << name.toStdString();
        EXPECT_EQ(box.owned, c.owned) << name.toStdString();
    }
    // Keyed texts follow the language; fixed ones stay English.
    LanguageIndex = 1;
    EXPECT_EQ(app::FindCutResultBox(F, Cut_OK).text.Text(), UiText(73, 1));
    EXPECT_EQ(app::FindCutResultBox(F, Err_Cut_Unknown).caption.Text(), QStringLiteral("Error"));
    LanguageIndex = 0;
}

TEST(CutCommandCaptionTest, ProgressShowsPerMilleAsPerCentInEachLanguage) {
    EXPECT_EQ(CutCommand::ProgressCaption(537), QStringLiteral("Cutting\u202653.7%"));
    EXPECT_EQ(CutCommand::ProgressCaption(0), QStringLiteral("Cutting\u20260.0%"));
    EXPECT_EQ(CutCommand::ProgressCaption(1042), QStringLiteral("Cutting\u2026104.2%"));
    LanguageIndex = 2;
    EXPECT_EQ(CutCommand::ProgressCaption(5), UiText(72, 2) + QStringLiteral("0.5%"));
    LanguageIndex = 0;
}

TEST_F(CutCommandTest, SpansShorterThanTwoSecondsAndABusyJobAreRefused) {
    const FileItemList drive = Drive();
    command_.Start(drive, 1.0, 2.99, QString());
    command_.Start(drive, 1.0, std::nan(""), QString());
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(BoxTexts(),
              (std::vector<QString>(2, QStringLiteral("File must be greater than 2 seconds."))));
    EXPECT_EQ(MessageBox::Recorded()[0].caption, QStringLiteral("Warning"));

    MessageBox::ClearRecorded();
    command_.Start(drive, 1.0, 3.0, QString());  // exactly 2 s: asked for a name
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(MessageBox::Recorded().empty());
    EXPECT_EQ(repaints_, 1);  // cancelled

    Choose(PathOf(QStringLiteral("clip")));
    command_.Start(drive, 1.0, 3.0, QString());
    ASSERT_TRUE(job_.IsBusy());
    command_.Start(drive, 1.0, 3.0, QString());
    EXPECT_EQ(BoxTexts().back(),
              QStringLiteral("Video editing in process, please try again later."));
    ASSERT_TRUE(WaitUntil([&] { return !job_.IsBusy(); }));
}

TEST_F(CutCommandTest, ProposesTheStartTimeNameWithTheRecordingsFilter) {
    const FileItemList drive = Drive();
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Asia/Taipei");  // the name takes the recorder's clock, not the zone
    command_.Start(drive, 65.9, 70.0, QString());
    command_.Start(drive, 0.5, 7.0, QStringLiteral("/home/me/clips"));
    qputenv("TZ", zone);
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[0].proposedName, QStringLiteral("231114-221425"));
    EXPECT_EQ(requests_[1].proposedName, QStringLiteral("/home/me/clips/231114-221320"));
    EXPECT_EQ(requests_[0].title, QStringLiteral("Save video to"));
    EXPECT_EQ(requests_[0].filters, QStringList{QStringLiteral("TS (*.ts)")});

    // A recording whose name is of no known type has no filter to offer.
    ItemRef odd = UnprobedItem(10.0, QStringLiteral("/cards/odd.dat"));
    command_.Start({odd.get()}, 0.0, 5.0, QString());
    EXPECT_EQ(requests_.size(), 2u);
    EXPECT_EQ(BoxTexts(), std::vector<QString>{QStringLiteral("Unknow file format.")});
}

TEST_F(CutCommandTest, CutsToTheChosenNameAndReportsProgressAndTheResult) {
    const FileItemList drive = Drive();
    Choose(PathOf(QStringLiteral("clip")));  // no extension: the recording's is added
    command_.Start(drive, 1.0, 7.0, QString());
    ASSERT_TRUE(job_.IsBusy());
    ASSERT_TRUE(WaitUntil([&] { return !job_.IsBusy(); }));
    EXPECT_TRUE(QFile::exists(PathOf(QStringLiteral("clip.ts"))));
    EXPECT_EQ(captions_.front(), QStringLiteral("Cutting\u2026"));
    EXPECT_TRUE(captions_.size() >= 3 && captions_[1].startsWith(QStringLiteral("Cutting\u2026")) &&
                captions_[1].endsWith(QLatin1Char('%')))
        << captions_.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(captions_.back(), QString());
    ASSERT_EQ(BoxTexts(), std::vector<QString>{QStringLiteral("Cutting completed")});
    EXPECT_EQ(RefCount(drive[0]), 1);  // the job let its selection go

    // Another extension is kept; an existing file is overwritten only on Yes.
    MessageBox::ClearRecorded();
    QFile(PathOf(QStringLiteral("clip.bin"))).open(QIODevice::WriteOnly);
    Choose(PathOf(QStringLiteral("clip.bin")));
    MessageBox::SetAnswer(platform::IDNO);
    command_.Start(drive, 1.0, 7.0, QString());
    EXPECT_FALSE(job_.IsBusy());
    EXPECT_EQ(BoxTexts(), std::vector<QString>{QStringLiteral(
                              "This file already exists. Do you want to overwrite it?")});
    MessageBox::SetAnswer(platform::IDYES);
    command_.Start(drive, 1.0, 7.0, QString());
    ASSERT_TRUE(WaitUntil([&] { return !job_.IsBusy(); }));
    EXPECT_GT(QFileInfo(PathOf(QStringLiteral("clip.bin"))).size(), 0);
}

TEST_F(CutCommandTest, StopRequestIsAskedOnlyWhileCutting) {
    command_.RequestStop();
    EXPECT_TRUE(MessageBox::Recorded().empty());

    Choose(PathOf(QStringLiteral("stopped.ts")));
    command_.Start(Drive(), 0.0, 8.0, QString());
    ASSERT_TRUE(job_.IsBusy());
    MessageBox::SetAnswer(platform::IDYES);
    command_.RequestStop();
    EXPECT_EQ(BoxTexts(), std::vector<QString>{QStringLiteral("Whether to stop the Cutting?")});
    EXPECT_NE(job_.stopFlag.load(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !job_.IsBusy(); }));
    EXPECT_EQ(job_.stopFlag.load(), 0u);
}

TEST_F(CutCommandTest, AFolderThatTakesNoFileIsRefused) {
    Choose(PathOf(QStringLiteral("gone/clip.ts")));
    command_.Start(Drive(), 0.0, 5.0, QString());
    EXPECT_FALSE(job_.IsBusy());
    ASSERT_EQ(MessageBox::Recorded().size(), 1u);
    EXPECT_TRUE(MessageBox::Recorded()[0].text.contains(QStringLiteral("Error:5")));
}
