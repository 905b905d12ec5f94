// The camera code against v4l2loopback, which passes on whatever a producer writes: MJPEG in
// a whole-buffer payload, and a format only software conversion can read.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "guest_support.h"
#include "media/devices/buffer_timing.h"
#include "media/devices/live_source.h"
#include "media/devices/v4l2_camera.h"

namespace media {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 10s;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

bool DecodesCompletely(const std::vector<uint8_t>& jpeg) {
    tjhandle h = tjInitDecompress();
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    const int r = tjDecompress2(h, jpeg.data(), jpeg.size(), rgb.data(), kWidth, 0, kHeight, TJPF_RGB, 0);
    // Warnings (such as premature end of data) fail too: the image must be whole.
    const bool clean = r == 0 && tjGetErrorCode(h) != TJERR_WARNING;
    tjDestroy(h);
    return clean;
}

// Writes numbered JPEG frames into the loopback at about 30 per second, each padded to the
// whole buffer with the tail of an older frame, as some drivers hand frames over.
class MjpegProducer {
public:
    explicit MjpegProducer(guest::LoopbackWriter& writer) : m_writer(writer) {
        for (uint8_t tag = 0; tag < 8; ++tag) m_jpegs.push_back(guest::MakeJpeg(kWidth, kHeight, tag));
    }
    ~MjpegProducer() { stopFeeding(); }

    bool writeFrame() {
        const size_t n = m_written++;
        const auto& jpeg = m_jpegs[n % m_jpegs.size()];
        const auto& older = m_jpegs[(n + 3) % m_jpegs.size()];
        std::vector<uint8_t> buffer(m_writer.frameBytes(), 0);
        std::copy(older.begin(), older.end(), buffer.begin());
        std::copy(jpeg.begin(), jpeg.end(), buffer.begin());
        return m_writer.write(buffer);
    }

    void startFeeding() {
        m_feeding = true;
        m_thread = std::thread([this] {
            while (m_feeding) {
                writeFrame();
                std::this_thread::sleep_for(33ms);
            }
        });
    }
    void stopFeeding() {
        m_feeding = false;
        if (m_thread.joinable()) m_thread.join();
    }

    // Which written frame `data` is: its index among the distinct pictures, or -1.
    int pictureOf(const std::vector<uint8_t>& data) const {
        const auto it = std::find(m_jpegs.begin(), m_jpegs.end(), data);
        return it == m_jpegs.end() ? -1 : int(it - m_jpegs.begin());
    }
    size_t written() const { return m_written; }
    const std::vector<uint8_t>& picture(size_t i) const { return m_jpegs[i]; }

private:
    guest::LoopbackWriter& m_writer;
    std::vector<std::vector<uint8_t>> m_jpegs;
    std::atomic<size_t> m_written = 0;
    std::atomic<bool> m_feeding = false;
    std::thread m_thread;
};

class LoopbackMjpeg : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_path.empty()) << "the MJPEG loopback device is missing";
        ASSERT_TRUE(m_writer.ok()) << m_writer.failure();
        ASSERT_GT(m_writer.frameBytes(), m_producer.picture(0).size() * 2);
        ASSERT_TRUE(m_producer.writeFrame()) << "the reader can only start once a frame is there";
    }

    std::string m_path = guest::NodeNamed("loopback-mjpeg");
    guest::LoopbackWriter m_writer{m_path, V4L2_PIX_FMT_MJPEG, kWidth, kHeight};
    MjpegProducer m_producer{m_writer};
};

TEST_F(LoopbackMjpeg, FramesComeBackWholeAndCutAtTheirEnd) {
    V4l2Camera camera(m_path);
    const Error e = camera.start();
    ASSERT_FALSE(e) << e.message;
    EXPECT_EQ(camera.fourcc(), uint32_t(V4L2_PIX_FMT_MJPEG));
    EXPECT_FALSE(camera.converted()) << "MJPEG must bypass libv4l2's conversion";
    EXPECT_EQ(camera.format().width, kWidth);
    EXPECT_EQ(camera.format().height, kHeight);

    m_producer.startFeeding();
    for (int i = 0; i < 5; ++i) {
        Frame frame;
        const Error r = camera.readFrame(frame);
        ASSERT_FALSE(r) << r.message;
        EXPECT_EQ(frame.format, PixelFormat::Mjpeg);
        EXPECT_GE(m_producer.pictureOf(frame.data), 0)
            << "got " << frame.data.size() << " bytes, not one of the JPEGs written";
        EXPECT_TRUE(DecodesCompletely(frame.data));
    }
}

