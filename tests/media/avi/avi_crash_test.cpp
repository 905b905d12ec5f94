// A recording killed at any moment must leave a file players read without complaint, holding
// every frame the writer had confirmed, or, before the first, the video the path held before. The recording runs in a
// child process that is killed with SIGKILL, either at a chosen file operation (optionally after writing only part of
// its data) or after a random delay. An edit of the take killed at any file operation must leave the take as it was
// before the edit or as it is after it.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "media/avi/avi_reader.h"
#include "media/avi/avi_writer.h"
#include "media/avi/take_editor.h"
#include "media/testscene/test_scene_source.h"
#include "media_test_support.h"

namespace media {
namespace {

using testing::DecodeWithFfmpeg;
using testing::ScratchDir;
using testing::StampsOf;

constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct Recording {
    AviWriterOptions options;
    PixelFormat sourceFormat = PixelFormat::Mjpeg;
    int frames = 8;
};

Recording SmallRecording(AviVideoCodec codec) {
    Recording r;
    r.options = testing::SmallPartsOptions(codec);
    return r;
}

// What the child reports through the pipe.
constexpr char kOpened = 'o';
constexpr char kFrameConfirmed = 'f';
constexpr char kClosed = 'c';
constexpr char kEdited = 'e';

// Records in this process; reports progress to `reportFd`. Never returns.
[[noreturn]] void RecordAndExit(const std::string& path, const Recording& plan, int reportFd, FileOperationHook hook) {
    TestSceneOptions sceneOptions;
    sceneOptions.width = kWidth;
    sceneOptions.height = kHeight;
    sceneOptions.format = plan.sourceFormat;
    sceneOptions.realTime = false;
    TestSceneSource scene(sceneOptions);
    AviWriter writer(plan.options);
    writer.setFileHook(std::move(hook));
    if (scene.start() || writer.open(path)) _exit(2);
    (void)!write(reportFd, &kOpened, 1);
    for (int i = 0; i < plan.frames; ++i) {
        Frame frame;
        if (scene.readFrame(frame) || writer.appendFrame(frame, 40000)) _exit(3);
        (void)!write(reportFd, &kFrameConfirmed, 1);
    }
    if (writer.close()) _exit(4);
    (void)!write(reportFd, &kClosed, 1);
    _exit(0);
}

struct ChildOutcome {
    bool opened = false;
    int confirmed = 0;
    bool closed = false;
    bool killed = false;
};

ChildOutcome Collect(pid_t pid, int readFd) {
    ChildOutcome outcome;
    char c;
    while (read(readFd, &c, 1) == 1) {
        if (c == kOpened) outcome.opened = true;
        if (c == kFrameConfirmed) ++outcome.confirmed;
        if (c == kClosed || c == kEdited) outcome.closed = true;
    }
    close(readFd);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return outcome;
}

// Kills the process at file operation `killAt` (counting from 0). With `partial`, a write is
// first carried out for half of its bytes, as when the kill lands inside the system call.
FileOperationHook KillAt(int killAt, bool partial) {
    // Shared by every copy: an edit hands the hook on to the file it rewrites the take in.
    auto seen = std::make_shared<int>(0);
    return [killAt, partial, seen](const FileChange& change) {
        if ((*seen)++ != killAt) return 0;
        if (partial && change.op == FileOperation::Write && change.data.size() > 1) {
            const int fd = ::open(std::string(change.path).c_str(), O_WRONLY);
            (void)!pwrite(fd, change.data.data(), change.data.size() / 2, off_t(change.offset));
            ::close(fd);
        }
        raise(SIGKILL);
        return 0;
    };
}

ChildOutcome RecordKilledAt(const std::string& path, const Recording& plan, int killAt, bool partial) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        RecordAndExit(path, plan, fds[1], KillAt(killAt, partial));
    }
    close(fds[1]);
    return Collect(pid, fds[0]);
}

// The file operations of a whole recording, in order.
std::vector<FileOperation> Operations(const std::string& path, const Recording& plan) {
    constexpr char kOperation = '0';  // a digit: the operation's number, apart from the progress letters
    std::vector<FileOperation> operations;
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        RecordAndExit(path, plan, fds[1], [&](const FileChange& change) {
            const char c = char(kOperation + int(change.op));
            (void)!write(fds[1], &c, 1);
            return 0;
        });
    }
    close(fds[1]);
    char c;
    while (read(fds[0], &c, 1) == 1) {
        if (c >= kOperation && c <= '9') operations.push_back(FileOperation(c - kOperation));
    }
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return operations;
}

