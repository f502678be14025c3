#include "media/MediaClock.h"
#include "media/PacketIndex.h"
#include "media/PlaybackContext.h"
#include "media/SampleQueue.h"
#include "platform/Worker.h"
#include "support/ProcessState.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace media;

namespace {

// Two GOPs of 4 pictures in decode order, B-frames reordered: I0 P3 B1 B2 | I4 P7 B5 B6.
PacketIndex TwoGops() {
    PacketIndex index;
    const std::int64_t order[] = {0, 3, 1, 2, 4, 7, 5, 6};
    for (const std::int64_t picture : order) {
        index.Add({1000 + picture * 3600, 188 * picture, picture % 4 == 0});
    }
    index.Finish();
    return index;
}

TEST(PacketIndexTest, KnowsThePictureAtEveryTime) {
    const PacketIndex index = TwoGops();
    EXPECT_EQ(index.Count(), 8u);
    EXPECT_EQ(index.FirstPts(), 1000);
    EXPECT_EQ(index.LastPts(), 1000 + 7 * 3600);
    EXPECT_EQ(index.LastPacketPts(), 1000 + 6 * 3600);
    EXPECT_EQ(index.FrameDuration(), 3600);
    EXPECT_EQ(index.PictureAt(500), 1000);  // before the first: the first
    EXPECT_EQ(index.PictureAt(1000 + 2 * 3600), 1000 + 2 * 3600);
    EXPECT_EQ(index.PictureAt(1000 + 2 * 3600 + 3599), 1000 + 2 * 3600);
    EXPECT_EQ(index.PictureAfter(1000 + 2 * 3600), 1000 + 3 * 3600);
    EXPECT_EQ(index.PictureAfter(1000 + 7 * 3600), 1000 + 7 * 3600);
}

TEST(PacketIndexTest, FindsTheKeyFrameAtOrBeforeATarget) {
    const PacketIndex index = TwoGops();
    EXPECT_EQ(index.KeyFrameFor(1000 + 3 * 3600, 0)->pts, 1000);
    EXPECT_EQ(index.KeyFrameFor(1000 + 4 * 3600, 0)->pts, 1000 + 4 * 3600);
    EXPECT_EQ(index.KeyFrameFor(1000 + 6 * 3600, 0)->pos, 188 * 4);
    // One more back, and never before the first.
    EXPECT_EQ(index.KeyFrameFor(1000 + 6 * 3600, 1)->pts, 1000);
    EXPECT_EQ(index.KeyFrameFor(1000 + 6 * 3600, 5)->pts, 1000);
    EXPECT_EQ(index.KeyFrameFor(0, 0)->pts, 1000);
    EXPECT_EQ(PacketIndex().KeyFrameFor(0, 0), nullptr);
}

// While the index grows, a time is answered only once every picture up to it and
// the one after it are in: pictures after a key frame in decode order may still
// come before it in time. A waiter is let go by the builder, or by its own cancel.
TEST(PacketIndexTest, GrowingIndexCoversOnlyWhatIsIndexed) {
    PacketIndex index;
    const std::int64_t order[] = {0, 3, 1, 2, 4, 7, 5, 6};
    for (const std::int64_t picture : order) {
        index.Add({1000 + picture * 3600, 188 * picture, picture % 4 == 0});
    }
    EXPECT_TRUE(index.Covers(999));
    // An open GOP after the second key frame may still put a picture into either.
    EXPECT_FALSE(index.Covers(1000 + 3 * 3600));
    EXPECT_FALSE(index.WaitUntilCovers(1000 + 5 * 3600, [] { return true; }));
    EXPECT_EQ(index.LastPacketPts(), PacketIndex::kUnknown);
    index.SetExpectedLastPacketPts(1000 + 6 * 3600);
    EXPECT_EQ(index.LastPacketPts(), 1000 + 6 * 3600);

    std::thread builder([&] {
        for (const std::int64_t picture : {8, 11, 9, 10, 12}) {
            index.Add({1000 + picture * 3600, 188 * picture, picture % 4 == 0});
        }
    });
    EXPECT_TRUE(index.WaitUntilCovers(1000 + 7 * 3600, {}));
    builder.join();
    EXPECT_EQ(index.PictureAfter(1000 + 7 * 3600), 1000 + 8 * 3600);
    EXPECT_FALSE(index.Covers(1000 + 8 * 3600));
    index.Finish();
    EXPECT_TRUE(index.Covers(1000 + 12 * 3600));
    EXPECT_EQ(index.LastPacketPts(), 1000 + 12 * 3600);

    // An index whose builder gave up lets every waiter go with what there is.
    PacketIndex abandoned;
    abandoned.Add({0, 0, true});
    std::thread quitter([&] { abandoned.Abandon(); });
    EXPECT_TRUE(abandoned.WaitUntilCovers(3600, {}));
    EXPECT_TRUE(abandoned.WaitUntilScanned(188, {}));
    quitter.join();
}

// Waits until the monotonic clock has moved on by `span`, enough for a running
// media clock to show it.
void LetTimePass(std::chrono::microseconds span) {
    const auto from = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return std::chrono::steady_clock::now() - from >= span; }));
}

