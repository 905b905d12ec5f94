// The stills camera against the scripted one: detection, live view, presses fast and slow, and
// each failure a body has, all on the camera's own thread.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "fake_gphoto_io.h"
#include "media/devices/live_source.h"
#include "media/stills/stills_detection.h"
#include "media/stills/stills_live_view.h"

namespace media {
namespace {

using namespace std::chrono_literals;
using testing::FakeCall;
using testing::FakeGphotoIo;

const DetectedCamera kScene{std::string(kSceneCameraModel), std::string(kSceneCameraPort)};

// Collects the camera's events as the GUI thread would receive them.
class EventLog {
public:
    void add(const StillsEvent& e) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(e);
        m_changed.notify_all();
    }
    // The first event of `kind`, waiting for it.
    std::optional<StillsEvent> waitFor(StillsEventKind kind, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(m_mutex);
        std::optional<StillsEvent> found;
        m_changed.wait_for(lock, timeout, [&] {
            for (const StillsEvent& e : m_events) {
                if (e.kind == kind) found = e;
            }
            return found.has_value();
        });
        return found;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<StillsEvent> m_events;
};

class StillsCameraTest : public ::testing::Test {
protected:
    StillsCameraTest() {
        auto io = std::make_unique<FakeGphotoIo>();
        m_fake = io.get();
        m_camera = std::make_shared<StillsCamera>(std::move(io), kScene);
        m_camera->setEventListener([this](const StillsEvent& e) { m_log.add(e); });
    }
    ~StillsCameraTest() override { m_camera->setEventListener(nullptr); }

    FakeGphotoIo* m_fake;  // owned by the camera
    std::shared_ptr<StillsCamera> m_camera;
    EventLog m_log;
};

TEST(StillsDetection, NamesTwinsByPortAndFollowsPlugging) {
    FakeGphotoIo io;
    const DetectedCamera a{"Canon EOS 80D", "usb:001,004"};
    const DetectedCamera b{"Canon EOS 80D", "usb:001,007"};
    const DetectedCamera c{"Nikon Z 6", "usb:002,002"};
    io.setAttached({a, c, a, b});  // one listed twice, as some drivers do
    std::vector<StillsCameraEntry> before;
    ASSERT_FALSE(ListStillsCameras(io, before));
    const std::vector<StillsCameraEntry> expected = {
        {a, "Canon EOS 80D (usb:001,004)"}, {c, "Nikon Z 6"}, {b, "Canon EOS 80D (usb:001,007)"}};
    EXPECT_EQ(before, expected);

    io.setAttached({b, DetectedCamera{"Sony A7", "usb:003,001"}});
    std::vector<StillsCameraEntry> after;
    ASSERT_FALSE(ListStillsCameras(io, after));
    const StillsCameraChanges changes = CompareDetections(before, after);
    EXPECT_EQ(changes.added, std::vector<DetectedCamera>({{"Sony A7", "usb:003,001"}}));
    EXPECT_EQ(changes.removed, std::vector<DetectedCamera>({a, c}));
    EXPECT_EQ(after[0].label, "Canon EOS 80D");  // no longer a twin
}

TEST_F(StillsCameraTest, LiveViewStreamsThroughTheCaptureThreadAndEveryCallStaysOnOneThread) {
    LiveSource live;
    ASSERT_FALSE(live.start(std::make_unique<StillsLiveView>(m_camera)));
    EXPECT_EQ(live.format().format, PixelFormat::Mjpeg);
    EXPECT_EQ(live.format().width, testing::SmallCamera().liveView.width);
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, 2s, frame));
    ASSERT_FALSE(m_camera->requestStill());
    EXPECT_TRUE(m_log.waitFor(StillsEventKind::StillTaken));
    live.stop();
    EXPECT_EQ(m_camera->serial(), "0000TESTSTILLS");
    const auto threads = m_fake->threads();
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_FALSE(threads.count(std::this_thread::get_id()));
}