// What the path held before the take: it must stay whole until the take has a frame.
std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

const std::string& OldTake() {
    static const std::string bytes(100000, 'o');
    return bytes;
}

void PlantOldTake(const std::string& path) { std::ofstream(path, std::ios::binary) << OldTake(); }

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Until a frame is confirmed the path may still hold the old take, whole. Otherwise the file
// must decode in ffmpeg without any error, starting with every confirmed frame in order; at
// most the frame being written when the process died may follow. Our reader must agree with
// its index. Killed between two writes (not inside one), every count of the frames agrees.
void ExpectIntact(const std::string& path, const ChildOutcome& outcome, const std::string& when,
                  bool betweenWrites = false) {
    SCOPED_TRACE(when);
    if (Contents(path) == OldTake()) {
        EXPECT_EQ(outcome.confirmed, 0) << "confirmed frames are not at the path";
        return;
    }
    // The new take replaces the old one only once it holds a frame.
    ASSERT_TRUE(outcome.opened) << "the old take was lost before the new one began";
    const testing::FfmpegDecode decoded = DecodeWithFfmpeg(path, kWidth, kHeight);
    ASSERT_TRUE(decoded.ok) << decoded.errors;
    const std::vector<int64_t> stamps = StampsOf(decoded.frames);
    ASSERT_GE(int(stamps.size()), std::max(outcome.confirmed, 1));
    ASSERT_LE(int(stamps.size()), outcome.confirmed + 1);
    EXPECT_EQ(stamps, testing::Sequence(int64_t(stamps.size())));

    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    EXPECT_EQ(reader.scannedFrames().size(), stamps.size());
    ASSERT_TRUE(reader.openDmlIndexFrames().has_value());
    const std::vector<AviChunkRef>& indexed = *reader.openDmlIndexFrames();
    ASSERT_GE(int(indexed.size()), outcome.confirmed);
    ASSERT_LE(indexed.size(), stamps.size());
    EXPECT_TRUE(std::equal(indexed.begin(), indexed.end(), reader.scannedFrames().begin()));
    if (!betweenWrites) return;
    const AviHeaders& h = reader.headers();
    EXPECT_EQ(h.length, indexed.size());
    EXPECT_EQ(h.grandFrames, indexed.size());
    EXPECT_EQ(h.superIndexDuration, indexed.size());
    if (reader.idx1Frames()) EXPECT_EQ(reader.idx1Frames()->size(), h.totalFrames);
}

// Where the folder takes no new names (`namesLocked`), the old take is rewritten in place, and
// a kill in the middle of that rewrite may cost it, as the user is warned; before it, nothing.
void KillAtEveryOperation(AviVideoCodec codec, PixelFormat source, bool namesLocked = false) {
    ScratchDir dir;
    const std::string path = dir.path("crash.avi");
    Recording plan = SmallRecording(codec);
    plan.sourceFormat = source;
    PlantOldTake(path);
    if (namesLocked) ASSERT_TRUE(testing::SetImmutable(FolderOf(path), true)) << "no immutable flag here";
    const std::vector<FileOperation> operations = Operations(path, plan);
    ASSERT_GT(int(operations.size()), plan.frames * 4);
    const auto reserve = std::find(operations.begin(), operations.end(), FileOperation::Reserve);
    ASSERT_EQ(reserve != operations.end(), namesLocked);
    const int rewriteBegins = int(reserve - operations.begin()) + 1;
    const int rewriteEnds = int(std::find(reserve, operations.end(), FileOperation::Sync) - operations.begin());
    for (int killAt = 0; killAt < int(operations.size()); ++killAt) {
        for (bool partial : {false, true}) {
            PlantOldTake(path);
            const ChildOutcome outcome = RecordKilledAt(path, plan, killAt, partial);
            ASSERT_TRUE(outcome.killed);
            if (namesLocked && killAt >= rewriteBegins && killAt <= rewriteEnds) continue;
            ExpectIntact(path, outcome,
                         "killed at operation " + std::to_string(killAt) + " of " + std::to_string(operations.size()) +
                             (partial ? " inside the write" : ""),
                         !partial);
            if (::testing::Test::HasFatalFailure()) break;
        }
        if (::testing::Test::HasFatalFailure()) break;
    }
    if (namesLocked) testing::SetImmutable(FolderOf(path), false);
}

TEST(AviCrashTest, MjpegFileSurvivesAKillAtEveryFileOperation) {
    KillAtEveryOperation(AviVideoCodec::Mjpeg, PixelFormat::Mjpeg);
}

