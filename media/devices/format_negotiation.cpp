#include "format_negotiation.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "device_error.h"
#include "format_policy.h"

namespace media {
namespace {

struct FormatEntry {
    uint32_t fourcc;
    bool emulated;
};

// Enumerations end with EINVAL; anything else is a real failure.
bool IsEndOfList(int err) { return err == EINVAL; }

Error EnumerateFormats(V4l2Io& io, int fd, const std::string& name, std::vector<FormatEntry>& out) {
    for (__u32 index = 0;; ++index) {
        v4l2_fmtdesc desc{};
        desc.index = index;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (io.ioctl(fd, VIDIOC_ENUM_FMT, &desc) < 0) {
            if (IsEndOfList(errno)) return Error::none();
            return DeviceError(errno, name, "list its formats");
        }
        out.push_back({desc.pixelformat, (desc.flags & V4L2_FMT_FLAG_EMULATED) != 0});
    }
}

// What ENUM_FRAMESIZES says about a format: a list of sizes, or a continuous or stepwise range.
struct FrameSizes {
    std::vector<FrameSize> discrete;
    bool stepped = false;
    FrameSize min, max, step;
};

FrameSizes EnumerateFrameSizes(V4l2Io& io, int fd, uint32_t fourcc) {
    FrameSizes sizes;
    for (__u32 index = 0;; ++index) {
        v4l2_frmsizeenum e{};
        e.index = index;
        e.pixel_format = fourcc;
        if (io.ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &e) < 0) break;
        if (e.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
            const auto& s = e.stepwise;
            sizes.stepped = true;
            sizes.min = {int(s.min_width), int(s.min_height)};
            sizes.max = {int(s.max_width), int(s.max_height)};
            sizes.step = {int(s.step_width), int(s.step_height)};
            break;
        }
        sizes.discrete.push_back({int(e.discrete.width), int(e.discrete.height)});
    }
    return sizes;
}

// kTargetSize when the driver does not list sizes, in which case S_FMT brings it to the nearest
// one the driver has.
FrameSize SizeToRequest(const FrameSizes& sizes) {
    if (sizes.stepped) return ChooseSteppedSize(sizes.min, sizes.max, sizes.step);
    return sizes.discrete.empty() ? kTargetSize : ChooseDiscreteSize(sizes.discrete);
}

// The driver's list for the format it set, which always holds the size it set even when the
// driver lists none.
std::vector<FrameSize> SizesToOffer(const FrameSizes& sizes, FrameSize set) {
    std::vector<FrameSize> offered =
        sizes.stepped ? CommonSizesWithin(sizes.min, sizes.max, sizes.step) : sizes.discrete;
    offered.push_back(set);
    return SortedSizes(std::move(offered));
}

std::string FourccText(uint32_t f) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((f >> (8 * i)) & 0xff);
    return s;
}

// The frame intervals a size is streamed at, shortest first. A range is offered as the common
// rates that lie in it.
std::vector<FrameInterval> EnumerateIntervals(V4l2Io& io, int fd, uint32_t fourcc, FrameSize size) {
    std::vector<FrameInterval> intervals;
    for (__u32 index = 0;; ++index) {
        v4l2_frmivalenum e{};
        e.index = index;
        e.pixel_format = fourcc;
        e.width = static_cast<__u32>(size.width);
        e.height = static_cast<__u32>(size.height);
        if (io.ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &e) < 0) break;
        if (e.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            if (e.discrete.numerator && e.discrete.denominator)
                intervals.push_back({e.discrete.numerator, e.discrete.denominator});
            continue;
        }
        const double shortest = double(e.stepwise.min.numerator) / std::max(1u, e.stepwise.min.denominator);
        const double longest = double(e.stepwise.max.numerator) / std::max(1u, e.stepwise.max.denominator);
        for (uint32_t rate : {60u, 30u, 25u, 20u, 15u, 10u, 5u}) {
            if (1.0 / rate >= shortest - 1e-9 && 1.0 / rate <= longest + 1e-9) intervals.push_back({1, rate});
        }
        break;
    }
    const auto seconds = [](const FrameInterval& i) { return double(i.numerator) / i.denominator; };
    std::stable_sort(intervals.begin(), intervals.end(),
                     [&](const FrameInterval& a, const FrameInterval& b) { return seconds(a) < seconds(b); });
    return intervals;
}

std::vector<OfferedFormat> FormatsToOffer(V4l2Io& io, int fd, const std::vector<uint32_t>& fourccs) {
    std::vector<OfferedFormat> offered;
    for (uint32_t fourcc : fourccs) {
        const auto pixel = PixelFormatOf(fourcc);
        const FrameSizes sizes = EnumerateFrameSizes(io, fd, fourcc);
        if (!pixel || std::any_of(offered.begin(), offered.end(), [&](auto& f) { return f.format == *pixel; }))
            continue;
        OfferedFormat format{*pixel, {}};
        const std::vector<FrameSize> listed =
            SortedSizes(sizes.stepped ? CommonSizesWithin(sizes.min, sizes.max, sizes.step) : sizes.discrete);
        for (FrameSize size : listed) format.sizes.push_back({size, EnumerateIntervals(io, fd, fourcc, size)});
        offered.push_back(std::move(format));
    }
    return offered;
}

