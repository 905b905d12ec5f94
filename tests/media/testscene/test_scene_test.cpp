// The test scene stands in for a camera: named like a device, numbered and stamped frames,
// real-time pacing with dropped frames, and switches for a camera's failures.
#include <time.h>

#include <chrono>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include "media/common/monotonic_clock.h"
#include "media/devices/camera_controls.h"
#include "media/devices/camera_lock.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/jpeg/preview.h"
#include "media/testscene/frame_stamp.h"
#include "media/testscene/test_scene_controls.h"
#include "media/testscene/test_scene_options.h"
#include "media/testscene/test_scene_source.h"

namespace media {
namespace {

TestSceneOptions Fast(PixelFormat format = PixelFormat::Rgb24) {
    TestSceneOptions o;
    o.format = format;
    o.realTime = false;
    return o;
}

TEST(TestSceneNameTest, AcceptsTheDefaultAndSizes) {
    TestSceneOptions o;
    ASSERT_FALSE(ParseTestSceneName("test", o));
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    ASSERT_FALSE(ParseTestSceneName("test:1280x720", o));
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    ASSERT_FALSE(ParseTestSceneName("test-mjpeg:1920x1080", o));
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.format, PixelFormat::Mjpeg);
    EXPECT_EQ(o.replayFrames, kTestSceneReplayFrames);
    EXPECT_TRUE(IsTestSceneName("test:oops"));
    EXPECT_TRUE(IsTestSceneName("test-mjpeg"));
    EXPECT_FALSE(IsTestSceneName("/dev/video0"));
    EXPECT_FALSE(IsTestSceneName("tester"));
    EXPECT_FALSE(IsTestSceneName("test-mjpegs"));
}

TEST(TestSceneNameTest, RefusesBadNamesWithAReason) {
    for (const char* name :
         {"test:", "test:640", "test:640x", "test:x480", "test:abcx480", "test:640x480x3", "test:-640x480",
          "test:159x120", "test:160x119", "test:3842x2160", "test:3840x2161", "test:641x480", "test:99999999999x1",
          "test-mjpeg:", "test-mjpeg:641x480", "/dev/video0"}) {
        TestSceneOptions o;
        const Error e = ParseTestSceneName(name, o);
        EXPECT_EQ(e.kind, ErrorKind::Unsupported) << name;
        EXPECT_NE(e.message.find(name), std::string::npos) << e.message;
        EXPECT_EQ(o.width, 640) << name;  // left alone
    }
}

TEST(FrameStampTest, ReadsBackEveryNumberAndRejectsDamage) {
    const int width = 320;
    const int height = 240;
    Frame rgb{PixelFormat::Rgb24, width, height, std::vector<uint8_t>(width * height * 3, 90)};
    std::mt19937 random(7);
    std::vector<uint64_t> numbers = {0, 1, 2, kFrameStampModulus - 1};
    for (int i = 0; i < 200; ++i) numbers.push_back(random() % kFrameStampModulus);
    for (uint64_t n : numbers) {
        DrawFrameStamp(rgb.data.data(), width, height, n);
        ASSERT_EQ(ReadFrameStamp(rgb), n);
    }
    DrawFrameStamp(rgb.data.data(), width, height, kFrameStampModulus + 3);
    EXPECT_EQ(ReadFrameStamp(rgb), 3u);

    // Flip one number block: the check catches it.
    const int rows = height / 12;
    for (int r = 0; r < rows; ++r) {
        uint8_t* row = rgb.data.data() + (size_t(height - rows + r) * width) * 3;
        for (int c = 5 * width / kFrameStampBlocks; c < 6 * width / kFrameStampBlocks; ++c) {
            for (int k = 0; k < 3; ++k) row[c * 3 + k] = 255 - row[c * 3 + k];
        }
    }
    EXPECT_EQ(ReadFrameStamp(rgb), std::nullopt);
    Frame blank{PixelFormat::Rgb24, width, height, std::vector<uint8_t>(width * height * 3, 128)};
    EXPECT_EQ(ReadFrameStamp(blank), std::nullopt);
}

TEST(TestSceneSourceTest, DeliversNumberedFramesInEveryFormat) {
    for (PixelFormat format : {PixelFormat::Rgb24, PixelFormat::Yuyv, PixelFormat::Mjpeg}) {
        TestSceneSource scene(Fast(format));
        ASSERT_FALSE(scene.start());
        const StreamFormat f = scene.format();
        EXPECT_EQ(f.format, format);
        EXPECT_EQ(f.width, 640);
        EXPECT_EQ(f.height, 480);
        EXPECT_EQ(f.frameIntervalNumerator, 1u);
        EXPECT_EQ(f.frameIntervalDenominator, 30u);
        std::vector<uint8_t> previous;
        for (uint64_t n = 0; n < 3; ++n) {
            Frame frame;
            ASSERT_FALSE(scene.readFrame(frame));
            EXPECT_EQ(frame.sequence, n);
            EXPECT_EQ(frame.format, format);
            Frame rgb;
            ASSERT_FALSE(FrameToRgb24(frame, rgb));
            EXPECT_EQ(ReadFrameStamp(rgb), n);
            EXPECT_NE(frame.data, previous);  // the picture moves
            previous = frame.data;
        }
        scene.stop();
    }
}

TEST(TestSceneSourceTest, OffersCommonSizesAndItsOwnInOrder) {
    TestSceneOptions options;
    options.width = 800;
    options.height = 600;
    EXPECT_EQ(TestSceneSource(options).offeredSizes(),
              (std::vector<FrameSize>{{320, 240}, {640, 480}, {800, 600}, {1280, 720}}));
    EXPECT_EQ(TestSceneSource().offeredSizes(), (std::vector<FrameSize>{{320, 240}, {640, 480}, {1280, 720}}));
}

TEST(TestSceneSourceTest, MjpegLooksLikeACamera) {
    TestSceneSource scene(Fast(PixelFormat::Mjpeg));
    ASSERT_FALSE(scene.start());
    Frame frame;
    ASSERT_FALSE(scene.readFrame(frame));
    JpegLayout layout;
    ASSERT_FALSE(ParseJpeg(frame.data, layout));
    EXPECT_FALSE(layout.hasHuffmanTables);
    EXPECT_LT(layout.end, frame.data.size());

    // Replayed: the same few compressed frames over and over, numbered on.
    TestSceneOptions replayed = Fast(PixelFormat::Mjpeg);
    replayed.replayFrames = 3;
    TestSceneSource replay(replayed);
    ASSERT_FALSE(replay.start());
    std::vector<Frame> frames(4);
    for (Frame& f : frames) ASSERT_FALSE(replay.readFrame(f));
    EXPECT_EQ(frames[0].data, frame.data);
    EXPECT_NE(frames[1].data, frames[0].data);
    EXPECT_EQ(frames[3].data, frames[0].data);
    EXPECT_EQ(frames[3].sequence, 3u);
}

TEST(TestSceneSourceTest, PacesFramesByTheMonotonicClock) {
    TestSceneOptions o;
    o.width = 160;
    o.height = 120;
    o.framesPerSecond = 100;
    TestSceneSource scene(o);
    const int64_t before = MonotonicNowNs();
    ASSERT_FALSE(scene.start());
    std::vector<Frame> frames(6);
    for (Frame& f : frames) ASSERT_FALSE(scene.readFrame(f));
    const int64_t after = MonotonicNowNs();
    const int64_t interval = 10'000'000;
    EXPECT_GE(after - before, 5 * interval);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_GE(frames[i].exposureStartNs, before);
        EXPECT_LE(frames[i].exposureStartNs, after);
        if (i > 0) {
            EXPECT_EQ(frames[i].exposureStartNs - frames[i - 1].exposureStartNs,
                      interval * int64_t(frames[i].sequence - frames[i - 1].sequence));
        }
    }
}