TEST(AviCrashTest, UncompressedFileSurvivesAKillAtEveryFileOperation) {
    KillAtEveryOperation(AviVideoCodec::Dib, PixelFormat::Rgb24);
}

TEST(AviCrashTest, FileRewrittenInPlaceSurvivesAKillAtEveryFileOperation) {
    KillAtEveryOperation(AviVideoCodec::Mjpeg, PixelFormat::Mjpeg, true);
}

// Real kills land wherever the child happens to be, system calls included.
TEST(AviCrashTest, FileSurvivesKillsAfterRandomDelays) {
    ScratchDir dir;
    const std::string path = dir.path("random.avi");
    Recording plan = SmallRecording(AviVideoCodec::Mjpeg);
    plan.frames = 1000;
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(0, 60000);
    for (int round = 0; round < 24; ++round) {
        PlantOldTake(path);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            RecordAndExit(path, plan, fds[1], nullptr);
        }
        close(fds[1]);
        const int delay = delayUs(random);
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
        kill(pid, SIGKILL);
        const ChildOutcome outcome = Collect(pid, fds[0]);
        ExpectIntact(path, outcome,
                     "killed after " + std::to_string(delay) + " us, " + std::to_string(outcome.confirmed) +
                         " frames confirmed");
        if (HasFatalFailure()) return;
    }
}

// Shoots the take, prepares the edit, then carries it out with `hook` watching its file
// operations. Never returns.
[[noreturn]] void EditAndExit(const std::string& path, const testing::TakeEdit& edit, int reportFd,
                              FileOperationHook hook) {
    TakeEditor editor(testing::SmallPartsOptions(AviVideoCodec::Mjpeg));
    std::vector<Frame> shots;
    if (testing::ShootTake(editor, path, kWidth, kHeight, shots) || edit.prepare(editor)) _exit(2);
    editor.setFileHook(std::move(hook));
    (void)!write(reportFd, &kOpened, 1);
    if (edit.edit(editor, shots[0])) _exit(3);
    (void)!write(reportFd, &kEdited, 1);
    _exit(0);
}

int CountEditOperations(const std::string& path, const testing::TakeEdit& edit) {
    int operations = 0;
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        EditAndExit(path, edit, fds[1], [&](const FileChange&) { return int(write(fds[1], "x", 1) < 0); });
    }
    close(fds[1]);
    char c;
    while (read(fds[0], &c, 1) == 1) operations += c == 'x';
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return operations;
}

// Both the player that walks the chunks and the reader that follows the index see the take as
// it was or as it is after the edit, the latter once the edit returned.
void ExpectBeforeOrAfter(const std::string& path, const testing::TakeEdit& edit, bool edited) {
    const testing::FfmpegDecode decoded = DecodeWithFfmpeg(path, kWidth, kHeight);
    ASSERT_TRUE(decoded.ok) << decoded.errors;
    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    std::vector<Frame> indexed(reader.frames().size());
    for (size_t i = 0; i < indexed.size(); ++i) ASSERT_FALSE(reader.decodeFrame(i, indexed[i]));
    for (const std::vector<int64_t>& seen : {StampsOf(decoded.frames), StampsOf(indexed)}) {
        if (edited) {
            EXPECT_EQ(seen, edit.after);
        } else {
            EXPECT_TRUE(seen == edit.before || seen == edit.after) << ::testing::PrintToString(seen);
        }
    }
}

TEST(AviCrashTest, AnEditKilledAtAnyFileOperationLeavesTheTakeBeforeOrAfterIt) {
    ScratchDir dir;
    const std::string path = dir.path("edit.avi");
    for (const testing::TakeEdit& edit : testing::TakeEdits()) {
        const int operations = CountEditOperations(path, edit);
        ASSERT_GT(operations, 2) << edit.name;
        for (int killAt = 0; killAt < operations; ++killAt) {
            for (bool partial : {false, true}) {
                SCOPED_TRACE(std::string(edit.name) + ", killed at operation " + std::to_string(killAt) + " of " +
                             std::to_string(operations) + (partial ? " inside the write" : ""));
                int fds[2];
                ASSERT_EQ(pipe(fds), 0);
                const pid_t pid = fork();
                if (pid == 0) {
                    close(fds[0]);
                    EditAndExit(path, edit, fds[1], KillAt(killAt, partial));
                }
                close(fds[1]);
                const ChildOutcome outcome = Collect(pid, fds[0]);
                ASSERT_TRUE(outcome.opened && outcome.killed);
                ExpectBeforeOrAfter(path, edit, outcome.closed);
                if (HasFailure()) return;
            }
        }
    }
}

}  // namespace
}  // namespace media
