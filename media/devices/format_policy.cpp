#include "format_policy.h"

#include <linux/videodev2.h>

#include <algorithm>

namespace media {
namespace {

long long area(FrameSize s) { return static_cast<long long>(s.width) * s.height; }

int stepInto(int target, int min, int max, int step)
{
    const int clamped = std::clamp(target, min, std::max(min, max));
    return step > 1 ? min + (clamped - min) / step * step : clamped;
}

}  // namespace

std::optional<PixelFormat> pixelFormatOf(uint32_t fourcc)
{
    switch (fourcc) {
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:  // older drivers' name for the same motion-JPEG frames
        return PixelFormat::Mjpeg;
    case V4L2_PIX_FMT_YUYV:
        return PixelFormat::Yuyv;
    case V4L2_PIX_FMT_RGB24:
        return PixelFormat::Rgb24;
    default:
        return std::nullopt;
    }
}

std::optional<uint32_t> preferredNativeFormat(const std::vector<uint32_t>& fourccs)
{
    for (uint32_t wanted : {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_JPEG, V4L2_PIX_FMT_YUYV}) {
        if (std::find(fourccs.begin(), fourccs.end(), wanted) != fourccs.end())
            return wanted;
    }
    return std::nullopt;
}

FrameSize chooseDiscreteSize(const std::vector<FrameSize>& sizes)
{
    const FrameSize* best = nullptr;
    for (const FrameSize& s : sizes) {
        if (s.width <= kTargetSize.width && s.height <= kTargetSize.height &&
            (!best || area(s) > area(*best)))
            best = &s;
    }
    if (best)
        return *best;
    for (const FrameSize& s : sizes) {
        if (!best || area(s) < area(*best))
            best = &s;
    }
    return best ? *best : FrameSize{};
}

FrameSize chooseSteppedSize(FrameSize min, FrameSize max, FrameSize step)
{
    return {stepInto(kTargetSize.width, min.width, max.width, step.width),
            stepInto(kTargetSize.height, min.height, max.height, step.height)};
}

}  // namespace media
