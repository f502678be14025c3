#include "media/AudioTempo.h"

#include "support/DebugCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;

// `frames` of a 440 Hz tone, interleaved stereo.
std::vector<std::int16_t> Tone(int frames) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / kRate));
        samples.push_back(value);
        samples.push_back(value);
    }
    return samples;
}

// The frames that come out for one second in at `tempo`.
std::size_t FramesOut(media::AudioTempo& tempo) {
    const std::vector<std::int16_t> second = Tone(kRate);
    tempo.Push(second.data(), kRate);
    tempo.PushEnd();
    std::vector<std::int16_t> out;
    tempo.Pull(out);
    return out.size() / kChannels;
}

}  // namespace

TEST(AudioTempo, KeepsTheSamplesAtOneAndShortensThemFaster) {
    media::AudioTempo tempo(kRate, kChannels);
    const std::vector<std::int16_t> tone = Tone(1000);
    tempo.Push(tone.data(), 1000);
    std::vector<std::int16_t> out;
    tempo.Pull(out);
    EXPECT_EQ(out, tone);

    ASSERT_TRUE(tempo.SetTempo(2.0));
    EXPECT_NEAR(static_cast<double>(FramesOut(tempo)), kRate / 2.0, kRate * 0.02);
    EXPECT_FALSE(tempo.SetTempo(0.0));
    EXPECT_DOUBLE_EQ(tempo.Tempo(), 2.0);
}

TEST(AudioTempo, SamplesTheFilterRefusesAreLoggedAndDropped) {
    media::AudioTempo tempo(kRate, kChannels);
    ASSERT_TRUE(tempo.SetTempo(1.5));
    const std::size_t whole = FramesOut(tempo);
    ASSERT_GT(whole, 0u);

    DebugCapture debug;
    const std::vector<std::int16_t> late = Tone(kRate);
    tempo.Push(late.data(), kRate);  // after the end: refused
    std::vector<std::int16_t> out;
    tempo.Pull(out);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(debug.Lines().size(), 1);
    EXPECT_TRUE(debug.Lines()[0].startsWith(
        QStringLiteral("media: AudioTempo: cannot feed 48000 samples: ")))
        << debug.Lines()[0].toStdString();

    tempo.Reset();  // a seek: the filter takes samples again
    EXPECT_EQ(FramesOut(tempo), whole);
}
