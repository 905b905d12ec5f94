#include "media/devices/v4l2_camera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fake_v4l2_io.h"
#include "jpeg_bytes.h"
#include "media/devices/buffer_timing.h"
#include "media/devices/live_source.h"

namespace media {
namespace {

using testing::FakeDevice;
using testing::FakeV4l2Io;
using testing::MarkerRichJpeg;

constexpr int64_t kSecond = 1'000'000'000;

class CameraTest : public ::testing::Test {
protected:
    CameraTest() {
        m_dev.card = "Desk Cam";
        m_dev.formats = {{V4L2_PIX_FMT_YUYV, {{640, 480}, {1280, 720}}},
                         {V4L2_PIX_FMT_MJPEG, {{1920, 1080}, {1280, 720}, {640, 480}}},
                         {V4L2_PIX_FMT_RGB24, {{640, 480}, {1280, 720}}, true}};
    }

    Error startWith(const std::function<void(FakeDevice&)>& configure) {
        configure(m_dev);
        return m_camera.start();
    }

    std::shared_ptr<FakeV4l2Io> m_io = std::make_shared<FakeV4l2Io>();
    FakeDevice& m_dev = m_io->add("/dev/video0");
    V4l2Camera m_camera{"/dev/video0", m_io};
};

TEST_F(CameraTest, PrefersNativeMjpegAtTheLargestSizeWithin720p) {
    ASSERT_FALSE(m_camera.start());
    EXPECT_EQ(m_camera.fourcc(), V4L2_PIX_FMT_MJPEG);
    EXPECT_FALSE(m_camera.converted());
    EXPECT_EQ(m_io->openModes, std::vector<OpenMode>{OpenMode::Native});
    EXPECT_EQ(m_io->lastRequested->width, 1280u);
    EXPECT_EQ(m_io->lastRequested->height, 720u);
    EXPECT_EQ(m_camera.format().format, PixelFormat::Mjpeg);
    EXPECT_EQ(m_camera.name(), "Desk Cam");
    EXPECT_TRUE(m_io->streaming());
    EXPECT_EQ(m_io->queuedCount(), V4l2Camera::kBufferCount);
}

TEST_F(CameraTest, StreamsAtAWantedSizeAndOffersTheSizesOfItsFormat) {
    ASSERT_FALSE(m_camera.start());
    EXPECT_EQ(m_camera.offeredSizes(), (std::vector<FrameSize>{{640, 480}, {1280, 720}, {1920, 1080}}))
        << "MJPEG's sizes, smallest first";
    m_camera.stop();

    V4l2Camera smaller{"/dev/video0", m_io, FrameSize{640, 480}};
    ASSERT_FALSE(smaller.start());
    EXPECT_EQ(m_io->lastRequested->width, 640u);
    EXPECT_EQ(smaller.format().width, 640);
    EXPECT_EQ(smaller.format().height, 480);
    smaller.stop();

    // A size the driver does not have: it sets another, and that is what we stream.
    V4l2Camera odd{"/dev/video0", m_io, FrameSize{800, 600}};
    ASSERT_FALSE(odd.start());
    EXPECT_EQ(m_io->lastRequested->width, 800u);
    EXPECT_EQ(odd.format().width, 1920);
    EXPECT_EQ(odd.format().height, 1080);
}

// The Video Format dialog's lists: every format we read natively, MJPEG first, with each size's
// frame rates; and a wanted format and rate are what the camera then streams.
TEST_F(CameraTest, OffersItsFormatsWithTheirRatesAndStreamsAWantedFormatAndRate) {
    m_dev.intervals = {{1, 15}, {1, 30}};
    ASSERT_FALSE(m_camera.start());
    const std::vector<FrameInterval> rates = {{1, 30}, {1, 15}};
    const std::vector<OfferedFormat> expected = {
        {PixelFormat::Mjpeg, {{{640, 480}, rates}, {{1280, 720}, rates}, {{1920, 1080}, rates}}},
        {PixelFormat::Yuyv, {{{640, 480}, rates}, {{1280, 720}, rates}}}};
    EXPECT_EQ(m_camera.offeredFormats(), expected) << "no emulated RGB; shortest interval first";
    m_camera.stop();

    V4l2Camera chosen{"/dev/video0", m_io, StreamRequest{FrameSize{640, 480}, PixelFormat::Yuyv, FrameInterval{1, 15}}};
    ASSERT_FALSE(chosen.start());
    EXPECT_EQ(chosen.fourcc(), V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(chosen.format().width, 640);
    EXPECT_EQ(chosen.format().frameIntervalDenominator, 15u);
    chosen.stop();

    V4l2Camera unknown{"/dev/video0", m_io, StreamRequest{std::nullopt, PixelFormat::Rgb24, std::nullopt}};
    ASSERT_FALSE(unknown.start());
    EXPECT_EQ(unknown.fourcc(), V4L2_PIX_FMT_MJPEG) << "a format it lacks natively is not forced on it";
}

TEST_F(CameraTest, BelievesTheSizeAndRowStrideTheDriverSets) {
    ASSERT_FALSE(startWith([](FakeDevice& d) {
        d.formats = {{V4L2_PIX_FMT_YUYV, {}}};
        d.adjust = [](v4l2_pix_format& p) {
            p.width = 800;
            p.height = 600;
            p.bytesperline = 1664;
            p.sizeimage = 1664 * 600;
        };
    }));
    const StreamFormat f = m_camera.format();
    EXPECT_EQ(f.format, PixelFormat::Yuyv);
    EXPECT_EQ(f.width, 800);
    EXPECT_EQ(f.height, 600);
    EXPECT_EQ(m_camera.offeredSizes(), (std::vector<FrameSize>{{800, 600}}))
        << "a driver that lists no sizes offers the one it set";

    std::vector<uint8_t> padded(1664 * 600, 0xEE);
    for (int y = 0; y < 600; ++y) std::fill_n(padded.begin() + y * 1664, 1600, static_cast<uint8_t>(y));
    ASSERT_TRUE(m_io->deliver(padded, 5 * kSecond));
    Frame frame;
    ASSERT_FALSE(m_camera.readFrame(frame));
    ASSERT_EQ(frame.data.size(), 800u * 600 * 2);
    EXPECT_EQ(frame.data[1599], 0);
    EXPECT_EQ(frame.data[1600], 1) << "row 1 follows row 0 without the driver's padding";
    EXPECT_EQ(frame.data.back(), static_cast<uint8_t>(599));
}

TEST_F(CameraTest, FallsBackToSoftwareConversionToRgb) {
    ASSERT_FALSE(startWith([](FakeDevice& d) {
        d.formats = {{V4L2_PIX_FMT_SGRBG8, {{640, 480}}}, {V4L2_PIX_FMT_RGB24, {{640, 480}}, true}};
    }));
    EXPECT_TRUE(m_camera.converted());
    EXPECT_EQ(m_io->openModes, (std::vector<OpenMode>{OpenMode::Native, OpenMode::Converted}));
    EXPECT_EQ(m_io->openDescriptors(), 1) << "the first descriptor is closed";
    EXPECT_EQ(m_camera.format().format, PixelFormat::Rgb24);

    ASSERT_TRUE(m_io->deliver(std::vector<uint8_t>(640 * 480 * 3, 7), kSecond));
    Frame frame;
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.data.size(), 640u * 480 * 3);
}

TEST_F(CameraTest, StartFailsWithTheRightKind) {
    const auto startKind = [&](const std::function<void(FakeDevice&)>& configure) {
        m_camera.stop();
        m_dev = FakeDevice{};
        m_dev.formats = {{V4L2_PIX_FMT_YUYV, {{640, 480}}}};
        const ErrorKind kind = startWith(configure).kind;
        EXPECT_EQ(m_io->openDescriptors(), 0) << "nothing stays open after a failed start";
        return kind;
    };
    EXPECT_EQ(startKind([](FakeDevice& d) { d.openErrno = EBUSY; }), ErrorKind::DeviceBusy);
    EXPECT_EQ(startKind([](FakeDevice& d) { d.sFmtErrno = EBUSY; }), ErrorKind::DeviceBusy)
        << "another program streams from it";
    EXPECT_EQ(startKind([](FakeDevice& d) { d.reqBufsErrno = EBUSY; }), ErrorKind::DeviceBusy);
    EXPECT_EQ(startKind([](FakeDevice& d) { d.openErrno = EACCES; }), ErrorKind::Io);
    EXPECT_EQ(startKind([](FakeDevice& d) { d.caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE; }),
              ErrorKind::Unsupported)
        << "read() only";
    EXPECT_EQ(startKind([](FakeDevice& d) { d.caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING; }),
              ErrorKind::Unsupported)
        << "the physical device captures video, this node does not";
    EXPECT_EQ(startKind([](FakeDevice& d) { d.reqBufsErrno = EINVAL; }), ErrorKind::Unsupported)
        << "no memory-mapped streaming";
    EXPECT_EQ(startKind([](FakeDevice& d) {
                  d.formats = {{V4L2_PIX_FMT_SGRBG8, {{640, 480}}}};
              }),
              ErrorKind::Unsupported)
        << "nothing native and nothing to convert to";
    EXPECT_EQ(startKind([](FakeDevice& d) { d.openErrno = ENOENT; }), ErrorKind::DeviceGone);
}

TEST_F(CameraTest, RunsAtTheFrameIntervalTheDriverAnswers) {
    m_dev.interval = {1, 15};
    ASSERT_FALSE(m_camera.start());
    EXPECT_EQ(m_io->lastIntervalRequested->denominator, 30u);
    EXPECT_EQ(m_camera.format().frameIntervalDenominator, 15u);

    m_camera.stop();
    m_dev.settableInterval = false;
    m_dev.interval = {1001, 24000};
    m_io->lastIntervalRequested.reset();
    ASSERT_FALSE(m_camera.start());
    EXPECT_FALSE(m_io->lastIntervalRequested) << "not asked where the driver cannot change it";
    EXPECT_EQ(m_camera.format().frameIntervalNumerator, 1001u);
    EXPECT_EQ(m_camera.format().frameIntervalDenominator, 24000u);
}

TEST_F(CameraTest, MjpegFramesEndAtTheirOwnEoiWhenTheDriverReportsTheWholeBuffer) {
    ASSERT_FALSE(m_camera.start());
    const auto jpeg = MarkerRichJpeg();
    auto buffer = jpeg;
    const auto older = MarkerRichJpeg(0x55);
    buffer.insert(buffer.end(), older.begin() + 4, older.end());
    ASSERT_TRUE(m_io->deliver(buffer, kSecond, 0, 1280 * 720 * 2));
    Frame frame;
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.data, jpeg);
    EXPECT_EQ(frame.width, 1280);
}

TEST_F(CameraTest, SkipsDamagedFramesAndReturnsBuffersToTheDriver) {
    ASSERT_FALSE(m_camera.start());
    const auto good = MarkerRichJpeg(0x42);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t flags;
    } damaged[] = {
        {"flagged by the driver", good, V4L2_BUF_FLAG_ERROR},
        {"cut short", {good.begin(), good.end() - 2}, 0},
        {"a picture of another size than the stream's", MarkerRichJpeg(0x42, 320, 240), 0},
    };
    int64_t at = 0;
    Frame frame;
    for (const auto& d : damaged) {
        ASSERT_TRUE(m_io->deliver(d.bytes, ++at * kSecond, d.flags)) << d.what;
        const Error e = m_camera.readFrame(frame);
        EXPECT_EQ(e.kind, ErrorKind::BadFrame) << d.what;
        EXPECT_EQ(e.message, "The camera sent only damaged frames.") << d.what;
    }
    EXPECT_EQ(m_io->queuedCount(), m_io->bufferCount());
    ASSERT_TRUE(m_io->deliver(good, ++at * kSecond));
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.data, good);
}