TEST(MediaClockTest, RunsAtTheRateAndFreezes) {
    using std::chrono::steady_clock;
    MediaClock clock;
    clock.SetPosition(5 * kUnitsPerSecond);
    EXPECT_FALSE(clock.Running());
    LetTimePass(std::chrono::microseconds(100));
    EXPECT_EQ(clock.Now(), 5 * kUnitsPerSecond);
    clock.SetRate(2.0);
    const auto beforeStart = steady_clock::now();
    clock.Start();
    const auto afterStart = steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return clock.Now() >= 5 * kUnitsPerSecond + 1'000'000; }));
    const auto beforeFreeze = steady_clock::now();
    clock.Freeze();
    const auto afterFreeze = steady_clock::now();
    const REFERENCE_TIME frozen = clock.Now();
    // Twice the real time it ran, which lies between the two brackets.
    const auto units = [](steady_clock::duration span) {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(span).count() / 100;
    };
    const REFERENCE_TIME ran = frozen - 5 * kUnitsPerSecond;
    EXPECT_GE(ran, 2 * units(beforeFreeze - afterStart) - 1);
    EXPECT_LE(ran, 2 * units(afterFreeze - beforeStart) + 2);
    LetTimePass(std::chrono::microseconds(100));
    EXPECT_EQ(clock.Now(), frozen);
    // A position reached at rate 2 is due in half its distance.
    clock.Start();
    const auto due = clock.DueTime(frozen + 2 * kUnitsPerSecond);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        due - std::chrono::steady_clock::now());
    EXPECT_GT(wait.count(), 500);
    EXPECT_LE(wait.count(), 1000);
}

TEST(SampleQueueTest, DropsWhatASeekLeftBehind) {
    std::atomic<std::uint64_t> generation{1};
    SampleQueue queue(generation, 2);
    MediaSample first = MediaSample::EndOfStream(1);
    EXPECT_TRUE(queue.Push(std::move(first)));
    generation = 2;
    queue.Wake();
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_FALSE(queue.Push(MediaSample::EndOfStream(1)));
    EXPECT_TRUE(queue.Push(MediaSample::EndOfStream(2)));
    EXPECT_TRUE(queue.Pop(std::chrono::milliseconds(0)).has_value());
    EXPECT_FALSE(queue.Pop(std::chrono::milliseconds(0)).has_value());
}

