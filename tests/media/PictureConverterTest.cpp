#include "media/FrameImage.h"
#include "media/PictureConverter.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using namespace media;

namespace {

// Pictures that are only told apart by their width; the image made of one is
// filled with a grey of that width, so that what comes back names its picture.
class PictureConverterTest : public testing::Test {
  protected:
    static SharedFrame Picture(int number) {
        AvFramePtr frame(av_frame_alloc());
        frame->width = number;
        frame->height = 1;
        return ShareFrame(std::move(frame));
    }

    static int NumberOf(const QImage& image) { return qGray(image.pixel(0, 0)); }

    PictureConverter::Convert Recording() {
        return [this](const AVFrame& picture, const QSize& size, SwsPtr&) {
            {
                std::lock_guard lock(mutex);
                convertedOn[picture.width] = std::this_thread::get_id();
            }
            ++conversions;
            QImage image(size, QImage::Format_RGB32);
            image.fill(qRgb(picture.width, picture.width, picture.width));
            return image;
        };
    }

    bool ConvertedOnThisThread(int number) {
        std::lock_guard lock(mutex);
        return convertedOn.count(number) == 1 && convertedOn[number] == std::this_thread::get_id();
    }

    std::atomic<std::uint64_t> generation{1};
    std::atomic<int> conversions{0};
    std::mutex mutex;
    std::map<int, std::thread::id> convertedOn;
    SwsPtr cache;
    const QSize size{4, 2};
};

TEST_F(PictureConverterTest, ConvertsAheadOnItsWorkerAsFarAsAllowed) {
    PictureConverter converter(generation, 1, 2, 8, Recording());
    const SharedFrame pictures[] = {Picture(10), Picture(11), Picture(12)};
    for (const SharedFrame& picture : pictures) {
        converter.Submit(picture, 1, size);
    }
    ASSERT_TRUE(WaitUntil([&] { return conversions == 2; }));
    EXPECT_EQ(converter.Pending(), 3u);  // the third waits for a place

    const QImage first = converter.Take(pictures[0], size, cache);
    EXPECT_EQ(first.size(), size);
    EXPECT_EQ(NumberOf(first), 10);
    EXPECT_FALSE(ConvertedOnThisThread(10));
    ASSERT_TRUE(WaitUntil([&] { return conversions == 3; }));
    EXPECT_EQ(NumberOf(converter.Take(pictures[1], size, cache)), 11);
    EXPECT_EQ(NumberOf(converter.Take(pictures[2], size, cache)), 12);
    EXPECT_EQ(conversions, 3);
    EXPECT_EQ(converter.Pending(), 0u);
}

TEST_F(PictureConverterTest, TakingPassesOverEarlierPicturesAndMakesWhatItLacks) {
    PictureConverter converter(generation, 2, 3, 8, Recording());
    const SharedFrame early = Picture(20);
    const SharedFrame later = Picture(21);
    converter.Submit(early, 1, size);
    converter.Submit(later, 1, size);
    EXPECT_EQ(NumberOf(converter.Take(later, size, cache)), 21);
    EXPECT_EQ(converter.Pending(), 0u);  // the late one went with it

    // Never handed in, or wanted at another size (the window changed): made here.
    const SharedFrame unannounced = Picture(22);
    EXPECT_EQ(NumberOf(converter.Take(unannounced, size, cache)), 22);
    EXPECT_TRUE(ConvertedOnThisThread(22));
    const SharedFrame resized = Picture(23);
    converter.Submit(resized, 1, size);
    const QImage image = converter.Take(resized, QSize(8, 4), cache);
    EXPECT_EQ(image.size(), QSize(8, 4));
    EXPECT_EQ(NumberOf(image), 23);
    EXPECT_TRUE(WaitUntil([&] { return converter.Pending() == 0; }));
}

TEST_F(PictureConverterTest, PicturesOfAnOlderSeekAreDropped) {
    PictureConverter converter(generation, 1, 2, 8, Recording());
    converter.Submit(Picture(30), 1, size);
    converter.Submit(Picture(31), 1, size);
    generation = 2;
    converter.DropStale();
    EXPECT_TRUE(WaitUntil([&] { return converter.Pending() == 0; }));
    converter.Submit(Picture(32), 1, size);  // came after the seek, from before it
    EXPECT_EQ(converter.Pending(), 0u);
    converter.Submit(Picture(33), 2, size);
    EXPECT_EQ(converter.Pending(), 1u);
    converter.Clear();
    EXPECT_EQ(converter.Pending(), 0u);
}

// A renderer that drops pictures (late ones, after time stamps that went back)
// never takes them: they leave when dropped, and whatever it does, no more than the
// limit stay, so the decoder's pictures go back to it.
TEST_F(PictureConverterTest, DroppedPicturesLeaveAndNoMoreThanTheLimitAreHeld) {
    PictureConverter converter(generation, 1, 2, 4, Recording());
    const SharedFrame first[] = {Picture(40), Picture(41), Picture(42), Picture(43)};
    for (const SharedFrame& picture : first) {
        converter.Submit(picture, 1, size);
    }
    converter.Drop(first[1]);
    EXPECT_EQ(converter.Pending(), 2u);  // 40 went with 41
    converter.Drop(Picture(49));         // never handed in: nothing changes
    EXPECT_EQ(converter.Pending(), 2u);
    EXPECT_EQ(NumberOf(converter.Take(first[3], size, cache)), 43);
    EXPECT_EQ(converter.Pending(), 0u);

    const SharedFrame firstOfRun = Picture(100);
    converter.Submit(firstOfRun, 1, size);
    std::vector<std::weak_ptr<const AVFrame>> handedIn;
    SharedFrame last;
    for (int number = 101; number < 200; ++number) {
        last = Picture(number);
        handedIn.push_back(last);
        converter.Submit(last, 1, size);
        EXPECT_LE(converter.Pending(), 4u);
    }
    int held = 0;
    for (const auto& picture : handedIn) {
        held += picture.expired() ? 0 : 1;
    }
    EXPECT_LE(held, 5);  // the four, and the one a worker may still be converting

    // One that went with the limit is still shown right, made on the spot.
    EXPECT_EQ(NumberOf(converter.Take(firstOfRun, size, cache)), 100);
    EXPECT_TRUE(ConvertedOnThisThread(100));
    EXPECT_EQ(NumberOf(converter.Take(last, size, cache)), 199);
    EXPECT_EQ(converter.Pending(), 0u);
}

// A picture dropped while a worker converts it leaves at once; the worker's image
// is thrown away and the picture released when it is done.
TEST_F(PictureConverterTest, APictureDroppedWhileConvertedIsReleasedWhenTheWorkerIsDone) {
    std::mutex gate;
    std::unique_lock closed(gate);
    std::atomic<bool> converting{false};
    PictureConverter converter(generation, 1, 2, 8,
                               [&](const AVFrame& picture, const QSize& wanted, SwsPtr&) {
                                   converting = true;
                                   std::lock_guard pass(gate);
                                   QImage image(wanted, QImage::Format_RGB32);
                                   image.fill(qRgb(picture.width, 0, 0));
                                   return image;
                               });
    SharedFrame picture = Picture(60);
    const std::weak_ptr<const AVFrame> watched = picture;
    converter.Submit(picture, 1, size);
    ASSERT_TRUE(WaitUntil([&] { return converting.load(); }));
    converter.Drop(picture);
    EXPECT_EQ(converter.Pending(), 0u);
    picture.reset();
    EXPECT_FALSE(watched.expired());  // the worker's own reference
    closed.unlock();
    EXPECT_TRUE(WaitUntil([&] { return watched.expired(); }));
    EXPECT_EQ(converter.Pending(), 0u);
}

// A converter's image is converted into again, in its own block: a width that is
// no multiple of 16 keeps its last column; an image of another layout is refused.
TEST(FrameImageTest, PictureIsConvertedIntoTheImagesOwnBlock) {
    AvFramePtr picture(av_frame_alloc());
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = 854;
    picture->height = 4;
    ASSERT_EQ(av_frame_get_buffer(picture.get(), 0), 0);
    const std::uint8_t grey[3] = {126, 128, 128};  // limited range: mid grey
    for (int plane = 0; plane < 3; ++plane) {
        std::memset(picture->data[plane], grey[plane],
                    static_cast<std::size_t>(picture->linesize[plane]) * (plane == 0 ? 4 : 2));
    }
    SwsPtr cache;
    QImage image = NewBgraImage(QSize(854, 4));
    ASSERT_FALSE(image.isNull());
    image.fill(Qt::red);
    const uchar* block = image.constBits();
    ASSERT_TRUE(PictureIntoImage(picture.get(), image, cache));
    EXPECT_EQ(image.constBits(), block);
    for (const QPoint& at : {QPoint(0, 0), QPoint(853, 0), QPoint(853, 3)}) {
        const QRgb pixel = image.pixel(at);
        EXPECT_NEAR(qRed(pixel), 128, 3);
        EXPECT_NEAR(qGreen(pixel), 128, 3);
        EXPECT_NEAR(qBlue(pixel), 128, 3);
    }

    QImage foreign(854, 4, QImage::Format_RGB32);  // rows of 3416 bytes: not aligned
    EXPECT_FALSE(PictureIntoImage(picture.get(), foreign, cache));
}

}  // namespace
