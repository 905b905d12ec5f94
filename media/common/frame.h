// A video frame as the media engine passes it around, and the source it comes from.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace media {

enum class PixelFormat {
    Mjpeg,  // one JPEG image (possibly without Huffman tables, as cameras send it)
    Yuyv,   // packed 4:2:2, Y0 U Y1 V
    Rgb24,  // top-down rows of R, G, B bytes, no padding
};

struct Frame {
    PixelFormat format = PixelFormat::Rgb24;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> data;
    uint64_t sequence = 0;        // counts up from 0 per stream, gaps mean dropped frames
    int64_t exposureStartNs = 0;  // CLOCK_MONOTONIC time at which this frame's capture began
};

// Why a source or a writer failed: the kind decides what the caller does, the text is for the
// user.
enum class ErrorKind {
    None,
    DeviceGone,    // the device vanished (ENODEV): unplugged or its driver unloaded
    DeviceBusy,    // another program streams from it
    Unsupported,   // no format or I/O method we can use
    Io,            // any other device or file error
    DiskFull,      // ENOSPC or EDQUOT
    FileTooLarge,  // EFBIG: the file system or a limit refuses a larger file
    CannotCreate,  // the file or its folder cannot be created
    BadFrame,      // a frame that is not what its format says (a truncated JPEG) or does not fit
                   // the recording (another size)
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    std::string message;

    explicit operator bool() const { return kind != ErrorKind::None; }
    static Error none() { return {}; }
};

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

// Seconds per frame as a fraction: 1/30 is thirty frames per second.
struct FrameInterval {
    uint32_t numerator = 1;
    uint32_t denominator = 30;
    bool operator==(const FrameInterval&) const = default;
};

// A picture size a source delivers in some format, and the frame intervals it streams that size
// at, shortest first (none when the source cannot tell).
struct OfferedSize {
    FrameSize size;
    std::vector<FrameInterval> intervals;
    bool operator==(const OfferedSize&) const = default;
};

struct OfferedFormat {
    PixelFormat format = PixelFormat::Rgb24;
    std::vector<OfferedSize> sizes;  // smallest first
    bool operator==(const OfferedFormat&) const = default;
};

// What a source is asked to stream; whatever is not given is the source's own choice, and the
// source may still set something else (its format() says what it did).
struct StreamRequest {
    std::optional<FrameSize> size;
    std::optional<PixelFormat> format;
    std::optional<FrameInterval> interval;
};

struct StreamFormat {
    PixelFormat format = PixelFormat::Rgb24;
    int width = 0;
    int height = 0;
    uint32_t frameIntervalNumerator = 1;  // seconds per frame as a fraction
    uint32_t frameIntervalDenominator = 30;
};

// A producer of frames: a camera or the built-in test scene. Not thread-safe: one thread
// (the capture thread) owns a started source.
class FrameSource {
public:
    virtual ~FrameSource() = default;

    virtual std::string name() const = 0;
    // Opens the device and negotiates the format; after success format() is what it delivers.
    virtual Error start() = 0;
    virtual StreamFormat format() const = 0;
    // The picture sizes the source can deliver in its format, smallest first; valid after
    // start(). A source that cannot change its size offers the one it has.
    virtual std::vector<FrameSize> offeredSizes() const { return {{format().width, format().height}}; }
    // Every format the source can deliver, with its sizes and their frame rates, in the order
    // it prefers them; valid after start(). By default the one it streams, at its own rate.
    virtual std::vector<OfferedFormat> offeredFormats() const {
        const StreamFormat f = format();
        OfferedFormat offered{f.format, {}};
        for (FrameSize size : offeredSizes()) {
            offered.sizes.push_back({size, {{f.frameIntervalNumerator, f.frameIntervalDenominator}}});
        }
        return {offered};
    }
    // Blocks until the next frame is ready (or a failure). Must return within about a second
    // even when no frame comes, with an Io error in that case, so that the caller can stop.
    virtual Error readFrame(Frame& frame) = 0;
    virtual void stop() = 0;
};

}  // namespace media
