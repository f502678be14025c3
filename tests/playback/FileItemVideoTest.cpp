#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"
#include "playback/FileItemVideo.h"
#include "recordings/FileItem.h"
#include "support/TestMedia.h"
#include "support/TsRecordingWriter.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace media;

namespace {

// A recording in the recorder's layout (video, audio and the sensor-log stream).
QString WriteRecording(const QString& name, double seconds) {
    tsrec::TestMediaParams params;
    params.seconds = seconds;
    tsrec::TsRecordingSpec spec;
    spec.media = &tsrec::TestMedia(params);
    const QString path = TestFolder() + "/" + name;
    return tsrec::WriteTsRecording(path, spec) ? path : QString();
}

class FileItemVideoTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        window.show();
        SetPlayerVideoWindow(&window);
    }
    void TearDown() override { SetPlayerVideoWindow(nullptr); }

    TFileItem* Item(const QString& path) {
        auto* item = new TFileItem(path);
        EXPECT_EQ(item->fileType, FILE_TYPE_TS);
        return item;
    }

    TestVideoWindow window;
};

TEST_F(FileItemVideoTest, OpenVideoMakesOnePlayerOnTheVideoWindow) {
    TFileItem* item = Item(WriteRecording("one.ts", 2.0));
    EXPECT_EQ(item->OpenVideo(), S_OK);
    DShowPlayer* player = item->player;
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->State(), STATE_STOPPED);
    EXPECT_TRUE(player->HasVideo());
    player->SetVideoRect(nullptr);
    player->Pause();
    player->SeekSeconds(1.0);

    // Again: the same player, back at the start.
    EXPECT_EQ(item->OpenVideo(), 0);
    EXPECT_EQ(item->player, player);
    EXPECT_EQ(player->GetPositionSeconds(), 0.0);

    // The last release tears the player down, its picture with it.
    EXPECT_FALSE(window.findChildren<QWidget*>().isEmpty());
    item->Release();
    EXPECT_TRUE(window.findChildren<QWidget*>().isEmpty());
}

TEST_F(FileItemVideoTest, FailedOpenIsTriedAgainByTheNextOpenVideo) {
    const QString path = WriteRecording("again.ts", 2.0);
    TFileItem* item = Item(path);
    ASSERT_TRUE(QFile::rename(path, path + ".away"));
    EXPECT_LT(item->OpenVideo(), 0);
    DShowPlayer* player = item->player;
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->State(), STATE_NO_GRAPH);
    // Play from the start on the graph-less player fails and says so.
    EXPECT_EQ(item->PlayFromStart(), VFW_E_WRONG_STATE);

    ASSERT_TRUE(QFile::rename(path + ".away", path));
    EXPECT_EQ(item->OpenVideo(), S_OK);
    EXPECT_EQ(item->player, player);
    EXPECT_EQ(player->State(), STATE_STOPPED);
    item->Release();
}

TEST_F(FileItemVideoTest, PlayFromStartPlaysTheRecordingToOneEnd) {
    TFileItem* item = Item(WriteRecording("play.ts", 2.0));
    EXPECT_EQ(item->PlayFromStart(), S_OK);
    ASSERT_NE(item->player, nullptr);
    EXPECT_EQ(item->player->State(), STATE_RUNNING);
    // The sensor-log stream holds nothing back.
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes == 1; }, 30000));
    EXPECT_FALSE(WaitUntil([&] { return window.playCompletes > 1; }, 400));  // one end only
    item->Release();
}

TEST_F(FileItemVideoTest, CutOffRecordingEndsNormally) {
    const QString whole = WriteRecording("whole.ts", 3.0);
    QFile source(whole);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString path = TestFolder() + "/cut.ts";
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(source.read(source.size() * 2 / 3 + 57));
    cut.close();

    TFileItem* item = Item(path);
    EXPECT_EQ(item->PlayFromStart(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes == 1; }, 30000));
    EXPECT_FALSE(WaitUntil([&] { return window.playCompletes > 1; }, 400));  // one end only
    BitmapInfoHeader header;
    std::uint8_t* bits = nullptr;
    EXPECT_EQ(item->player->GetCurrentImage(&header, &bits), S_OK);
    item->player->MemFreeCurrentImage(bits);
    item->Release();
}

}  // namespace