TEST_F(LoopbackMjpeg, LiveCaptureTakesAFrameWrittenAfterTheRequest) {
    LiveSource live;
    const Error e = live.start(std::make_unique<V4l2Camera>(m_path));
    ASSERT_FALSE(e) << e.message;
    m_producer.startFeeding();
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, kPatience, frame));

    for (int press = 0; press < 3; ++press) {
        const size_t writtenBefore = m_producer.written();
        const int64_t request = MonotonicNowNs();
        const Error r = live.waitForFrameStartedAfter(request, kPatience, frame);
        ASSERT_FALSE(r) << r.message;
        const size_t writtenAfter = m_producer.written();
        ASSERT_GE(m_producer.pictureOf(frame->data), 0);
        // Without a driver timestamp the frame cannot have been among those written before.
        ASSERT_GT(writtenAfter, writtenBefore);
        const int picture = m_producer.pictureOf(frame->data);
        bool writtenLater = false;
        for (size_t n = writtenBefore; n < writtenAfter; ++n) writtenLater |= int(n % 8) == picture;
        EXPECT_TRUE(writtenLater);
    }
}

// The capture thread moves from one device to another, as choosing a device in the Source
// dialog makes it, and the loopback offers the MJPEG it carries first.
TEST_F(LoopbackMjpeg, TheCaptureThreadSwitchesFromVividToTheLoopbackAndBack) {
    const std::string vivid = guest::NodeNamed("vivid-000-vid-cap");
    LiveSource live;
    ASSERT_FALSE(live.start(std::make_unique<V4l2Camera>(vivid)));
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, kPatience, frame));
    EXPECT_EQ(frame->format, PixelFormat::Yuyv);

    m_producer.startFeeding();
    const Error e = live.start(std::make_unique<V4l2Camera>(m_path));
    ASSERT_FALSE(e) << e.message;
    EXPECT_EQ(live.offeredFormats().front().format, PixelFormat::Mjpeg);
    ASSERT_FALSE(live.waitForFrameStartedAfter(MonotonicNowNs(), kPatience, frame));
    EXPECT_GE(m_producer.pictureOf(frame->data), 0);

    ASSERT_FALSE(live.start(std::make_unique<V4l2Camera>(vivid)));
    ASSERT_FALSE(live.waitForFrameStartedAfter(MonotonicNowNs(), kPatience, frame));
    EXPECT_EQ(frame->format, PixelFormat::Yuyv);
}

TEST(LoopbackConverted, UnreadableFormatIsConvertedToRgb) {
    const std::string path = guest::NodeNamed("loopback-uyvy");
    ASSERT_FALSE(path.empty());
    constexpr int w = 320, h = 240;
    guest::LoopbackWriter writer(path, V4L2_PIX_FMT_UYVY, w, h);
    ASSERT_TRUE(writer.ok()) << writer.failure();
    // Pure red in BT.601 limited range: Y 81, U (Cb) 90, V (Cr) 240; UYVY is U Y0 V Y1.
    std::vector<uint8_t> red;
    for (int i = 0; i < w * h / 2; ++i) red.insert(red.end(), {90, 81, 240, 81});
    red.resize(writer.frameBytes(), 0);
    ASSERT_TRUE(writer.write(red));

    V4l2Camera camera(path);
    const Error e = camera.start();
    ASSERT_FALSE(e) << e.message;
    EXPECT_TRUE(camera.converted());
    EXPECT_EQ(camera.format().format, PixelFormat::Rgb24);

    std::atomic<bool> feeding = true;
    std::thread feeder([&] {
        while (feeding) {
            writer.write(red);
            std::this_thread::sleep_for(33ms);
        }
    });
    Frame frame;
    const Error r = camera.readFrame(frame);
    feeding = false;
    feeder.join();
    ASSERT_FALSE(r) << r.message;
    ASSERT_EQ(frame.data.size(), size_t(w) * h * 3);
    const uint8_t* centre = &frame.data[(size_t(h / 2) * w + w / 2) * 3];
    EXPECT_GT(centre[0], 200);
    EXPECT_LT(centre[1], 60);
    EXPECT_LT(centre[2], 60);
}

}  // namespace
}  // namespace media
