// Recordings read back by our reader and by ffmpeg/ffprobe as a player would: frame count,
// interval, codec and the pictures themselves, identified by the test scene's stamps.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "media/avi/avi_reader.h"
#include "media/avi/avi_writer.h"
#include "media/avi/riff_builder.h"
#include "media/avi/take_editor.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/jpeg/preview.h"
#include "media/testscene/test_scene_source.h"
#include "allocation_watch.h"
#include "media_test_support.h"

namespace media {
namespace {

using testing::Append;
using testing::DecodeWithFfmpeg;
using testing::ExpectFrames;
using testing::ExpectStamps;
using testing::Probe;
using testing::Scene;
using testing::ScratchDir;
using testing::StampsOf;

constexpr uint32_t kInterval = testing::kInterval;

struct CodecCase {
    const char* name;
    AviVideoCodec codec;
    PixelFormat source;
    const char* ffmpegCodec;
    uint32_t compression;
    uint32_t handler;
    int width;
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.name; }

class AviRoundTripTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(AviRoundTripTest, PlayersSeeEveryFrameWithTheHeadersWeWrote) {
    const CodecCase c = GetParam();
    ScratchDir dir;
    const std::string path = dir.path("take.avi");
    TestSceneSource scene = Scene(c.source, c.width);
    ASSERT_FALSE(scene.start());
    AviWriterOptions options;
    options.codec = c.codec;
    AviWriter writer(options);
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 12));
    ASSERT_FALSE(writer.close());

    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    const AviHeaders& h = reader.headers();
    EXPECT_EQ(h.compression, c.compression);
    EXPECT_EQ(h.fccHandler, c.handler);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.bitmapWidth, c.width);
    EXPECT_EQ(h.bitmapHeight, 240);  // positive: bottom-up rows
    EXPECT_EQ(h.width, uint32_t(c.width));
    EXPECT_EQ(h.totalFrames, 12u);
    EXPECT_EQ(h.length, 12u);
    EXPECT_EQ(h.grandFrames, 12u);
    EXPECT_EQ(h.microSecPerFrame, kInterval);
    EXPECT_EQ(h.flags & kAviFlagHasIndex, kAviFlagHasIndex);
    uint32_t largest = 0;
    for (const AviChunkRef& f : reader.frames()) largest = std::max(largest, f.size);
    EXPECT_EQ(h.suggestedBufferSize, largest);
    EXPECT_EQ(h.streamSuggestedBufferSize, largest);
    // Every index describes the same chunks.
    EXPECT_EQ(reader.idx1Frames(), reader.openDmlIndexFrames());
    ExpectFrames(path, 12, c.width, 240);

    const testing::ProbeResult probe = Probe(path);
    EXPECT_TRUE(probe.ok);
    EXPECT_EQ(probe.codec, c.ffmpegCodec);
    EXPECT_EQ(probe.headerFrames, 12);
    EXPECT_EQ(probe.readFrames, 12);
    EXPECT_EQ(probe.frameRate, "25/1");
}

// Compressing or converting a frame reuses the buffers of the frame before.
TEST_P(AviRoundTripTest, LaterFramesAllocateNoFrameSizedBuffers) {
    const CodecCase c = GetParam();
    ScratchDir dir;
    TestSceneSource scene = Scene(c.source, c.width);
    ASSERT_FALSE(scene.start());
    Frame frame;
    ASSERT_FALSE(scene.readFrame(frame));
    AviWriter writer(AviWriterOptions{.codec = c.codec, .syncEachFrame = false});
    ASSERT_FALSE(writer.open(dir.path("take.avi")));
    ASSERT_FALSE(writer.appendFrame(frame, kInterval));
    kinoree::testing::g_frameSizedAllocations = 0;
    for (int i = 0; i < 3; ++i) ASSERT_FALSE(writer.appendFrame(frame, kInterval));
    EXPECT_EQ(kinoree::testing::g_frameSizedAllocations, 0);
}

