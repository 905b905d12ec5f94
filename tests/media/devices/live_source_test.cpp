#include "media/devices/live_source.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <thread>

#include "scripted_source.h"

namespace media {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedSource;
using testing::SourceScript;

// Long enough never to expire on a loaded machine; the tests only wait this long when broken.
constexpr auto kPatience = 10s;

uint8_t TagOf(const std::shared_ptr<const Frame>& f) { return f ? f->data.at(0) : 0; }

class LiveSourceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_live.start(std::make_unique<ScriptedSource>(m_script))); }

    // Feeds a frame and returns once the capture thread has published it.
    void feed(int64_t startNs, uint8_t tag) {
        m_script->frame(startNs, tag);
        std::shared_ptr<const Frame> f;
        ASSERT_FALSE(m_live.waitForFrameStartedAfter(startNs - 1, kPatience, f));
        ASSERT_EQ(f->exposureStartNs, startNs);
    }

    std::future<std::pair<Error, std::shared_ptr<const Frame>>> waitAsync(int64_t requestNs,
                                                                          std::chrono::milliseconds timeout) {
        return std::async(std::launch::async, [=, this] {
            std::shared_ptr<const Frame> f;
            Error e = m_live.waitForFrameStartedAfter(requestNs, timeout, f);
            return std::make_pair(e, f);
        });
    }

    std::shared_ptr<SourceScript> m_script = std::make_shared<SourceScript>();
    LiveSource m_live;
};

TEST_F(LiveSourceTest, HoldsTheNewestFrameAndCountsThem) {
    EXPECT_EQ(m_live.newest(), nullptr);
    feed(100, 1);
    feed(200, 2);
    EXPECT_EQ(TagOf(m_live.newest()), 2);
    EXPECT_EQ(m_live.frameCount(), 2u);
    EXPECT_TRUE(m_live.streaming());
    EXPECT_EQ(m_live.sourceName(), "Scripted");
}

TEST_F(LiveSourceTest, CaptureWaitsForAFrameThatBeganAfterTheRequest) {
    feed(100, 1);
    auto capture = waitAsync(150, kPatience);

    feed(140, 2);  // sat in the queue since before the request
    feed(150, 3);  // began at the very moment of the request
    EXPECT_EQ(capture.wait_for(20ms), std::future_status::timeout) << "took a frame from before the press";

    feed(160, 4);
    auto [error, frame] = capture.get();
    EXPECT_FALSE(error) << error.message;
    EXPECT_EQ(TagOf(frame), 4);
}

TEST_F(LiveSourceTest, CaptureTakesAFreshFrameAlreadyThere) {
    feed(200, 7);
    std::shared_ptr<const Frame> f;
    ASSERT_FALSE(m_live.waitForFrameStartedAfter(150, 0ms, f));
    EXPECT_EQ(TagOf(f), 7);
}

TEST_F(LiveSourceTest, CaptureTimesOutWhenNoFreshFrameComes) {
    feed(100, 1);
    std::shared_ptr<const Frame> f;
    const Error e = m_live.waitForFrameStartedAfter(100, 30ms, f);
    EXPECT_EQ(e.kind, ErrorKind::Io);
    EXPECT_EQ(f, nullptr);
    EXPECT_TRUE(m_live.streaming()) << "a late frame does not end the stream";
}

TEST_F(LiveSourceTest, DeviceGoneEndsTheStreamAndReachesWaiters) {
    feed(100, 1);
    auto capture = waitAsync(100, kPatience);
    m_script->failure(ErrorKind::DeviceGone);
    auto [error, frame] = capture.get();
    EXPECT_EQ(error.kind, ErrorKind::DeviceGone);
    EXPECT_EQ(m_live.failure().kind, ErrorKind::DeviceGone);
    EXPECT_FALSE(m_live.streaming());
    EXPECT_TRUE(m_script->stopped) << "the vanished device is released at once";
    EXPECT_EQ(TagOf(m_live.newest()), 1) << "the last picture stays for the preview";

    std::shared_ptr<const Frame> f;
    EXPECT_EQ(m_live.waitForFrameStartedAfter(100, kPatience, f).kind, ErrorKind::DeviceGone)
        << "later captures fail at once";
}

