// The take's parts of the large view: the strip's small pictures (the right frame, small, and
// decoded once), which frames short play shows, when time-lapse shoots, and the guides' shapes.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

#include "media/jpeg/pixel_convert.h"
#include "media/testscene/frame_stamp.h"
#include "media/testscene/test_scene_source.h"
#include "media/view/guides.h"
#include "media/view/short_play.h"
#include "media/view/strip_pictures.h"
#include "media/view/time_lapse.h"

namespace media {
namespace {

constexpr FrameSize kFrame{1280, 720};

// Frame `number` of the test scene as a take stores it.
std::vector<uint8_t> Stored(AviVideoCodec codec, int number) {
    TestSceneOptions o;
    o.width = kFrame.width;
    o.height = kFrame.height;
    o.format = codec == AviVideoCodec::Mjpeg ? PixelFormat::Mjpeg : PixelFormat::Rgb24;
    o.realTime = false;
    TestSceneSource scene(o);
    Frame frame;
    EXPECT_FALSE(scene.start());
    for (int i = 0; i <= number; ++i) EXPECT_FALSE(scene.readFrame(frame));
    if (codec == AviVideoCodec::Mjpeg) return frame.data;
    std::vector<uint8_t> dib(DibRowStride(kFrame.width) * kFrame.height);
    Rgb24ToDib(frame.data.data(), kFrame.width, kFrame.height, dib.data());
    return dib;
}

TEST(StripPictureTest, AFrameComesOutSmallTheRightWayUpAndStillItself) {
    struct Case {
        AviVideoCodec codec;
        FrameSize want;
        FrameSize expected;
    };
    const Case cases[] = {
        {AviVideoCodec::Mjpeg, {160, 90}, {160, 90}},    // 1/8
        {AviVideoCodec::Mjpeg, {200, 100}, {320, 180}},  // 1/4 is the smallest that covers it
        {AviVideoCodec::Dib, {160, 90}, {160, 90}},
        {AviVideoCodec::Dib, {200, 100}, {213, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.want.width) + (c.codec == AviVideoCodec::Mjpeg ? " from JPEG" : " from rows"));
        Frame picture;
        ASSERT_FALSE(DecodeStripPicture(Stored(c.codec, 5), c.codec, kFrame, c.want, picture));
        EXPECT_EQ((FrameSize{picture.width, picture.height}), c.expected);
        EXPECT_EQ(ReadFrameStamp(picture), 5u);
    }
    Frame picture;
    const std::vector<uint8_t> cut(100);
    EXPECT_TRUE(DecodeStripPicture(cut, AviVideoCodec::Dib, kFrame, {160, 90}, picture));
}

TEST(StripPictureTest, EachFrameIsDecodedOnceAndNeverWaitedFor) {
    StripPictures strip(AviVideoCodec::Mjpeg, kFrame, {160, 90});
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint64_t> ready;
    strip.setReady([&](uint64_t id) {
        std::lock_guard lock(mutex);
        ready.push_back(id);
        changed.notify_all();
    });
    int reads = 0;
    const auto frame = [&](int number) {
        return [&reads, number] {
            ++reads;
            return number < 0 ? std::vector<uint8_t>(10) : Stored(AviVideoCodec::Mjpeg, number);
        };
    };
    EXPECT_EQ(strip.picture(7, frame(3)), nullptr);
    EXPECT_EQ(strip.picture(8, frame(-1)), nullptr);  // not a picture at all
    strip.picture(7, frame(3));                       // queued or done: not read again either way
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return ready.size() == 2; }));
    }
    const std::shared_ptr<const Frame> picture = strip.picture(7, frame(4));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(ReadFrameStamp(*picture), 3u);
    EXPECT_EQ(strip.picture(8, frame(-1)), nullptr);
    EXPECT_EQ(reads, 2);
}