TEST(TestSceneSourceTest, ASlowReaderLosesFramesLikeWithACamera) {
    TestSceneOptions o;
    o.width = 160;
    o.height = 120;
    o.framesPerSecond = 100;
    TestSceneSource scene(o);
    ASSERT_FALSE(scene.start());
    Frame first;
    ASSERT_FALSE(scene.readFrame(first));
    // The reader comes back once five more frames have fallen due, by the clock the scene runs on.
    const int64_t back = first.exposureStartNs + 5 * 10'000'000;
    while (MonotonicNowNs() < back) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Frame next;
    ASSERT_FALSE(scene.readFrame(next));
    EXPECT_GE(next.sequence, first.sequence + 4);
    Frame rgb;
    ASSERT_FALSE(FrameToRgb24(next, rgb));
    EXPECT_EQ(ReadFrameStamp(rgb), next.sequence);
}

TEST(TestSceneSourceTest, FailureSwitchesImitateACamera) {
    TestSceneSource scene(Fast());
    Frame frame;
    EXPECT_EQ(scene.readFrame(frame).kind, ErrorKind::Io);  // not started

    scene.setStartFailure(ErrorKind::DeviceBusy);
    EXPECT_EQ(scene.start().kind, ErrorKind::DeviceBusy);
    scene.setStartFailure(ErrorKind::None);
    ASSERT_FALSE(scene.start());

    scene.setVanishAfter(2);
    EXPECT_FALSE(scene.readFrame(frame));
    EXPECT_FALSE(scene.readFrame(frame));
    for (int i = 0; i < 2; ++i) {
        const Error e = scene.readFrame(frame);
        EXPECT_EQ(e.kind, ErrorKind::DeviceGone);
        EXPECT_FALSE(e.message.empty());
    }
    // Plugged in again: a new start delivers from frame 0.
    scene.stop();
    scene.setVanishAfter(-1);
    ASSERT_FALSE(scene.start());
    ASSERT_FALSE(scene.readFrame(frame));
    EXPECT_EQ(frame.sequence, 0u);

    TestSceneOptions bad = Fast();
    bad.framesPerSecond = 0;
    TestSceneSource badScene(bad);
    EXPECT_EQ(badScene.start().kind, ErrorKind::Unsupported);
}

}  // namespace
}  // namespace media

