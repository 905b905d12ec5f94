#include "media_test_support.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "media/avi/avi_reader.h"
#include "media/testscene/frame_stamp.h"

namespace media::testing {
namespace {

void ReadBoth(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out : err).append(buffer, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv) {
    CommandResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        const int devNull = ::open("/dev/null", 0);
        dup2(devNull, 0);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    ReadBoth(outPipe[0], errPipe[0], result.out, result.err);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

ScratchDir::ScratchDir() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp ? tmp : "/tmp") + "/kinoree-media-XXXXXX";
    m_dir = mkdtemp(pattern.data());
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

FfmpegDecode DecodeWithFfmpeg(const std::string& path, int width, int height) {
    const CommandResult r = RunCommand(
        {"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    FfmpegDecode d;
    d.errors = r.err;
    d.ok = r.exitCode == 0 && r.err.empty();
    const size_t frameBytes = size_t(width) * size_t(height) * 3;
    for (size_t at = 0; frameBytes && at + frameBytes <= r.out.size(); at += frameBytes) {
        Frame f;
        f.width = width;
        f.height = height;
        f.data.assign(r.out.begin() + at, r.out.begin() + at + frameBytes);
        d.frames.push_back(std::move(f));
    }
    if (frameBytes && r.out.size() % frameBytes != 0) {
        d.ok = false;
        d.errors += "output is not a whole number of frames";
    }
    return d;
}

ProbeResult Probe(const std::string& path) {
    const CommandResult r =
        RunCommand({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                    "stream=codec_name,r_frame_rate,nb_frames,nb_read_frames", "-of", "default=nw=1", path});
    ProbeResult p;
    p.ok = r.exitCode == 0 && r.err.empty();
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "codec_name") p.codec = value;
        if (key == "r_frame_rate") p.frameRate = value;
        if (key == "nb_frames" && value != "N/A") p.headerFrames = std::stoll(value);
        if (key == "nb_read_frames" && value != "N/A") p.readFrames = std::stoll(value);
    }
    return p;
}

std::vector<int64_t> StampsOf(const std::vector<Frame>& frames) {
    std::vector<int64_t> stamps;
    for (const Frame& f : frames) {
        const std::optional<uint64_t> s = ReadFrameStamp(f);
        stamps.push_back(s ? int64_t(*s) : -1);
    }
    return stamps;
}

std::vector<int64_t> Sequence(int64_t count) {
    std::vector<int64_t> s;
    for (int64_t i = 0; i < count; ++i) s.push_back(i);
    return s;
}

TestSceneSource Scene(PixelFormat format, int width, int height) {
    TestSceneOptions o;
    o.width = width;
    o.height = height;
    o.format = format;
    o.realTime = false;
    return TestSceneSource(o);
}

Error Append(AviWriter& writer, TestSceneSource& scene, int count, uint32_t interval) {
    for (int i = 0; i < count; ++i) {
        Frame frame;
        if (Error e = scene.readFrame(frame)) return e;
        if (Error e = writer.appendFrame(frame, interval)) return e;
    }
    return Error::none();
}

void ExpectStamps(const std::string& path, const std::vector<int64_t>& stamps, int width, int height) {
    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    EXPECT_EQ(reader.scannedFrames(), reader.frames());
    std::vector<Frame> ours;
    for (size_t i = 0; i < reader.frames().size(); ++i) {
        Frame rgb;
        EXPECT_FALSE(reader.decodeFrame(i, rgb));
        ours.push_back(rgb);
    }
    EXPECT_EQ(StampsOf(ours), stamps);

    const FfmpegDecode decoded = DecodeWithFfmpeg(path, width, height);
    EXPECT_TRUE(decoded.ok) << decoded.errors;
    EXPECT_EQ(StampsOf(decoded.frames), stamps);
}

void ExpectFrames(const std::string& path, int count, int width, int height) {
    ExpectStamps(path, Sequence(count), width, height);
}

const std::vector<TakeEdit>& TakeEdits() {
    auto none = [](TakeEditor&) { return Error::none(); };
    auto deleting = [](size_t index) { return [index](TakeEditor& e, const Frame&) { return e.deleteFrame(index); }; };
    auto undo = [](TakeEditor& e, const Frame&) { return e.undoDelete(); };
    static const std::vector<TakeEdit> edits = {
        {"delete the last frame", none, deleting(5), Sequence(6), {0, 1, 2, 3, 4}},
        {"delete the last frame, the first of its standard index",
         [](TakeEditor& e) { return e.deleteFrame(5); },
         deleting(4),
         {0, 1, 2, 3, 4},
         {0, 1, 2, 3}},
        {"delete the first frame", none, deleting(0), Sequence(6), {1, 2, 3, 4, 5}},
        {"delete a middle frame", none, deleting(3), Sequence(6), {0, 1, 2, 4, 5}},
        {"insert a shot in the middle",
         none,
         [](TakeEditor& e, const Frame& shot) { return e.insertFrame(2, shot, kInterval); },
         Sequence(6),
         {0, 1, 6, 2, 3, 4, 5}},
        {"undo deleting the last frame",
         [](TakeEditor& e) { return e.deleteFrame(5); },
         undo,
         {0, 1, 2, 3, 4},
         Sequence(6)},
        {"undo deleting a middle frame",
         [](TakeEditor& e) { return e.deleteFrame(1); },
         undo,
         {0, 2, 3, 4, 5},
         Sequence(6)},
    };
    return edits;
}

AviWriterOptions SmallPartsOptions(AviVideoCodec codec) {
    AviWriterOptions o;
    o.codec = codec;
    o.indexBlockEntries = 2;
    o.riffSizeLimit = codec == AviVideoCodec::Mjpeg ? 40000 : 200000;
    return o;
}

Error ShootTake(TakeEditor& editor, const std::string& path, int width, int height, std::vector<Frame>& shots) {
    TestSceneSource scene = Scene(PixelFormat::Mjpeg, width, height);
    if (Error e = scene.start()) return e;
    // Shot without syncs, which only a power cut would miss: the tests cut no power while
    // shooting, and run many takes.
    editor.setSyncEachFrame(false);
    if (Error e = editor.open(path)) return e;
    shots.assign(8, Frame{});
    for (Frame& f : shots) {
        if (Error e = scene.readFrame(f)) return e;
    }
    for (int i = 0; i < 6; ++i) {
        if (Error e = editor.appendFrame(shots[size_t(i)], kInterval)) return e;
    }
    shots.erase(shots.begin(), shots.begin() + 6);
    editor.setSyncEachFrame(true);
    return Error::none();
}

}  // namespace media::testing