TEST_F(LiveSourceTest, TransientErrorsDoNotEndTheStream) {
    m_script->failure(ErrorKind::Io);
    feed(100, 1);
    EXPECT_FALSE(m_live.failure());
    EXPECT_TRUE(m_live.streaming());
}

TEST_F(LiveSourceTest, StopWakesAWaitingCaptureAndStopsTheSource) {
    auto capture = waitAsync(0, 60s);
    ASSERT_EQ(capture.wait_for(20ms), std::future_status::timeout) << "nothing came to end the wait";
    m_live.stop();
    ASSERT_EQ(capture.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(capture.get().first.kind, ErrorKind::Io);
    EXPECT_TRUE(m_script->stopped);
    EXPECT_FALSE(m_live.streaming());
    EXPECT_FALSE(m_live.failure()) << "stopping is not a failure";
}

TEST_F(LiveSourceTest, RestartsWithAFreshSource) {
    feed(100, 1);
    m_live.stop();
    auto second = std::make_shared<SourceScript>();
    ASSERT_FALSE(m_live.start(std::make_unique<ScriptedSource>(second)));
    EXPECT_EQ(m_live.newest(), nullptr);
    EXPECT_EQ(m_live.frameCount(), 0u);
    second->frame(300, 3);
    std::shared_ptr<const Frame> f;
    ASSERT_FALSE(m_live.waitForFrameStartedAfter(0, kPatience, f));
    EXPECT_EQ(TagOf(f), 3);
}

TEST(LiveSourceStart, ReturnsTheSourcesStartFailure) {
    auto script = std::make_shared<SourceScript>();
    script->startError = {ErrorKind::DeviceBusy, "busy"};
    LiveSource live;
    EXPECT_EQ(live.start(std::make_unique<ScriptedSource>(script)).kind, ErrorKind::DeviceBusy);
    EXPECT_FALSE(live.streaming());
    std::shared_ptr<const Frame> f;
    EXPECT_TRUE(live.waitForFrameStartedAfter(0, 0ms, f));
}

TEST_F(LiveSourceTest, ListenerSeesEveryFrameOnTheCaptureThreadUntilRemoved) {
    std::mutex m;
    std::condition_variable called;
    std::vector<uint8_t> seen;
    std::thread::id listenerThread;
    m_live.setFrameListener([&](const std::shared_ptr<const Frame>& f) {
        std::lock_guard lock(m);
        seen.push_back(TagOf(f));
        listenerThread = std::this_thread::get_id();
        called.notify_all();
    });
    feed(100, 1);
    feed(200, 2);
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(called.wait_for(lock, kPatience, [&] { return seen.size() == 2; }));
    }
    m_live.setFrameListener(nullptr);
    feed(300, 3);
    std::lock_guard lock(m);
    EXPECT_EQ(seen, (std::vector<uint8_t>{1, 2}));
    EXPECT_NE(listenerThread, std::this_thread::get_id());
}

TEST_F(LiveSourceTest, FramesHeldByOthersAreNeverOverwritten) {
    feed(100, 1);
    const auto held = m_live.newest();
    std::shared_ptr<const Frame> viaListener;
    m_live.setFrameListener([&](const std::shared_ptr<const Frame>& f) {
        if (TagOf(f) == 2) viaListener = f;
    });
    for (uint8_t tag = 2; tag < 8; ++tag) feed(tag * 100, tag);
    EXPECT_EQ(held->data, std::vector<uint8_t>(3, 1));
    EXPECT_EQ(viaListener->data, std::vector<uint8_t>(3, 2));
    EXPECT_EQ(TagOf(m_live.newest()), 7);
}

}  // namespace
}  // namespace media