INSTANTIATE_TEST_SUITE_P(Codecs, AviRoundTripTest,
                         ::testing::Values(CodecCase{"MjpegFromRgb24", AviVideoCodec::Mjpeg, PixelFormat::Rgb24,
                                                     "mjpeg", FourCC("MJPG"), FourCC("MJPG"), 320},
                                           CodecCase{"MjpegFromYuyv", AviVideoCodec::Mjpeg, PixelFormat::Yuyv, "mjpeg",
                                                     FourCC("MJPG"), FourCC("MJPG"), 320},
                                           CodecCase{"MjpegFromCamera", AviVideoCodec::Mjpeg, PixelFormat::Mjpeg,
                                                     "mjpeg", FourCC("MJPG"), FourCC("MJPG"), 320},
                                           CodecCase{"DibFromRgb24", AviVideoCodec::Dib, PixelFormat::Rgb24, "rawvideo",
                                                     0, FourCC("DIB "), 320},
                                           CodecCase{"DibFromCamera", AviVideoCodec::Dib, PixelFormat::Mjpeg,
                                                     "rawvideo", 0, FourCC("DIB "), 320},
                                           // 322 x 3 bytes is not a multiple of four: rows carry padding.
                                           CodecCase{"DibFromYuyvPaddedRows", AviVideoCodec::Dib, PixelFormat::Yuyv,
                                                     "rawvideo", 0, FourCC("DIB "), 322}),
                         [](const ::testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

TEST(AviWriterTest, UncompressedFramesArePixelExact) {
    ScratchDir dir;
    const std::string path = dir.path("exact.avi");
    TestSceneSource scene = Scene(PixelFormat::Yuyv, 322);
    ASSERT_FALSE(scene.start());
    AviWriter writer(AviWriterOptions{.codec = AviVideoCodec::Dib});
    ASSERT_FALSE(writer.open(path));
    std::vector<Frame> sent;
    for (int i = 0; i < 3; ++i) {
        Frame frame;
        ASSERT_FALSE(scene.readFrame(frame));
        ASSERT_FALSE(writer.appendFrame(frame, kInterval));
        Frame rgb;
        ASSERT_FALSE(FrameToRgb24(frame, rgb));
        sent.push_back(rgb);
    }
    ASSERT_FALSE(writer.close());
    const testing::FfmpegDecode decoded = DecodeWithFfmpeg(path, 322, 240);
    ASSERT_TRUE(decoded.ok) << decoded.errors;
    ASSERT_EQ(decoded.frames.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(decoded.frames[i].data, sent[i].data);
}

TEST(AviWriterTest, CameraJpegIsStoredCompleteWithoutPadding) {
    ScratchDir dir;
    const std::string path = dir.path("camera.avi");
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 3));
    ASSERT_FALSE(writer.close());

    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    for (const AviChunkRef& chunk : reader.frames()) {
        std::vector<uint8_t> jpeg;
        ASSERT_FALSE(reader.readChunk(chunk, jpeg));
        JpegLayout layout;
        ASSERT_FALSE(ParseJpeg(jpeg, layout));
        EXPECT_TRUE(layout.hasHuffmanTables);
        EXPECT_EQ(layout.end, jpeg.size());
    }
}

// The headers always carry the duration passed with the newest frame, also while recording.
TEST(AviWriterTest, HeadersFollowTheNewestFrameInterval) {
    ScratchDir dir;
    const std::string path = dir.path("rate.avi");
    TestSceneSource scene = Scene(PixelFormat::Rgb24);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    ASSERT_FALSE(writer.open(path));
    struct Step {
        uint32_t us;
        uint32_t scale;
        uint32_t rate;
        const char* ffprobeRate;
    };
    for (const Step& s :
         {Step{40000, 1, 25, "25/1"}, Step{66667, 66667, 1000000, "1000000/66667"}, Step{100000, 1, 10, "10/1"}}) {
        ASSERT_FALSE(Append(writer, scene, 1, s.us));
        AviReader reader;
        ASSERT_FALSE(reader.open(path));
        EXPECT_EQ(reader.headers().microSecPerFrame, s.us);
        EXPECT_EQ(reader.headers().scale, s.scale);
        EXPECT_EQ(reader.headers().rate, s.rate);
        EXPECT_EQ(Probe(path).frameRate, s.ffprobeRate);
    }
}

// Between frames, before close, the file is already complete.
TEST(AviWriterTest, FileIsCompleteAfterEveryFrame) {
    ScratchDir dir;
    const std::string path = dir.path("live.avi");
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer(AviWriterOptions{.indexBlockEntries = 3});
    ASSERT_FALSE(writer.open(path));
    for (int n = 1; n <= 7; ++n) {
        SCOPED_TRACE(n);
        ASSERT_FALSE(Append(writer, scene, 1));
        AviReader reader;
        ASSERT_FALSE(reader.open(path));
        EXPECT_EQ(reader.headers().length, uint32_t(n));
        EXPECT_EQ(reader.headers().totalFrames, uint32_t(n));
        EXPECT_EQ(reader.openDmlIndexFrames(), reader.scannedFrames());
        EXPECT_EQ(reader.openDmlIndexFrames()->size(), size_t(n));
        EXPECT_FALSE(reader.idx1Frames().has_value());  // written once, when the part ends
        EXPECT_EQ(Probe(path).readFrames, n);
    }
    ExpectFrames(path, 7, 320, 240);
}

// Reads the RIFF sizes of the parts back to front: each part must stay within the limit.
std::vector<uint64_t> PartSizes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint64_t> sizes;
    uint8_t h[12];
    for (uint64_t pos = 0; in.seekg(std::streamoff(pos)) && in.read(reinterpret_cast<char*>(h), 12);) {
        if (GetLe32(h) != FourCC("RIFF")) break;
        sizes.push_back(8 + uint64_t(GetLe32(h + 4)));
        pos += sizes.back();
    }
    return sizes;
}