// Asks for the wanted frame interval (else the target rate) where the driver lets us choose,
// and returns the interval it runs at. Drivers that cannot tell are assumed to run at the rate
// asked for.
void NegotiateInterval(V4l2Io& io, int fd, const std::optional<FrameInterval>& wantedInterval, StreamFormat& stream) {
    const FrameInterval target =
        wantedInterval.value_or(FrameInterval{kTargetIntervalNumerator, kTargetIntervalDenominator});
    stream.frameIntervalNumerator = target.numerator;
    stream.frameIntervalDenominator = target.denominator;
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (io.ioctl(fd, VIDIOC_G_PARM, &parm) < 0) return;
    if (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) {
        v4l2_streamparm wanted{};
        wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        wanted.parm.capture.timeperframe = {target.numerator, target.denominator};
        if (io.ioctl(fd, VIDIOC_S_PARM, &wanted) == 0) parm = wanted;
    }
    const v4l2_fract t = parm.parm.capture.timeperframe;
    if (t.numerator != 0 && t.denominator != 0) {
        stream.frameIntervalNumerator = t.numerator;
        stream.frameIntervalDenominator = t.denominator;
    }
}

}  // namespace

Error NegotiateFormat(V4l2Io& io, int fd, bool converted, const std::string& name, const StreamRequest& request,
                      NegotiatedFormat& out) {
    std::vector<FormatEntry> formats;
    if (Error e = EnumerateFormats(io, fd, name, formats)) return e;

    uint32_t wanted = V4L2_PIX_FMT_RGB24;
    std::vector<uint32_t> choices;  // what we would take, best first
    if (converted) {
        const bool offered = std::any_of(formats.begin(), formats.end(),
                                         [](const FormatEntry& f) { return f.fourcc == V4L2_PIX_FMT_RGB24; });
        if (!offered)
            return {ErrorKind::Unsupported,
                    "The camera \"" + name + "\" delivers no picture format this program can read."};
        choices = {V4L2_PIX_FMT_RGB24};
    } else {
        std::vector<uint32_t> native;
        for (const FormatEntry& f : formats) {
            if (!f.emulated) native.push_back(f.fourcc);
        }
        while (const auto best = PreferredNativeFormat(native)) {
            choices.push_back(*best);
            native.erase(std::remove(native.begin(), native.end(), *best), native.end());
        }
        if (choices.empty())
            return {ErrorKind::Unsupported, "The camera \"" + name + "\" has no MJPEG or YUYV format."};
        wanted = choices.front();
        for (uint32_t fourcc : choices) {
            if (request.format && PixelFormatOf(fourcc) == request.format) {
                wanted = fourcc;
                break;
            }
        }
    }

    // Start from the current format so that fields we do not care about keep sensible values.
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (io.ioctl(fd, VIDIOC_G_FMT, &fmt) < 0) {
        if (errno == ENODEV) return DeviceError(errno, name, "read its format");
        fmt = {};
        fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    }
    const FrameSize size = request.size ? *request.size : SizeToRequest(EnumerateFrameSizes(io, fd, wanted));
    fmt.fmt.pix.pixelformat = wanted;
    fmt.fmt.pix.width = static_cast<__u32>(size.width);
    fmt.fmt.pix.height = static_cast<__u32>(size.height);
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    fmt.fmt.pix.bytesperline = 0;
    fmt.fmt.pix.sizeimage = 0;
    if (io.ioctl(fd, VIDIOC_S_FMT, &fmt) < 0) return DeviceError(errno, name, "set its picture format");

    // The driver may have changed anything we asked for; what it returned is what it sends.
    const v4l2_pix_format& got = fmt.fmt.pix;
    const auto pixel = PixelFormatOf(got.pixelformat);
    if (!pixel || got.width == 0 || got.height == 0)
        return {ErrorKind::Unsupported, "The camera \"" + name + "\" switched to the format " +
                                            FourccText(got.pixelformat) + " " + std::to_string(got.width) + "x" +
                                            std::to_string(got.height) + ", which this program cannot read."};
    out.fourcc = got.pixelformat;
    out.stream.format = *pixel;
    out.stream.width = static_cast<int>(got.width);
    out.stream.height = static_cast<int>(got.height);
    const uint32_t packedRow = got.width * (*pixel == PixelFormat::Yuyv ? 2 : 3);
    out.bytesPerLine = *pixel == PixelFormat::Mjpeg ? 0 : std::max(got.bytesperline, packedRow);
    out.offeredSizes =
        SizesToOffer(EnumerateFrameSizes(io, fd, got.pixelformat), {out.stream.width, out.stream.height});
    out.offeredFormats = FormatsToOffer(io, fd, choices);
    NegotiateInterval(io, fd, request.interval, out.stream);
    return Error::none();
}

}  // namespace media
