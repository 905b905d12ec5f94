// What one 1080p frame costs the recorder, against the programs it should beat: compressing and
// appending an RGB frame through the writer (without and with its two syncs) against bare
// TurboJPEG and against FFmpeg as a whole process, and storing a camera's JPEG as it came
// against a plain write and fdatasync of the same bytes. Rounds alternate between the
// measurements, so that a busy moment on a shared machine spreads over all of them; each figure
// is the median of its rounds, each comparison the median of its rounds' ratios. Run through
// bench/run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <turbojpeg.h>

#include "media/avi/avi_writer.h"
#include "media/jpeg/huffman_tables.h"
#include "media/testscene/test_scene_source.h"
#include "disk_bench_main.h"

extern char** environ;

namespace media {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kDistinctFrames = 12;  // cycled: enough variety, little memory
constexpr uint32_t kInterval = 40000;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "frame_cost: %s\n", what.c_str());
    std::exit(1);
}

std::vector<Frame> SceneFrames(PixelFormat format) {
    TestSceneOptions o;
    o.width = kWidth;
    o.height = kHeight;
    o.format = format;
    o.realTime = false;
    TestSceneSource scene(o);
    if (scene.start()) Fail("cannot start the test scene");
    std::vector<Frame> frames(kDistinctFrames);
    for (Frame& f : frames) {
        if (scene.readFrame(f)) Fail("cannot paint a test frame");
    }
    return frames;
}

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Two kinds of work on the same frames, taking turns frame by frame so that a busy moment on the
// machine falls on both alike. Which goes first alternates too: the second finds the frame in
// the processor's cache. Returns the milliseconds per frame of each.
std::pair<double, double> Interleaved(int count, const std::function<void(int)>& one,
                                      const std::function<void(int)>& other) {
    Clock::duration a{}, b{};
    const auto timed = [](const std::function<void(int)>& work, int i, Clock::duration& sum) {
        const auto start = Clock::now();
        work(i);
        sum += Clock::now() - start;
    };
    for (int i = 0; i < count; ++i) {
        if (i % 2) {
            timed(other, i, b);
            timed(one, i, a);
        } else {
            timed(one, i, a);
            timed(other, i, b);
        }
    }
    return {Ms(a) / count, Ms(b) / count};
}

// A recording with the writer's defaults; the caller times the appends.
class Recording {
public:
    Recording(const std::string& path, bool sync) : m_writer(AviWriterOptions{.syncEachFrame = sync}) {
        if (Error e = m_writer.open(path)) Fail(e.message);
    }
    ~Recording() {
        if (Error e = m_writer.close()) Fail(e.message);
    }
    void append(const Frame& frame) {
        if (Error e = m_writer.appendFrame(frame, kInterval)) Fail(e.message);
    }

private:
    AviWriter m_writer;
};

// The writer's own compression alone: same quality and subsampling, a buffer made once.
class BareTurboJpeg {
public:
    BareTurboJpeg() : m_handle(tjInitCompress()), m_buffer(tjBufSize(kWidth, kHeight, TJSAMP_422)) {}
    ~BareTurboJpeg() { tjDestroy(m_handle); }
    void compress(const Frame& frame) {
        unsigned char* out = m_buffer.data();
        unsigned long size = m_buffer.size();
        if (tjCompress2(m_handle, frame.data.data(), kWidth, 0, kHeight, TJPF_RGB, &out, &size, TJSAMP_422,
                        kDefaultJpegQuality, TJFLAG_NOREALLOC) != 0) {
            Fail(tjGetErrorStr2(m_handle));
        }
    }

private:
    tjhandle m_handle;
    std::vector<unsigned char> m_buffer;
};

// Appending to a file and making it durable, and nothing else.
class PlainFile {
public:
    explicit PlainFile(const std::string& path)
        : m_path(path), m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
        if (m_fd < 0) Fail("cannot create " + path);
    }
    ~PlainFile() { ::close(m_fd); }
    void writeAndSync(const std::vector<uint8_t>& bytes) {
        if (write(m_fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || fdatasync(m_fd) != 0) {
            Fail("cannot write " + m_path);
        }
    }

private:
    std::string m_path;
    int m_fd;
};

// FFmpeg as a user would run it: the whole process, start-up included.
double FfmpegMs(const std::string& rgbFile, const std::string& output, int count) {
    const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight);
    std::vector<std::string> args = {"ffmpeg",   "-nostdin", "-v",    "error",    "-y",    "-f",
                                     "rawvideo", "-pix_fmt", "rgb24", "-s",       size,    "-r",
                                     "25",       "-i",       rgbFile, "-c:v",     "mjpeg", "-pix_fmt",
                                     "yuvj422p", "-q:v",     "3",     "-threads", "1",     output};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0) {
        Fail("cannot run ffmpeg");
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail("ffmpeg failed");
    }
    return Ms(Clock::now() - start) / count;
}

