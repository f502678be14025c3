#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"

#include <gtest/gtest.h>

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
