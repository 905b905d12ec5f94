// From a press's still to the take's frame, and the pair of them on disk: the frame has the
// still's proportions and picture, and neither counts unless both are written.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "fake_gphoto_io.h"
#include "media/avi/avi_reader.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_encoder.h"
#include "media/avi/take_editor.h"
#include "media/stills/still_frame.h"
#include "media/testscene/frame_stamp.h"
#include "media/testscene/scene_painter.h"
#include "media_test_support.h"

namespace media {
namespace {

using testing::ScratchDir;

TEST(TakeFrameSize, KeepsTheStillsProportionsWithAnEvenHeight) {
    struct Case {
        FrameSize still;
        int width;
        FrameSize frame;
    };
    const Case cases[] = {
        {{6000, 4000}, 1920, {1920, 1280}},  // 3:2
        {{6000, 4000}, 1280, {1280, 854}},   // 853.3 rounds to the even 854
        {{6000, 3376}, 1920, {1920, 1080}},  // 16:9 as sensors crop it
        {{4000, 6000}, 1280, {1280, 1920}},  // portrait
        {{6000, 4000}, 3840, {3840, 2560}},  // larger than the still's reduction
        {{6000, 100}, 960, {960, 16}},
    };
    for (const Case& c : cases) EXPECT_EQ(TakeFrameSize(c.still, c.width), c.frame) << c.width;
}

// A still of the test scene showing `number`.
std::vector<uint8_t> SceneStill(uint64_t number, FrameSize size) {
    Frame rgb{PixelFormat::Rgb24, size.width, size.height, {}, 0, 0};
    rgb.data.resize(size_t(size.width) * size_t(size.height) * 3);
    PaintTestScene(number, size.width, size.height, rgb.data.data());
    std::vector<uint8_t> jpeg;
    EXPECT_FALSE(EncodeJpeg(rgb, 90, jpeg));
    return jpeg;
}

TEST(StillToFrame, ShowsTheStillAtTheTakesSizeFromAReducedDecode) {
    const std::vector<uint8_t> jpeg = SceneStill(77, {1200, 800});
    for (int width : {320, 600, 1280}) {  // below, at and above a reduction's size
        Frame frame;
        ASSERT_FALSE(StillToFrame(jpeg, width, frame));
        EXPECT_EQ((FrameSize{frame.width, frame.height}), TakeFrameSize({1200, 800}, width));
        EXPECT_EQ(ReadFrameStamp(frame), 77u) << width;
    }
    Frame frame;
    const std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
    EXPECT_EQ(StillToFrame(cut, 320, frame).kind, ErrorKind::BadFrame);
}

Still SceneShot(uint64_t number) {
    Still still;
    still.files.push_back({"IMG.JPG", SceneStill(number, {300, 200})});
    return still;
}

TEST(RecordStill, AFrameCountsOnlyWithItsStillAndAFailedOneLeavesNeither) {
    struct Case {
        int failingFrame;  // the AVI refuses this frame (from 1)
    };
    for (const Case c : {Case{1}, Case{3}}) {
        ScratchDir dir;
        const std::string capture = dir.path("Capture.avi");
        TakeEditor avi;
        ASSERT_FALSE(avi.open(capture));
        StillsFolder stills(capture);
        ASSERT_FALSE(stills.beginTake());
        int frame = 0;
        avi.setFileHook([&](const FileChange& change) {
            return frame == c.failingFrame && change.op == FileOperation::Sync ? ENOSPC : 0;
        });
        std::vector<Still> shots;
        for (frame = 1; frame <= 3; ++frame) {
            shots.push_back(SceneShot(uint64_t(frame)));
            Frame rgb;
            ASSERT_FALSE(StillToFrame(shots.back().jpeg().data, 150, rgb));
            const Error e = RecordStill(stills, avi, shots.back(), rgb, 40000);
            EXPECT_EQ(bool(e), frame == c.failingFrame) << frame;
            EXPECT_EQ(stills.count(), avi.frameCount()) << frame;
        }
        ASSERT_FALSE(avi.close());
        const auto listed = ListStills(StillsFolderPath(capture));
        ASSERT_EQ(listed.size(), 2u);
        // The kept stills are the confirmed frames', byte for byte; the refused one is set aside.
        const std::string folder = StillsFolderPath(capture);
        int n = 0;
        for (int shot = 1; shot <= 3; ++shot) {
            if (shot == c.failingFrame) continue;
            std::ifstream in(folder + "/" + listed.at(uint64_t(++n)).front(), std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(bytes, shots[size_t(shot - 1)].jpeg().data) << shot;
        }
        EXPECT_EQ(std::filesystem::exists(folder + "/deleted/000003.jpg"), c.failingFrame == 3);
    }
}

// Records an old take of one shot, then a new one of three, killed at file operation `killAt`
// of the new take (the AVI's and the stills' counted together).
void RecordKilledAt(const std::string& capture, int killAt) {
    {
        TakeEditor avi;
        StillsFolder stills(capture);
        Frame rgb;
        if (avi.open(capture) || stills.beginTake() || StillToFrame(SceneShot(100).jpeg().data, 150, rgb) ||
            RecordStill(stills, avi, SceneShot(100), rgb, 40000)) {
            _exit(2);
        }
    }
    int seen = 0;
    const FileOperationHook hook = [&](const FileChange&) {
        if (seen++ == killAt) raise(SIGKILL);
        return 0;
    };
    TakeEditor avi;
    avi.setFileHook(hook);
    StillsFolder stills(capture);
    stills.setHook(hook);
    if (stills.recover(1) || avi.open(capture) || stills.beginTake()) _exit(3);
    for (uint64_t shot = 1; shot <= 3; ++shot) {
        Frame rgb;
        if (StillToFrame(SceneShot(shot).jpeg().data, 150, rgb) ||
            RecordStill(stills, avi, SceneShot(shot), rgb, 40000)) {
            _exit(4);
        }
    }
    _exit(avi.close() ? 5 : 0);
}

TEST(RecordStill, AKillAtAnyFileOperationLeavesEachFrameWithItsOwnStill) {
    for (int killAt = 0;; ++killAt) {
        ScratchDir dir;
        const std::string capture = dir.path("Capture.avi");
        const pid_t pid = fork();
        if (pid == 0) RecordKilledAt(capture, killAt);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == 0) << killAt;
        AviReader reader;
        ASSERT_FALSE(reader.open(capture)) << killAt;
        const size_t frames = reader.frames().size();
        StillsFolder stills(capture);
        ASSERT_FALSE(stills.recover(frames)) << killAt;
        const std::string folder = StillsFolderPath(capture);
        const auto listed = ListStills(folder);
        ASSERT_EQ(listed.size(), frames) << killAt;
        for (size_t i = 0; i < frames; ++i) {
            Frame frame;
            Frame still;
            std::ifstream in(folder + "/" + listed.at(i + 1).front(), std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ASSERT_FALSE(reader.decodeFrame(i, frame)) << killAt;
            ASSERT_FALSE(DecodeJpegToRgb(bytes, still)) << killAt;
            ASSERT_TRUE(ReadFrameStamp(still)) << killAt;
            EXPECT_EQ(ReadFrameStamp(frame), ReadFrameStamp(still)) << "killed at " << killAt << ", frame " << i;
        }
        if (!WIFSIGNALED(status)) break;
    }
}

// The stamps of the take's frames and of its stills, in their orders.
std::pair<std::vector<uint64_t>, std::vector<uint64_t>> Orders(const TakeEditor& avi, const std::string& folder) {
    std::pair<std::vector<uint64_t>, std::vector<uint64_t>> orders;
    for (size_t i = 0; i < avi.frameCount(); ++i) {
        std::vector<uint8_t> jpeg;
        Frame rgb;
        if (avi.readFrame(i, jpeg) || DecodeJpegToRgb(jpeg, rgb)) return {};
        orders.first.push_back(ReadFrameStamp(rgb).value_or(0));
    }
    for (const auto& [number, names] : ListStills(folder)) {
        std::ifstream in(folder + "/" + names.front(), std::ios::binary);
        const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Frame rgb;
        if (DecodeJpegToRgb(jpeg, rgb)) return {};
        orders.second.push_back(ReadFrameStamp(rgb).value_or(0));
    }
    return orders;
}

TEST(TakeEdits, StillsFollowTheEditorThroughInsertsDeletesAndUndos) {
    ScratchDir dir;
    const std::string capture = dir.path("Capture.avi");
    TakeEditor avi;
    ASSERT_FALSE(avi.open(capture));
    StillsFolder stills(capture);
    ASSERT_FALSE(stills.beginTake());
    const auto shoot = [&](uint64_t n, size_t at) {
        const Still still = SceneShot(n);
        Frame rgb;
        ASSERT_FALSE(StillToFrame(still.jpeg().data, 150, rgb));
        ASSERT_FALSE(InsertStill(stills, avi, at, still, rgb, 40000));
    };
    for (uint64_t n = 1; n <= 4; ++n) shoot(n, avi.frameCount());
    ASSERT_FALSE(DeleteFrameWithStill(stills, avi, 2));  // 3 goes; it followed 2
    shoot(5, 0);
    // Back after the frame it followed, which has moved on: 5 1 2 3 4.
    ASSERT_FALSE(UndoDeleteWithStill(stills, avi));
    ASSERT_FALSE(DeleteFrameWithStill(stills, avi, 1));
    EXPECT_EQ(DeleteFrameWithStill(stills, avi, 9).kind, ErrorKind::BadFrame);
    const auto [frames, stillsOrder] = Orders(avi, StillsFolderPath(capture));
    EXPECT_EQ(frames, std::vector<uint64_t>({5, 2, 3, 4}));
    EXPECT_EQ(stillsOrder, frames);
}

TEST(RecordStill, ATakeBeingRecordedKeepsItsStillsFromAnotherStartsRecovery) {
    ScratchDir dir;
    const std::string capture = dir.path("Capture.avi");
    for (int frames : {0, 1}) {  // before and after the take's first frame
        TakeEditor avi;
        ASSERT_FALSE(avi.open(capture));
        StillsFolder stills(capture);
        ASSERT_FALSE(stills.beginTake());
        const Still shot = SceneShot(1);
        Frame rgb;
        ASSERT_FALSE(StillToFrame(shot.jpeg().data, 150, rgb));
        if (frames) {
            ASSERT_FALSE(RecordStill(stills, avi, shot, rgb, 40000));
        }
        EXPECT_EQ(StillsFolder(capture).recover(0).kind, ErrorKind::DeviceBusy) << frames;
        EXPECT_EQ(ListStills(stills.folder()).size(), size_t(frames)) << frames;
        EXPECT_TRUE(std::filesystem::exists(stills.folder())) << frames;
    }
}

TEST(RecordFrame, AWebcamTakeSetsTheOlderTakesStillsAsideWithItsFirstFrame) {
    ScratchDir dir;
    const std::string capture = dir.path("Capture.avi");
    const Still shot = SceneShot(1);
    Frame rgb;
    ASSERT_FALSE(StillToFrame(shot.jpeg().data, 150, rgb));
    {
        TakeEditor avi;
        ASSERT_FALSE(avi.open(capture));
        StillsFolder stills(capture);
        ASSERT_FALSE(stills.beginTake());
        ASSERT_FALSE(RecordStill(stills, avi, shot, rgb, 40000));
    }
    StillsFolder stills(capture);
    ASSERT_FALSE(stills.recover(1));
    TakeEditor avi;
    ASSERT_FALSE(avi.open(capture));
    ASSERT_FALSE(stills.beginTake());
    for (int i = 0; i < 2; ++i) ASSERT_FALSE(RecordFrame(stills, avi, rgb, 40000));
    ASSERT_FALSE(avi.close());
    const std::string folder = StillsFolderPath(capture);
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_FALSE(std::filesystem::exists(folder + ".unfinished"));
    EXPECT_EQ(ListStills(folder + ".1").size(), 1u);
    EXPECT_FALSE(StillsFolder(capture).recover(2));  // nothing missing: the take has no stills
}

}  // namespace
}  // namespace media