TEST(SampleQueueTest, PeekLooksAtCurrentSamplesWithoutTakingThem) {
    std::atomic<std::uint64_t> generation{1};
    SampleQueue queue(generation, 0);
    MediaSample picture;
    picture.kind = MediaSample::Kind::Picture;
    picture.generation = 1;
    picture.start = 400;
    ASSERT_TRUE(queue.Push(std::move(picture)));
    ASSERT_TRUE(queue.Push(MediaSample::EndOfStream(1)));
    const auto first = queue.Peek();
    const auto second = queue.Peek(1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->kind, MediaSample::Kind::Picture);
    EXPECT_EQ(first->start, 400);
    EXPECT_EQ(second->kind, MediaSample::Kind::EndOfStream);
    EXPECT_FALSE(queue.Peek(2).has_value());
    EXPECT_EQ(queue.Count(), 2u);
    generation = 2;
    EXPECT_FALSE(queue.Peek().has_value());  // what a seek left behind is not looked at

    // A peek waits as a pop does: for a sample, or for the close.
    {
        platform::Worker producer("producer", [&](platform::Worker::Control&) {
            queue.Push(MediaSample::EndOfStream(2));
        });
        EXPECT_TRUE(queue.Peek(0, std::chrono::seconds(30)).has_value());
    }
    {
        platform::Worker closer("closer", [&](platform::Worker::Control&) { queue.Close(); });
        EXPECT_FALSE(queue.Peek(1, std::chrono::seconds(30)).has_value());
    }
    EXPECT_TRUE(queue.Closed());
}

TEST(SampleQueueTest, FullQueueHoldsItsProducerUntilASeekOrClose) {
    std::atomic<std::uint64_t> generation{1};
    SampleQueue queue(generation, 1);
    EXPECT_TRUE(queue.Push(MediaSample::EndOfStream(1)));
    bool pushed = true;
    std::atomic<pid_t> producerId{0};
    std::thread producer([&] {
        producerId = CurrentThreadId();
        pushed = queue.Push(MediaSample::EndOfStream(1));
    });
    ASSERT_TRUE(WaitUntil([&] { return producerId != 0 && ThreadIsAsleep(producerId); }));
    EXPECT_EQ(queue.Count(), 1u);
    generation = 2;
    queue.Wake();
    producer.join();
    EXPECT_FALSE(pushed);

    EXPECT_TRUE(queue.Push(MediaSample::EndOfStream(2)));
    std::thread waiting([&] { pushed = queue.Push(MediaSample::EndOfStream(2)); });
    queue.Close();
    waiting.join();
    EXPECT_FALSE(pushed);
    EXPECT_FALSE(queue.Pop(std::chrono::milliseconds(0)).has_value());
}

// The source reads on while a queue holds too little of the current seek: what an
// older one left there counts for nothing, even before anyone drops it.
TEST(SampleQueueTest, FlowControlCountsOnlyTheCurrentSeek) {
    std::atomic<std::uint64_t> generation{1};
    SampleQueue queue(generation, 0);
    const auto packet = [](std::uint64_t of, int bytes) {
        MediaSample sample;
        sample.kind = MediaSample::Kind::Packet;
        sample.generation = of;
        sample.packet.reset(av_packet_alloc());
        av_new_packet(sample.packet.get(), bytes);
        return sample;
    };
    ASSERT_TRUE(queue.Push(packet(1, 100)));
    ASSERT_TRUE(queue.Push(packet(1, 200)));
    EXPECT_EQ(queue.Count(), 2u);
    EXPECT_EQ(queue.Bytes(), 300u);
    generation = 2;
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(queue.Bytes(), 0u);
    ASSERT_TRUE(queue.Push(packet(2, 50)));
    EXPECT_EQ(queue.Count(), 1u);
    EXPECT_EQ(queue.Bytes(), 50u);
    const std::optional<MediaSample> popped = queue.Pop(std::chrono::milliseconds(0));
    ASSERT_TRUE(popped.has_value());
    EXPECT_EQ(popped->packet->size, 50);
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(queue.Bytes(), 0u);
}

class PlaybackContextTest : public testing::Test {
  protected:
    PlaybackContext context{[this](long code, LONG_PTR) { events.push_back(code); }, [] {}};
    std::vector<long> events;
};