// The scene's own settings behave as a webcam's: the automatic exposure keeps changing the
// picture until the lock holds it, and even the darkest setting leaves the stamp readable.
TEST(TestSceneControlsTest, AutomaticExposureDriftsUntilLockedAndTheStampStaysReadable) {
    auto scene = std::make_shared<media::TestSceneControls>();
    media::CameraControls controls(media::TestSceneControls::kNode, scene);
    ASSERT_FALSE(controls.open());
    ASSERT_TRUE(media::HasAutomaticModes(controls));
    const int64_t quarter = media::TestSceneControls::kDriftPeriodNs / 4;
    EXPECT_NE(scene->lookAt(quarter).gainPermille, scene->lookAt(3 * quarter).gainPermille);

    std::vector<media::ControlValue> settled;
    ASSERT_FALSE(media::LockAutomaticModes(controls, settled));
    EXPECT_TRUE(media::AutomaticModesLocked(controls));
    EXPECT_EQ(scene->lookAt(quarter), scene->lookAt(3 * quarter));

    ASSERT_FALSE(controls.set(V4L2_CID_EXPOSURE_ABSOLUTE, 100));
    ASSERT_FALSE(controls.set(V4L2_CID_BRIGHTNESS, -64));
    media::TestSceneOptions options;
    options.realTime = false;
    options.format = media::PixelFormat::Mjpeg;
    options.controls = scene;
    media::TestSceneSource dark(options);
    ASSERT_FALSE(dark.start());
    media::Frame jpeg, rgb;
    ASSERT_FALSE(dark.readFrame(jpeg));
    ASSERT_FALSE(dark.readFrame(jpeg));
    ASSERT_FALSE(media::DecodeJpegToRgb(jpeg.data, rgb));
    EXPECT_EQ(media::ReadFrameStamp(rgb), 1u);
}