void WriteRgbFile(const std::string& path, const std::vector<Frame>& frames, int count) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("cannot create " + path);
    for (int i = 0; i < count; ++i) {
        const std::vector<uint8_t>& d = frames[i % frames.size()].data;
        if (std::fwrite(d.data(), 1, d.size(), f) != d.size()) Fail("cannot write " + path);
    }
    if (std::fclose(f) != 0) Fail("cannot write " + path);
}

std::string FirstLineOf(const char* command) {
    char line[256] = {};
    if (FILE* p = popen(command, "r")) {
        if (!std::fgets(line, sizeof line, p)) line[0] = 0;
        pclose(p);
    }
    std::string s = line;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

struct Figure {
    const char* name;
    std::vector<double> rounds;
};

int Run(const std::string& dir, bool quick) {
    const int frames = quick ? 60 : 120;
    const int rounds = quick ? 7 : 11;
    const std::string scratch = dir + "/frame-cost-scratch";
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);

    const std::vector<Frame> rgb = SceneFrames(PixelFormat::Rgb24);
    const std::vector<Frame> camera = SceneFrames(PixelFormat::Mjpeg);
    std::vector<std::vector<uint8_t>> stored(camera.size());
    for (size_t i = 0; i < camera.size(); ++i) {
        if (CompleteCameraJpeg(camera[i].data, stored[i])) Fail("a camera frame is damaged");
    }
    const std::string rgbFile = scratch + "/frames.rgb";
    WriteRgbFile(rgbFile, rgb, frames);

    std::printf("%dx%d frames, %d per measurement, %d alternating rounds, in %s\n", kWidth, kHeight, frames, rounds,
                dir.c_str());
    std::printf("%s\n", FirstLineOf("ffmpeg -version").c_str());
    std::fflush(stdout);

    Figure writer{"a_writer_rgb_to_jpeg_append_ms", {}};
    Figure writerSynced{"a_writer_rgb_to_jpeg_append_synced_ms", {}};
    Figure turbo{"b_turbojpeg_compress_ms", {}};
    Figure ffmpeg{"c_ffmpeg_process_ms", {}};
    Figure passthrough{"d_writer_passthrough_append_synced_ms", {}};
    Figure plain{"d_plain_write_fdatasync_ms", {}};
    const std::string avi = scratch + "/take.avi";
    const auto nth = [](const auto& list, int i) -> const auto& { return list[i % list.size()]; };
    BareTurboJpeg bare;
    for (int r = 0; r < rounds; ++r) {
        {
            Recording recording(avi, false);
            const auto [a, b] = Interleaved(
                frames, [&](int i) { recording.append(nth(rgb, i)); }, [&](int i) { bare.compress(nth(rgb, i)); });
            writer.rounds.push_back(a);
            turbo.rounds.push_back(b);
        }
        {
            Recording recording(avi, true);
            const auto start = Clock::now();
            for (int i = 0; i < frames; ++i) recording.append(nth(rgb, i));
            writerSynced.rounds.push_back(Ms(Clock::now() - start) / frames);
        }
        ffmpeg.rounds.push_back(FfmpegMs(rgbFile, scratch + "/ffmpeg.avi", frames));
        {
            Recording recording(avi, true);
            PlainFile file(scratch + "/plain.mjpeg");
            const auto [a, b] = Interleaved(
                frames, [&](int i) { recording.append(nth(camera, i)); },
                [&](int i) { file.writeAndSync(nth(stored, i)); });
            passthrough.rounds.push_back(a);
            plain.rounds.push_back(b);
        }
    }
    std::filesystem::remove_all(scratch);

    for (const Figure* f : {&writer, &writerSynced, &turbo, &ffmpeg, &passthrough, &plain}) {
        std::printf("%s=%.3f  (rounds:", f->name, Median(f->rounds));
        for (double v : f->rounds) std::printf(" %.3f", v);
        std::printf(")\n");
    }
    // Each round measures both sides of a comparison under the same load, so a comparison is
    // the median of its rounds' ratios: a busy round then cannot pair with a quiet one.
    const auto ratio = [](const Figure& a, const Figure& b) {
        std::vector<double> ratios;
        for (size_t r = 0; r < a.rounds.size(); ++r) ratios.push_back(a.rounds[r] / b.rounds[r]);
        return Median(ratios);
    };
    std::printf("vs_turbojpeg=%.3f\n", ratio(writer, turbo));
    std::printf("ratio_vs_ffmpeg=%.3f\n", ratio(writerSynced, ffmpeg));
    std::printf("passthrough_vs_write=%.3f\n", ratio(passthrough, plain));
    return 0;
}

}  // namespace
}  // namespace media

int main(int argc, char** argv) { return media::RunDiskBenchmark(argc, argv, media::Run); }