TEST(AviWriterTest, LongRecordingContinuesInAvixParts) {
    ScratchDir dir;
    const std::string path = dir.path("long.avi");
    TestSceneSource scene = Scene(PixelFormat::Rgb24);
    ASSERT_FALSE(scene.start());
    AviWriterOptions options;
    options.riffSizeLimit = 300000;  // about a dozen frames per part
    options.indexBlockEntries = 5;
    AviWriter writer(options);
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 60));
    ASSERT_FALSE(writer.close());

    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    EXPECT_GE(reader.riffParts(), 3);
    const std::vector<uint64_t> parts = PartSizes(path);
    EXPECT_EQ(parts.size(), size_t(reader.riffParts()));
    for (uint64_t size : parts) EXPECT_LE(size, options.riffSizeLimit);
    EXPECT_EQ(reader.headers().length, 60u);
    EXPECT_EQ(reader.headers().grandFrames, 60u);
    // idx1 and avih count the first part only.
    ASSERT_TRUE(reader.idx1Frames().has_value());
    EXPECT_EQ(reader.headers().totalFrames, reader.idx1Frames()->size());
    EXPECT_LT(reader.idx1Frames()->size(), 60u);
    EXPECT_TRUE(std::equal(reader.idx1Frames()->begin(), reader.idx1Frames()->end(), reader.scannedFrames().begin()));
    ExpectFrames(path, 60, 320, 240);
    const testing::ProbeResult probe = Probe(path);
    EXPECT_EQ(probe.readFrames, 60);
    EXPECT_EQ(probe.headerFrames, 60);
}

TEST(AviWriterTest, RefusedFramesLeaveTheRecordingAsItWas) {
    ScratchDir dir;
    const std::string path = dir.path("refuse.avi");
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    ASSERT_FALSE(scene.start());
    AviWriter writer;
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 2));

    Frame frame;
    ASSERT_FALSE(scene.readFrame(frame));
    Frame truncated = frame;
    truncated.data.resize(frame.data.size() / 2);
    EXPECT_EQ(writer.appendFrame(truncated, kInterval).kind, ErrorKind::BadFrame);
    TestSceneSource larger = Scene(PixelFormat::Mjpeg, 640, 480);
    Frame otherSize;
    ASSERT_FALSE(larger.start());
    ASSERT_FALSE(larger.readFrame(otherSize));
    EXPECT_EQ(writer.appendFrame(otherSize, kInterval).kind, ErrorKind::BadFrame);
    Frame mislabelled = otherSize;  // a 640x480 picture that claims the recording's size
    mislabelled.width = 320;
    mislabelled.height = 240;
    EXPECT_EQ(writer.appendFrame(mislabelled, kInterval).kind, ErrorKind::BadFrame);
    EXPECT_EQ(writer.appendFrame(frame, 0).kind, ErrorKind::BadFrame);
    EXPECT_EQ(writer.frameCount(), 2u);

    // The recording goes on: the refused frame's number is simply missing.
    ASSERT_FALSE(Append(writer, scene, 1));
    ASSERT_FALSE(writer.close());
    const testing::FfmpegDecode decoded = DecodeWithFfmpeg(path, 320, 240);
    EXPECT_TRUE(decoded.ok) << decoded.errors;
    EXPECT_EQ(StampsOf(decoded.frames), (std::vector<int64_t>{0, 1, 3}));
}

TEST(AviWriterTest, ReopeningReplacesAnOldLongerFile) {
    ScratchDir dir;
    const std::string path = dir.path("again.avi");
    for (int frames : {20, 5}) {
        TestSceneSource scene = Scene(PixelFormat::Rgb24);
        ASSERT_FALSE(scene.start());
        AviWriter writer;
        ASSERT_FALSE(writer.open(path));
        ASSERT_FALSE(Append(writer, scene, frames));
        ASSERT_FALSE(writer.close());
    }
    ExpectFrames(path, 5, 320, 240);
    EXPECT_EQ(Probe(path).readFrames, 5);
}