TEST_F(PlaybackContextTest, CompletesOncePerRunWhenEveryStreamEnded) {
    const int video = context.AddStream();
    const int audio = context.AddStream();
    const std::uint64_t generation = context.BeginSegment(0, 0);
    context.SetState(State_Running);
    context.StreamEnded(audio, generation);
    EXPECT_TRUE(events.empty());  // the audio of a cut-off file ends first
    context.StreamEnded(video, generation);
    context.StreamEnded(video, generation);
    EXPECT_EQ(events, std::vector<long>{EC_COMPLETE});
    // A new run at the end completes again; a paused graph does not.
    context.SetState(State_Paused);
    context.SetState(State_Running);
    EXPECT_EQ(events.size(), 2u);
    // Ends of an older segment count for nothing.
    const std::uint64_t next = context.BeginSegment(kUnitsPerSecond, 0);
    context.StreamEnded(video, generation);
    context.StreamEnded(audio, generation);
    EXPECT_EQ(events.size(), 2u);
    context.StreamEnded(video, next);
    context.StreamEnded(audio, next);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(PlaybackContextTest, ClockStartsWhenEveryStreamHasItsFirstData) {
    const int video = context.AddStream();
    const int audio = context.AddStream();
    const std::uint64_t generation = context.BeginSegment(2 * kUnitsPerSecond, 0);
    context.SetState(State_Running);
    EXPECT_FALSE(context.Clock().Running());
    EXPECT_EQ(context.Clock().Now(), 2 * kUnitsPerSecond);
    context.StreamReady(video, generation);
    EXPECT_FALSE(context.Clock().Running());
    context.StreamReady(audio, generation);
    EXPECT_TRUE(context.Clock().Running());
    // A seek holds it again at the new target.
    context.BeginSegment(kUnitsPerSecond, 0);
    EXPECT_FALSE(context.Clock().Running());
    EXPECT_EQ(context.Clock().Now(), kUnitsPerSecond);
}

TEST_F(PlaybackContextTest, RetryGoesOneKeyFrameFurtherForTheCurrentSegmentOnly) {
    const std::uint64_t first = context.BeginSegment(3 * kUnitsPerSecond, 0);
    EXPECT_TRUE(context.RetryEarlier(first));
    EXPECT_EQ(context.KeyFramesBack(), 1);
    EXPECT_EQ(context.Target(), 3 * kUnitsPerSecond);
    EXPECT_FALSE(context.RetryEarlier(first));
    EXPECT_EQ(context.KeyFramesBack(), 1);
}

}  // namespace

// A decoder retries its segment while the GUI thread seeks on: the last seek wins.
// A step asks for the pictures after the one a paused seek showed; a seek's own
// first picture is no answer to an earlier request.
TEST_F(PlaybackContextTest, StepsAskForPicturesOfTheCurrentSeekOnly) {
    const std::uint64_t first = context.BeginSegment(0, 0);
    EXPECT_FALSE(context.PicturesAskedFor(first));
    context.AskForPictures();
    EXPECT_TRUE(context.PicturesAskedFor(first));
    const std::uint64_t second = context.BeginSegment(10, 0);
    EXPECT_FALSE(context.PicturesAskedFor(second));
    context.AskForPictures();
    EXPECT_TRUE(context.PicturesAskedFor(second));
    EXPECT_FALSE(context.PicturesAskedFor(first));
}

TEST_F(PlaybackContextTest, RetryNeverOverwritesALaterSeek) {
    constexpr int kSeeks = 20000;
    std::atomic<bool> seeking{true};
    std::thread decoder([&] {
        while (seeking.load()) {
            context.RetryEarlier(context.Generation());
        }
    });
    int overwritten = 0;
    for (int i = 1; i <= kSeeks; ++i) {
        context.BeginSegment(i * kUnitsPerSecond, 0);
        // A retry may follow, but only of this segment.
        const bool kept =
            context.Target() == i * kUnitsPerSecond && context.Clock().Now() == i * kUnitsPerSecond;
        overwritten += kept ? 0 : 1;
    }
    seeking = false;
    decoder.join();
    EXPECT_EQ(overwritten, 0);
    EXPECT_EQ(context.Target(), kSeeks * kUnitsPerSecond);
}