// A capture that waits in vain while the camera sends only damaged frames says so, rather than
// that no frame came.
TEST_F(CameraTest, OnlyDamagedFramesAreTheReasonACaptureGetsNoFrame) {
    LiveSource live;
    ASSERT_FALSE(live.start(std::make_unique<V4l2Camera>("/dev/video0", m_io)));
    std::atomic<bool> sending = true;
    std::thread camera([&] {
        for (int64_t at = 1; sending; ++at) {
            m_io->deliver(MarkerRichJpeg(0x42, 640, 480), at * kSecond);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::shared_ptr<const Frame> frame;
    const Error e = live.waitForFrameStartedAfter(0, std::chrono::seconds(5), frame);
    sending = false;
    camera.join();
    EXPECT_EQ(e.kind, ErrorKind::BadFrame);
    EXPECT_EQ(e.message, "The camera sent only damaged frames.");
}

TEST_F(CameraTest, ReadsTheNewestOfSeveralWaitingFrames) {
    ASSERT_FALSE(m_camera.start());
    for (uint8_t tag : {1, 2, 3}) ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(tag), tag * kSecond));
    Frame frame;
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.data, MarkerRichJpeg(3));
    EXPECT_EQ(frame.sequence, 0u);
    EXPECT_EQ(m_io->queuedCount(), m_io->bufferCount()) << "the older ones went back to the driver";

    for (uint8_t tag : {4, 5}) ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(tag), tag * kSecond));
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.data, MarkerRichJpeg(5));
    EXPECT_EQ(frame.sequence, 2u) << "the skipped frame shows as a gap";
}

