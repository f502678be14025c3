#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"
#include "support/ProcessState.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

using namespace media;

namespace {

class AudioOutputTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        NullAudioDevice::SetObserver(
            [this](const std::int16_t* samples, std::size_t count, int, int) {
                std::lock_guard lock(mutex);
                heard.insert(heard.end(), samples, samples + count);
            });
        window.show();
    }
    void TearDown() override { NullAudioDevice::SetObserver(nullptr); }

    // Root mean square of what one second of play from 1.0 s at `volume` sends out.
    double PlayedLevel(double volume, double rate = 1.0) {
        {
            std::lock_guard lock(mutex);
            heard.clear();
        }
        DShowPlayer player(&window);
        EXPECT_EQ(player.OpenFile(TestClipPath()), S_OK);
        EXPECT_EQ(player.SetVolume(volume), S_OK);
        EXPECT_EQ(player.SetRate(rate), S_OK);
        player.Pause();
        player.SeekSeconds(1.0);
        player.Play();
        // One second of sound, however long the machine takes to start.
        WaitUntil(
            [this] {
                std::lock_guard lock(mutex);
                return heard.size() >= 96000;
            },
            30000);
        player.Stop();
        std::lock_guard lock(mutex);
        double sum = 0.0;
        for (const std::int16_t sample : heard) {
            sum += static_cast<double>(sample) * sample;
        }
        EXPECT_GE(heard.size(), 96000u);
        return heard.empty() ? 0.0 : std::sqrt(sum / heard.size());
    }

    TestVideoWindow window;
    std::mutex mutex;
    std::vector<std::int16_t> heard;
};

TEST_F(AudioOutputTest, VolumeScalesTheSamples) {
    const double full = PlayedLevel(100);
    ASSERT_GT(full, 1000.0);
    // 50 is -15.05 dB.
    EXPECT_NEAR(PlayedLevel(50) / full, std::pow(10.0, -1505 / 2000.0), 0.01);
    // Below 1 and above 100 are clamped: 0 is silence, 250 full level.
    EXPECT_EQ(PlayedLevel(0), 0.0);
    EXPECT_NEAR(PlayedLevel(250) / full, 1.0, 0.01);
}

// The tone stays at 1 kHz when the rate changes: the tempo changes, not the pitch.
TEST_F(AudioOutputTest, RateKeepsThePitch) {
    for (const double rate : {2.0, 0.5}) {
        ASSERT_GT(PlayedLevel(100, rate), 1000.0);
        std::lock_guard lock(mutex);
        // Left channel; skip the first 0.1 s where the output starts.
        int crossings = 0;
        const std::size_t first = 9600;
        const std::size_t frames = heard.size() / 2;
        ASSERT_GT(frames, first + 24000);
        for (std::size_t i = first + 1; i < frames; ++i) {
            crossings += (heard[2 * (i - 1)] < 0) != (heard[2 * i] < 0);
        }
        const double seconds = static_cast<double>(frames - first) / 48000.0;
        EXPECT_NEAR(crossings / 2.0 / seconds, 1000.0, 30.0) << "rate " << rate;
    }
}

// A recorder's sound clock that jumps an hour ahead: the sound after the jump plays
// on, the run ends with the pictures, and no hour of silence is ever held.
TEST_F(AudioOutputTest, ForwardJumpOfTheSoundTakesNoMemoryAndEndsTheRun) {
    tsrec::TestMediaParams params;
    params.seconds = 3.0;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    ASSERT_FALSE(media.adts.empty());
    tsrec::TsRecordingSpec spec;
    spec.media = &media;
    spec.audioJumpAtSeconds = 1.0;
    spec.audioJumpSeconds = 3600.0;
    const QString path = TestFolder() + "/sound-jumps.ts";
    ASSERT_TRUE(tsrec::WriteTsRecording(path, spec));

    const long before = PeakResidentKiB();
    ASSERT_GT(before, 0);
    DShowPlayer player(&window);
    ASSERT_EQ(player.OpenFile(path), S_OK);
    ASSERT_EQ(player.Play(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes > 0; }));
    player.Stop();
    // An hour of silence is 330 MiB at 48 kHz, and as much again after the tempo
    // filter; the sanitizer builds need up to about 120 MiB more for a run anyway.
    EXPECT_LT(PeakResidentKiB() - before, 250 * 1024);
    std::lock_guard lock(mutex);
    const auto sounding = std::count_if(
        heard.begin(), heard.end(), [](std::int16_t sample) { return std::abs(sample) > 1000; });
    EXPECT_GT(sounding, 48000 * 3 / 2) << "the tone after the jump was not heard";
}

// A gap of two seconds is a pause in the sound: silence in its place, then the tone.
TEST_F(AudioOutputTest, ShortGapOfTheSoundIsSilenceInItsPlace) {
    tsrec::TestMediaParams params;
    params.seconds = 3.0;
    tsrec::TsRecordingSpec spec;
    spec.media = &tsrec::TestMedia(params);
    spec.audioJumpAtSeconds = 1.0;
    spec.audioJumpSeconds = 2.0;
    const QString path = TestFolder() + "/sound-pauses.ts";
    ASSERT_TRUE(tsrec::WriteTsRecording(path, spec));

    DShowPlayer player(&window);
    ASSERT_EQ(player.OpenFile(path), S_OK);
    ASSERT_EQ(player.Play(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes > 0; }));
    player.Stop();
    std::lock_guard lock(mutex);
    std::size_t longestSilence = 0;
    std::size_t silence = 0;
    for (const std::int16_t sample : heard) {
        silence = sample == 0 ? silence + 1 : 0;
        longestSilence = std::max(longestSilence, silence);
    }
    EXPECT_NEAR(static_cast<double>(longestSilence) / 48000.0, 2.0, 0.1);
    // The tone after the gap came whole: three seconds of it in all.
    const auto sounding = std::count_if(
        heard.begin(), heard.end(), [](std::int16_t sample) { return std::abs(sample) > 1000; });
    EXPECT_GT(sounding, 48000 * 5 / 2);
}

TEST_F(AudioOutputTest, NaNVolumeIsRefused) {
    DShowPlayer player(&window);
    ASSERT_EQ(player.OpenFile(TestClipPath()), S_OK);
    EXPECT_EQ(player.SetVolume(std::nan("")), E_INVALIDARG);
}

TEST(NullAudioDeviceTest, ConsumesInRealTimeOnly) {
    NullAudioDevice device(48000, 2);
    const std::vector<std::int16_t> second(96000, 100);
    // Paused: it takes only its buffer.
    const std::int64_t first = device.Write(second.data(), 192000);
    EXPECT_GT(first, 0);
    EXPECT_LT(first, 192000);
    EXPECT_EQ(device.BytesFree(), 0);
    // An empty device banks no time.
    device.Reset();
    device.Resume();
    // Real time is what it must not bank: let a tenth of a second pass, empty.
    const auto resumed = std::chrono::steady_clock::now();
    WaitUntil([&] {
        return std::chrono::steady_clock::now() - resumed >= std::chrono::milliseconds(100);
    });
    EXPECT_LT(device.Write(second.data(), 192000), 192000);
    EXPECT_GT(device.BufferedBytes(), 0);
}

}  // namespace