TEST(ShortPlayTest, PlaysTheLastFramesBeforeTheInsertionPoint) {
    struct Case {
        size_t insertAt;
        int length;
        FrameRange expected;
    };
    const Case cases[] = {
        {40, kShortPlayDefault, {34, 6}},
        {12, 6, {6, 6}},
        {3, 6, {0, 3}},
        {0, 6, {0, 0}},
        {40, 1, {38, 2}},
        {100, 99, {70, 30}},
    };
    for (const Case& c : cases) EXPECT_EQ(ShortPlayFrames(c.insertAt, c.length), c.expected) << c.insertAt;
}

TEST(TimeLapseTest, ASlowShotDelaysTheNextWithoutDroppingOrDoublingIt) {
    constexpr int64_t s = 1'000'000'000;
    TimeLapseSchedule t(10, 100 * s);
    EXPECT_FALSE(t.due(99 * s));
    EXPECT_EQ(t.remainingNs(99 * s), 1 * s);
    ASSERT_TRUE(t.due(100 * s));
    t.shotStarted(100 * s);
    EXPECT_FALSE(t.due(100 * s));
    t.shotCompleted();
    EXPECT_EQ(t.remainingNs(101 * s), 9 * s);
    // A slow camera: the shot due at 110 and the one at 120 fall while it still works.
    ASSERT_TRUE(t.due(110 * s));
    t.shotStarted(110 * s);
    EXPECT_FALSE(t.due(125 * s));
    EXPECT_EQ(t.remainingNs(125 * s), 0);
    t.shotCompleted();
    ASSERT_TRUE(t.due(125 * s));
    t.shotStarted(125 * s);
    t.shotCompleted();
    EXPECT_FALSE(t.due(129 * s));
    EXPECT_TRUE(t.due(130 * s));

    EXPECT_EQ(TimeLapseSchedule(0, 0).intervalSeconds(), 1);
    EXPECT_EQ(TimeLapseSchedule(7200, 0).intervalSeconds(), 3600);
}

// Every number of the shapes in order, after how many of each kind there are.
std::vector<double> Numbers(const GuideShapes& s) {
    std::vector<double> n{double(s.lines.size()), double(s.frames.size()), double(s.masks.size())};
    for (const GuideLine& l : s.lines) n.insert(n.end(), {l.x1, l.y1, l.x2, l.y2});
    for (const std::vector<GuideRect>* list : {&s.frames, &s.masks}) {
        for (const GuideRect& r : *list) n.insert(n.end(), {r.x, r.y, r.width, r.height});
    }
    return n;
}

TEST(GuidesTest, ShapesSitWhereTheyBelongOnThePicture) {
    struct Case {
        const char* name;
        FrameSize picture;
        GuideSet guides;
        GuideShapes expected;
    };
    const Case cases[] = {
        {"thirds",
         {1920, 1080},
         {.thirds = true},
         {{{640, 0, 640, 1080}, {0, 360, 1920, 360}, {1280, 0, 1280, 1080}, {0, 720, 1920, 720}}, {}, {}}},
        {"centre cross", {1920, 1080}, {.centreCross = true}, {{{906, 540, 1014, 540}, {960, 486, 960, 594}}, {}, {}}},
        {"safe areas",
         {1000, 500},
         {.actionSafe = true, .titleSafe = true},
         {{}, {{35, 17.5, 930, 465}, {50, 25, 900, 450}}, {}}},
        {"2.39:1 over 16:9", {1912, 1080}, {.mask239 = true}, {{}, {}, {{0, 0, 1912, 140}, {0, 940, 1912, 140}}}},
        {"1.85:1 over a taller picture",
         {1850, 1400},
         {.mask185 = true},
         {{}, {}, {{0, 0, 1850, 200}, {0, 1200, 1850, 200}}}},
        {"4:3 over 16:9", {1920, 1080}, {.mask43 = true}, {{}, {}, {{0, 0, 240, 1080}, {1680, 0, 240, 1080}}}},
        {"4:3 over 4:3", {640, 480}, {.mask43 = true}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> got = Numbers(GuideGeometry(c.picture, c.guides));
        const std::vector<double> want = Numbers(c.expected);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.01) << "number " << i;
    }
}

}  // namespace
}  // namespace media