TEST_F(CameraTest, ExposureStartDependsOnWhatTheTimestampMarks) {
    ASSERT_FALSE(m_camera.start());
    const int64_t interval = kSecond / 30;
    Frame frame;

    ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(), 10 * kSecond));  // end of frame
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.exposureStartNs, 10 * kSecond - interval);

    m_dev.timestampFlags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
    ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(), 11 * kSecond));
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.exposureStartNs, 11 * kSecond);

    m_dev.timestampFlags = V4L2_BUF_FLAG_TIMESTAMP_COPY;
    ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(), 12 * kSecond));
    const int64_t before = MonotonicNowNs();
    ASSERT_FALSE(m_camera.readFrame(frame));
    const int64_t after = MonotonicNowNs();
    EXPECT_GE(frame.exposureStartNs, before - interval) << "a copied stamp is not our clock";
    EXPECT_LE(frame.exposureStartNs, after - interval);
}

TEST_F(CameraTest, UnplugDuringStreamingIsDeviceGone) {
    ASSERT_FALSE(m_camera.start());
    ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(), kSecond));
    Frame frame;
    ASSERT_FALSE(m_camera.readFrame(frame));

    m_io->unplug();
    const Error e = m_camera.readFrame(frame);
    EXPECT_EQ(e.kind, ErrorKind::DeviceGone);
    EXPECT_NE(e.message.find("Desk Cam"), std::string::npos) << e.message;
    m_camera.stop();
    EXPECT_EQ(m_io->openDescriptors(), 0);
}

TEST_F(CameraTest, EioIsDeviceGoneOnlyWhenTheDeviceStopsAnswering) {
    ASSERT_FALSE(m_camera.start());
    m_io->failDequeue(EIO);
    Frame frame;
    EXPECT_EQ(m_camera.readFrame(frame).kind, ErrorKind::Io);
    m_io->unplug(EIO);
    EXPECT_EQ(m_camera.readFrame(frame).kind, ErrorKind::DeviceGone);
}

TEST_F(CameraTest, RestartsAfterStop) {
    ASSERT_FALSE(m_camera.start());
    m_camera.stop();
    EXPECT_EQ(m_io->openDescriptors(), 0);
    EXPECT_FALSE(m_io->streaming());
    Frame frame;
    EXPECT_EQ(m_camera.readFrame(frame).kind, ErrorKind::Io);

    ASSERT_FALSE(m_camera.start());
    ASSERT_TRUE(m_io->deliver(MarkerRichJpeg(), kSecond));
    ASSERT_FALSE(m_camera.readFrame(frame));
    EXPECT_EQ(frame.sequence, 0u);
}

}  // namespace
}  // namespace media
