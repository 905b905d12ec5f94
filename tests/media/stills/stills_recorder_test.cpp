// Presses on a stills camera through to the take: each confirmed frame is its still's picture, in
// the order of the presses, and a press that fails or is refused leaves the take as it was.
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>

#include <gtest/gtest.h>

#include "fake_gphoto_io.h"
#include "media/avi/avi_reader.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/stills/stills_recorder.h"
#include "media/testscene/frame_stamp.h"
#include "media_test_support.h"

namespace media {
namespace {

using namespace std::chrono_literals;
using testing::FakeCall;
using testing::FakeGphotoIo;

std::optional<uint64_t> StampOfJpeg(const std::vector<uint8_t>& jpeg) {
    Frame rgb;
    if (DecodeJpegToRgb(jpeg, rgb)) return std::nullopt;
    return ReadFrameStamp(rgb);
}

TEST(StillsRecorder, PressesBecomeFramesInOrderAndAFailedOrRefusedOneChangesNothing) {
    testing::ScratchDir dir;
    const std::string capture = dir.path("Capture.avi");
    auto io = std::make_unique<FakeGphotoIo>();
    FakeGphotoIo* fake = io.get();
    auto camera = std::make_shared<StillsCamera>(
        std::move(io), DetectedCamera{std::string(kSceneCameraModel), std::string(kSceneCameraPort)});
    ASSERT_FALSE(camera->open());
    TakeEditor avi;
    ASSERT_FALSE(avi.open(capture));
    StillsFolder stills(capture);
    ASSERT_FALSE(stills.beginTake());

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<PressOutcome> outcomes;
    StillsRecorder recorder(camera, stills, avi, 240, 40000, [&](const PressOutcome& o) {
        std::lock_guard lock(mutex);
        outcomes.push_back(o);
        changed.notify_all();
    });
    camera->setEventListener([&](const StillsEvent& e) { recorder.cameraEvent(e); });
    const auto outcome = [&](size_t n) {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, 5s, [&] { return outcomes.size() >= n; }));
        return outcomes.back();
    };
    const auto pressAndWait = [&] {
        const size_t before = outcomes.size();
        const Error e = recorder.press();
        EXPECT_FALSE(e) << e.message;
        return outcome(before + 1);
    };

    EXPECT_EQ(pressAndWait().frames, 1u);
    fake->holdCaptures(true);
    ASSERT_FALSE(recorder.press());
    EXPECT_EQ(recorder.press().kind, ErrorKind::DeviceBusy);  // refused, never queued
    fake->holdCaptures(false);
    EXPECT_EQ(outcome(2).frames, 2u);

    fake->fail(FakeCall::Download, GP_ERROR_IO_READ);  // unplugged mid-download
    const PressOutcome failed = pressAndWait();
    EXPECT_EQ(failed.error.kind, ErrorKind::DeviceGone);
    EXPECT_EQ(failed.frames, 2u);
    EXPECT_EQ(recorder.press().kind, ErrorKind::DeviceGone);  // until reconnected
    ASSERT_FALSE(camera->open());
    EXPECT_EQ(pressAndWait().frames, 3u);
    camera->setEventListener(nullptr);
    ASSERT_FALSE(avi.close());

    // Frame n shows still n's picture, and still n is the camera's file byte for byte.
    std::vector<std::shared_ptr<const Still>> confirmed;
    for (const PressOutcome& o : outcomes) {
        if (!o.error) confirmed.push_back(o.still);
    }
    ASSERT_EQ(confirmed.size(), 3u);
    AviReader reader;
    ASSERT_FALSE(reader.open(capture));
    ASSERT_EQ(reader.frames().size(), 3u);
    const auto listed = ListStills(StillsFolderPath(capture));
    ASSERT_EQ(listed.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        std::ifstream in(StillsFolderPath(capture) + "/" + listed.at(i + 1).front(), std::ios::binary);
        const std::vector<uint8_t> kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(kept, confirmed[i]->jpeg().data) << i;
        Frame frame;
        ASSERT_FALSE(reader.decodeFrame(i, frame));
        EXPECT_EQ(ReadFrameStamp(frame), StampOfJpeg(kept)) << i;
    }
}

}  // namespace
}  // namespace media