TEST(AviWriterTest, CreatesMissingFolders) {
    ScratchDir dir;
    const std::string path = dir.path("a/b/c/take.avi");
    AviWriter writer;
    ASSERT_FALSE(writer.open(path));
    TestSceneSource scene = Scene(PixelFormat::Rgb24);
    ASSERT_FALSE(scene.start());
    ASSERT_FALSE(Append(writer, scene, 1));
    ASSERT_FALSE(writer.close());
    ExpectFrames(path, 1, 320, 240);
}

TEST(AviWriterTest, ReportsWhyAFileCannotBeWritten) {
    ScratchDir dir;
    // Tests may run as root, which may write anywhere: a folder that is a file stops it too.
    std::ofstream(dir.path("plain")) << "x";
    AviWriter writer;
    Error e = writer.open(dir.path("plain/take.avi"));
    EXPECT_EQ(e.kind, ErrorKind::CannotCreate);
    EXPECT_NE(e.message.find(dir.path("plain")), std::string::npos) << e.message;
    EXPECT_FALSE(writer.isOpen());

    e = writer.open(dir.path("plain/deeper/take.avi"));
    EXPECT_EQ(e.kind, ErrorKind::CannotCreate);

    struct stat st {};
    if (stat("/dev/full", &st) == 0) {
        e = writer.open("/dev/full");
        EXPECT_EQ(e.kind, ErrorKind::DiskFull) << e.message;
    }

    Frame frame;
    EXPECT_EQ(writer.appendFrame(frame, kInterval).kind, ErrorKind::Io);
}

TEST(AviWriterTest, FullIndexRefusesFurtherFrames) {
    ScratchDir dir;
    const std::string path = dir.path("full.avi");
    TestSceneSource scene = Scene(PixelFormat::Rgb24);
    ASSERT_FALSE(scene.start());
    AviWriter writer(AviWriterOptions{.indexBlockEntries = 2, .superIndexEntries = 2});
    ASSERT_FALSE(writer.open(path));
    ASSERT_FALSE(Append(writer, scene, 4));
    EXPECT_EQ(Append(writer, scene, 1).kind, ErrorKind::FileTooLarge);
    ASSERT_FALSE(writer.close());
    ExpectFrames(path, 4, 320, 240);
}

// The file size limit (RLIMIT_FSIZE) must end the recording with an error, not the process:
// the child ignores SIGXFSZ as the program does, and reports what it confirmed.
TEST(AviWriterTest, FileSizeLimitStopsTheRecordingCleanly) {
    ScratchDir dir;
    const std::string path = dir.path("limited.avi");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1200000, 1200000};
        setrlimit(RLIMIT_FSIZE, &limit);
        TestSceneSource scene = Scene(PixelFormat::Rgb24);
        AviWriter writer(AviWriterOptions{.codec = AviVideoCodec::Dib});
        if (scene.start() || writer.open(path)) _exit(2);
        Error e;
        while (!(e = Append(writer, scene, 1))) (void)!write(fds[1], "f", 1);
        // Closing after the failure still finishes the file.
        const bool closed = !writer.close();
        _exit(e.kind == ErrorKind::FileTooLarge && closed ? 0 : 3);
    }
    close(fds[1]);
    int confirmed = 0;
    for (char c; read(fds[0], &c, 1) == 1;) ++confirmed;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died from signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_GT(confirmed, 2);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_LE(st.st_size, 1200000);
    ExpectFrames(path, confirmed, 320, 240);
}

// Edits copy the frames they keep byte for byte, uncompressed ones included, and a kept frame
// keeps its identity, which is what pictures of it are remembered by.
TEST(AviWriterTest, EditsKeepEachFrameItselfInTheNewOrder) {
    ScratchDir dir;
    const std::string path = dir.path("edit.avi");
    for (const testing::TakeEdit& edit : testing::TakeEdits()) {
        SCOPED_TRACE(edit.name);
        TakeEditor editor(testing::SmallPartsOptions(AviVideoCodec::Dib));
        std::vector<Frame> shots;
        ASSERT_FALSE(testing::ShootTake(editor, path, 160, 120, shots));
        std::vector<std::vector<uint8_t>> stored(6);
        std::vector<uint64_t> ids;
        for (size_t i = 0; i < 6; ++i) {
            ASSERT_FALSE(editor.readFrame(i, stored[i]));
            ids.push_back(editor.frameId(i));
        }
        ASSERT_FALSE(edit.prepare(editor));
        ASSERT_FALSE(edit.edit(editor, shots[0]));
        ASSERT_EQ(editor.frameCount(), edit.after.size());

        AviReader reader;
        ASSERT_FALSE(reader.open(path));
        ASSERT_EQ(reader.frames().size(), edit.after.size());
        for (size_t i = 0; i < edit.after.size(); ++i) {
            const int64_t stamp = edit.after[i];
            if (stamp >= 6) continue;
            std::vector<uint8_t> bytes;
            ASSERT_FALSE(reader.readChunk(reader.frames()[i], bytes));
            EXPECT_EQ(bytes, stored[size_t(stamp)]) << "frame " << i;
            EXPECT_EQ(editor.frameId(i), ids[size_t(stamp)]) << "frame " << i;
        }
        ExpectStamps(path, edit.after, 160, 120);
        ASSERT_FALSE(editor.close());
    }
}