TEST_F(StillsCameraTest, UnpluggedDuringLiveViewEndsTheStreamAndIsFoundAgainWhenBack) {
    LiveSource live;
    ASSERT_FALSE(live.start(std::make_unique<StillsLiveView>(m_camera)));
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, 2s, frame));
    m_fake->setAttached({});
    m_fake->fail(FakeCall::Preview, GP_ERROR_IO_USB_FIND);
    EXPECT_TRUE(m_log.waitFor(StillsEventKind::Disconnected));
    for (int i = 0; i < 200 && live.streaming(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(live.streaming());
    EXPECT_EQ(live.failure().kind, ErrorKind::DeviceGone);
    live.stop();
    // Tried again while away, found again once plugged back in.
    EXPECT_FALSE(m_log.waitFor(StillsEventKind::Reconnected, StillsCamera::kReconnectInterval * 2));
    m_fake->setAttached({kScene});
    EXPECT_TRUE(m_log.waitFor(StillsEventKind::Reconnected));
    EXPECT_GE(m_fake->calls(FakeCall::Open), 3);
}

TEST_F(StillsCameraTest, ASlowStillRefusesFurtherPressesAndPausesLiveViewUntilItEnds) {
    ASSERT_FALSE(m_camera->open());
    m_camera->setLiveViewWanted(true);
    m_fake->holdCaptures(true);
    ASSERT_FALSE(m_camera->requestStill());
    while (m_fake->calls(FakeCall::Capture) == 0) std::this_thread::sleep_for(1ms);
    const Error refused = m_camera->requestStill();
    EXPECT_EQ(refused.kind, ErrorKind::DeviceBusy);
    EXPECT_NE(refused.message.find("being taken"), std::string::npos);
    const int previews = m_fake->calls(FakeCall::Preview);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(m_fake->calls(FakeCall::Preview), previews);
    EXPECT_FALSE(m_camera->waitForStill(1ms));

    m_fake->holdCaptures(false);
    EXPECT_TRUE(m_camera->waitForStill(5s));
    EXPECT_TRUE(m_log.waitFor(StillsEventKind::StillTaken));
    EXPECT_EQ(m_fake->calls(FakeCall::Capture), 1);
    std::vector<uint8_t> jpeg;
    uint64_t number = 0;
    EXPECT_FALSE(m_camera->waitForPreview(0, 2s, jpeg, number));  // live view back
}

TEST_F(StillsCameraTest, RawAndJpegArriveTogetherJpegFirst) {
    ASSERT_FALSE(m_camera->open());
    m_camera->post([](GphotoIo& io) -> std::optional<StillsEvent> {
        io.setConfig("imageformat", "RAW + Large Fine JPEG");
        return std::nullopt;
    });
    ASSERT_FALSE(m_camera->requestStill());
    const auto taken = m_log.waitFor(StillsEventKind::StillTaken);
    ASSERT_TRUE(taken);
    ASSERT_EQ(taken->still->files.size(), 2u);
    EXPECT_EQ(taken->still->files[0].name, "IMG_0001.JPG");
    EXPECT_EQ(taken->still->files[1].name, "IMG_0001.CR2");
}

TEST_F(StillsCameraTest, CaptureFailuresKeepNothingAndSayWhy) {
    struct Case {
        FakeCall call;
        int code;
        ErrorKind kind;
        bool stillOpen;
    };
    const Case cases[] = {
        {FakeCall::Capture, GP_ERROR_NO_SPACE, ErrorKind::DiskFull, true},
        {FakeCall::Capture, GP_ERROR_TIMEOUT, ErrorKind::Io, true},
        {FakeCall::Capture, GP_ERROR_CAMERA_BUSY, ErrorKind::Io, true},
        {FakeCall::Download, GP_ERROR_IO_READ, ErrorKind::DeviceGone, false},  // unplugged mid-download
    };
    for (const Case& c : cases) {
        EventLog log;
        m_camera->setEventListener([&](const StillsEvent& e) { log.add(e); });
        ASSERT_FALSE(m_camera->open());
        m_fake->fail(c.call, c.code);
        ASSERT_FALSE(m_camera->requestStill());
        const auto failed = log.waitFor(StillsEventKind::StillFailed);
        ASSERT_TRUE(failed) << c.code;
        EXPECT_EQ(failed->error.kind, c.kind) << failed->error.message;
        EXPECT_EQ(m_camera->lastStill(), nullptr);
        EXPECT_EQ(m_camera->isOpen(), c.stillOpen) << c.code;
        EXPECT_EQ(bool(log.waitFor(StillsEventKind::Disconnected, 100ms)), !c.stillOpen) << c.code;
        // Back by itself, as a body that dropped its session is.
        if (!c.stillOpen) {
            EXPECT_TRUE(log.waitFor(StillsEventKind::Reconnected));
        }
        m_camera->setEventListener(nullptr);
    }
    m_camera->setEventListener([this](const StillsEvent& e) { m_log.add(e); });
    ASSERT_FALSE(m_camera->requestStill());
    EXPECT_TRUE(m_log.waitFor(StillsEventKind::StillTaken));
}

TEST_F(StillsCameraTest, ACameraHeldByAnotherProgramNamesTheCauseAndTheFix) {
    m_fake->fail(FakeCall::Open, GP_ERROR_IO_USB_CLAIM);
    LiveSource live;
    const Error e = live.start(std::make_unique<StillsLiveView>(m_camera));
    EXPECT_EQ(e.kind, ErrorKind::DeviceBusy);
    EXPECT_NE(e.message.find("photo-import service"), std::string::npos) << e.message;
    EXPECT_EQ(m_camera->requestStill().kind, ErrorKind::DeviceGone);
}

TEST_F(StillsCameraTest, WithoutLiveViewThePreviewShowsEachStillLetterboxed) {
    m_fake->fail(FakeCall::Preview, GP_ERROR_NOT_SUPPORTED, -1);
    StillsLiveView view(m_camera);
    ASSERT_FALSE(view.start());
    EXPECT_TRUE(m_log.waitFor(StillsEventKind::LiveViewUnavailable));
    EXPECT_EQ(view.format().width, StillsLiveView::kNoLiveViewSize.width);
    Frame frame;
    EXPECT_EQ(view.readFrame(frame).kind, ErrorKind::Io);  // nothing to show yet
    ASSERT_FALSE(m_camera->requestStill());
    ASSERT_TRUE(m_camera->waitForStill(5s));
    ASSERT_FALSE(view.readFrame(frame));
    ASSERT_EQ(frame.format, PixelFormat::Rgb24);
    EXPECT_EQ(frame.width, StillsLiveView::kNoLiveViewSize.width);
    EXPECT_EQ(frame.height, StillsLiveView::kNoLiveViewSize.height);
    // A 3:2 still fills 960x640 exactly; no black rows at the top.
    EXPECT_GT(frame.data[0] + frame.data[1] + frame.data[2], 0);
}

}  // namespace
}  // namespace media
