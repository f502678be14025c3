// Screenshot names, formats (checked by the files' bytes and by ffprobe) and the
// failures the user is told of.
#include "AppTestSupport.h"
#include "app/DShowItemPlayer.h"
#include "app/ScreenshotCommand.h"
#include "platform/MessageBox.h"
#include "support/TestMedia.h"

#include <QDir>

using app::ImageFormat;
using app::ScreenshotCommand;
using platform::MessageBox;

namespace {

class ScreenshotCommandTest : public AppFolderTest {
  protected:
    ScreenshotCommandTest() {
        command_.askSaveName = [this](const app::SaveRequest& request) {
            requests_.push_back(request);
            return answer_;
        };
        MessageBox::ClearRecorded();
        shot_.image = QImage(64, 48, QImage::Format_RGB32);
        shot_.image.fill(QColor(200, 30, 30));
        shot_.startTime = 1700000000;  // 2023-11-14 22:13:20 on the recorder's clock
        shot_.position = 7.9;
    }

    ScreenshotCommand command_;
    app::Screenshot shot_;
    std::vector<app::SaveRequest> requests_;
    std::optional<app::SaveChoice> answer_;
};

}  // namespace

TEST(ScreenshotFormatTest, AnImageExtensionDecidesAndTheFilterOnlyWithoutOne) {
    struct Case {
        const char* chosen;
        int filter;
        ImageFormat format;
        const char* written;
    };
    const Case cases[] = {
        {"/p/shot", 2, ImageFormat::Bmp, "/p/shot.bmp"},
        {"/p/shot", 1, ImageFormat::Jpeg, "/p/shot.jpg"},
        {"/p/shot.jpg", 2, ImageFormat::Jpeg, "/p/shot.jpg"},
        {"/p/shot.JPEG", 2, ImageFormat::Jpeg, "/p/shot.JPEG"},
        {"/p/shot.bmp", 1, ImageFormat::Bmp, "/p/shot.bmp"},
        {"/p/trip 1.5", 2, ImageFormat::Bmp, "/p/trip 1.5.bmp"},
        {"/p.d/shot", 1, ImageFormat::Jpeg, "/p.d/shot.jpg"},
    };
    for (const Case& c : cases) {
        const QString chosen = QString::fromUtf8(c.chosen);
        const ImageFormat format = ScreenshotCommand::ChooseFormat(chosen, c.filter);
        EXPECT_EQ(format, c.format) << c.chosen;
        EXPECT_EQ(ScreenshotCommand::TargetPath(chosen, format), QString::fromUtf8(c.written))
            << c.chosen;
    }
}

TEST(ScreenshotGrabTest, AGrabStoredBottomUpComesOutUprightAndOtherLayoutsAsNothing) {
    // Two rows of one BGRA pixel: the bottom row (blue) first.
    const std::uint8_t bits[] = {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF};
    media::BitmapInfoHeader header;
    header.biWidth = 1;
    header.biHeight = 2;
    header.biBitCount = 32;
    const QImage upright = app::BitmapToImage(header, bits);
    EXPECT_EQ(upright.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(upright.pixelColor(0, 1), QColor(Qt::blue));
    header.biHeight = -2;  // stored top-down
    EXPECT_EQ(app::BitmapToImage(header, bits).pixelColor(0, 0), QColor(Qt::blue));
    header.biBitCount = 24;
    EXPECT_TRUE(app::BitmapToImage(header, bits).isNull());
}

TEST_F(ScreenshotCommandTest, WritesJpegAndBmpThatOtherToolsRead) {
    answer_ = app::SaveChoice{PathOf(QStringLiteral("shot")), 2};
    command_.Save(shot_);
    answer_ = app::SaveChoice{PathOf(QStringLiteral("shot.jpg")), 2};
    command_.Save(shot_);
    EXPECT_TRUE(MessageBox::Recorded().empty());

    EXPECT_TRUE(ReadFile(PathOf(QStringLiteral("shot.bmp"))).startsWith("BM"));
    EXPECT_TRUE(ReadFile(PathOf(QStringLiteral("shot.jpg"))).startsWith("\xFF\xD8\xFF"));
    const tsrec::FfprobeReport bmp = tsrec::RunFfprobe(PathOf(QStringLiteral("shot.bmp")));
    const tsrec::FfprobeReport jpg = tsrec::RunFfprobe(PathOf(QStringLiteral("shot.jpg")));
    ASSERT_TRUE(bmp.ran && jpg.ran);
    EXPECT_EQ(bmp.codecNames, QStringList{QStringLiteral("bmp")});
    EXPECT_EQ(jpg.codecNames, QStringList{QStringLiteral("mjpeg")});
    const QImage back(PathOf(QStringLiteral("shot.bmp")));
    EXPECT_EQ(back.size(), QSize(64, 48));
    EXPECT_EQ(back.pixelColor(10, 10), QColor(200, 30, 30));
}

TEST_F(ScreenshotCommandTest, ProposesTheTimeNameAndOpensInTheLastFolder) {
    command_.Save(shot_);  // cancelled
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].proposedName, QStringLiteral("231114-221327"));
    EXPECT_EQ(requests_[0].initialFolder, QString());
    EXPECT_EQ(requests_[0].title, QStringLiteral("Save image to"));
    EXPECT_EQ(requests_[0].filters.size(), 2);

    answer_ = app::SaveChoice{PathOf(QStringLiteral("a.jpg")), 1};
    command_.Save(shot_);
    EXPECT_EQ(command_.LastFolder(), QDir(PathOf(QString())).absolutePath());
    answer_.reset();
    shot_.defaultSaveFolder = QStringLiteral("/home/me/shots");
    command_.Save(shot_);
    EXPECT_EQ(requests_.back().initialFolder, command_.LastFolder());
    EXPECT_EQ(requests_.back().proposedName, QStringLiteral("/home/me/shots/231114-221327"));
}

TEST_F(ScreenshotCommandTest, FailuresAreShownAndTheFolderIsNotRemembered) {
    // A grab that gave nothing.
    app::Screenshot empty = shot_;
    empty.image = QImage();
    empty.grabFailure = QStringLiteral("Get Image Failure");
    command_.Save(empty);
    EXPECT_TRUE(requests_.empty());

    // A name the writer cannot write (a folder stands there).
    const QString taken = PathOf(QStringLiteral("sub/taken.jpg"));
    QDir().mkpath(taken);
    answer_ = app::SaveChoice{taken, 1};
    command_.Save(shot_);
    // A folder that takes no file.
    answer_ = app::SaveChoice{PathOf(QStringLiteral("gone/x.jpg")), 1};
    command_.Save(shot_);

    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Get Image Failure"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Failed"));
    EXPECT_FALSE(boxes[1].text.isEmpty());
    EXPECT_EQ(boxes[1].caption, QStringLiteral("Failed"));
    EXPECT_TRUE(boxes[2].text.contains(QStringLiteral("Error:5")));
    EXPECT_EQ(command_.LastFolder(), QString());
}
