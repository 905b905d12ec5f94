// What the media tests share: running ffmpeg and ffprobe as a player would, scratch folders,
// and test-scene recordings written and read back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "media/avi/avi_writer.h"
#include "media/avi/take_editor.h"
#include "media/common/frame.h"
#include "media/testscene/test_scene_source.h"

namespace media::testing {

struct CommandResult {
    int exitCode = -1;  // -1 when the program could not be run or died from a signal
    std::string out;
    std::string err;
};

// Runs a program found through PATH, capturing what it prints.
CommandResult RunCommand(const std::vector<std::string>& argv);

// A folder under the system's temporary folder, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
};

// Sets or clears the immutable flag, which root cannot bypass either: an immutable folder takes
// no new names though its files can still be rewritten. False where the file system has no flag.
bool SetImmutable(const std::string& path, bool on);

// `ffmpeg -v error -xerror -i file ...`: the strictest reading a player can do. Decodes every
// frame to RGB; fails (with ffmpeg's complaint) if ffmpeg reports any error.
struct FfmpegDecode {
    bool ok = false;
    std::string errors;
    std::vector<Frame> frames;  // Rgb24, width x height
};
FfmpegDecode DecodeWithFfmpeg(const std::string& path, int width, int height);

// What ffprobe says about the first video stream, counting the frames it reads.
struct ProbeResult {
    bool ok = false;
    std::string codec;
    std::string frameRate;      // r_frame_rate, e.g. "1000000/33333"
    int64_t headerFrames = -1;  // nb_frames, from the headers
    int64_t readFrames = -1;    // nb_read_frames, by decoding
};
ProbeResult Probe(const std::string& path);

// The stamps of decoded frames, -1 where none could be read.
std::vector<int64_t> StampsOf(const std::vector<Frame>& frames);

// 0, 1, ..., count - 1.
std::vector<int64_t> Sequence(int64_t count);

constexpr uint32_t kInterval = 40000;

// The test scene at `width` x `height`, as fast as it is read.
TestSceneSource Scene(PixelFormat format, int width = 320, int height = 240);

// Appends `count` frames of `scene` (started by the caller) and returns the first failure.
Error Append(AviWriter& writer, TestSceneSource& scene, int count, uint32_t interval = kInterval);

// Both readers see the frames stamped `stamps`, in order, and ffmpeg has no complaint.
void ExpectStamps(const std::string& path, const std::vector<int64_t>& stamps, int width, int height);
// ... stamped 0..count-1.
void ExpectFrames(const std::string& path, int count, int width, int height);

// An edit of a take shot as frames stamped 0-5, after `prepare`; `shot` is stamped 6.
struct TakeEdit {
    const char* name;
    std::function<Error(TakeEditor&)> prepare;
    std::function<Error(TakeEditor&, const Frame& shot)> edit;
    std::vector<int64_t> before;
    std::vector<int64_t> after;
};
// Every kind of edit: at the end and in the middle, deleting, inserting and undoing.
const std::vector<TakeEdit>& TakeEdits();

// Small parts and index blocks so that a few 160x120 frames cross every kind of boundary: a
// new standard index, the end of the first part (idx1) and new AVIX parts.
AviWriterOptions SmallPartsOptions(AviVideoCodec codec);

// Opens `path` in `editor` and shoots the frames stamped 0-5, then turns syncing on; `shots`
// receives those stamped 6 and 7 for the edit and after it.
Error ShootTake(TakeEditor& editor, const std::string& path, int width, int height, std::vector<Frame>& shots);

}  // namespace media::testing