// Deleting the last frame costs about an append even when it began a new standard index: it is
// cut off in place, the file never rewritten, however many indexes the cuts go back across.
TEST(AviWriterTest, TheLastFrameIsCutOffInPlaceEvenWhenItBeganAnIndex) {
    ScratchDir dir;
    const std::string path = dir.path("edit.avi");
    AviWriterOptions options;
    options.indexBlockEntries = 2;  // frames 0 1 | 2 3 | 4 5
    TakeEditor editor(options);
    std::vector<Frame> shots;
    ASSERT_FALSE(testing::ShootTake(editor, path, 160, 120, shots));
    const auto inode = [&] {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const ino_t shot = inode();
    ASSERT_FALSE(editor.deleteFrame(5));
    ASSERT_FALSE(editor.deleteFrame(4));  // it began the third index
    ExpectStamps(path, {0, 1, 2, 3}, 160, 120);
    EXPECT_EQ(inode(), shot);
    ASSERT_FALSE(editor.appendFrame(shots[0], kInterval));  // a third index again
    ASSERT_FALSE(editor.deleteFrame(4));
    EXPECT_EQ(inode(), shot);
    ASSERT_FALSE(editor.deleteFrame(3));
    ASSERT_FALSE(editor.deleteFrame(2));  // back into the first index, read back from its copy
    ExpectStamps(path, {0, 1}, 160, 120);
    EXPECT_EQ(inode(), shot);
    ASSERT_FALSE(editor.close());
    ExpectStamps(path, {0, 1}, 160, 120);
}

// A shot that does not fit is refused with nothing left of the rewrite begun for it, and the
// only frame stays until its replacement is shot.
TEST(AviWriterTest, EditsThatCannotBeDoneAreRefusedAndLoseNothing) {
    ScratchDir dir;
    const std::string path = dir.path("edit.avi");
    TakeEditor editor;
    std::vector<Frame> shots;
    ASSERT_FALSE(testing::ShootTake(editor, path, 160, 120, shots));
    TestSceneSource scene = Scene(PixelFormat::Mjpeg);
    Frame larger;
    ASSERT_FALSE(scene.start() || scene.readFrame(larger));
    EXPECT_EQ(editor.insertFrame(2, larger, kInterval).kind, ErrorKind::BadFrame);
    EXPECT_FALSE(std::filesystem::exists(OutputFile::unfinishedPath(path)));
    for (int i = 0; i < 5; ++i) ASSERT_FALSE(editor.deleteFrame(0));
    const Error only = editor.deleteFrame(0);
    EXPECT_EQ(only.kind, ErrorKind::Unsupported);
    EXPECT_NE(only.message.find("shoot its replacement first"), std::string::npos) << only.message;
    ASSERT_FALSE(editor.close());
    ExpectStamps(path, {5}, 160, 120);
}

// An edit is shown once it has taken half a second, to its end.
TEST(AviWriterTest, ASlowEditTellsItsProgressToTheEnd) {
    ScratchDir dir;
    TakeEditor editor;
    std::vector<Frame> shots;
    ASSERT_FALSE(testing::ShootTake(editor, dir.path("edit.avi"), 160, 120, shots));
    std::vector<uint64_t> told;
    editor.setProgress([&](uint64_t done, uint64_t total) {
        EXPECT_EQ(total, 5u);
        told.push_back(done);
    });
    int copies = 0;
    editor.setFileHook([&](const FileChange& change) {
        // The third frame's copy meets a slow disk.
        if (change.op == FileOperation::Write && change.data.empty() && ++copies == 3) {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        }
        return 0;
    });
    ASSERT_FALSE(editor.deleteFrame(0));
    EXPECT_EQ(told, (std::vector<uint64_t>{3, 4, 5}));
}

}  // namespace
}  // namespace media
