#include "format_policy.h"

#include <linux/videodev2.h>

#include <algorithm>

namespace media {
namespace {

long long Area(FrameSize s) { return static_cast<long long>(s.width) * s.height; }

int StepInto(int target, int min, int max, int step) {
    const int clamped = std::clamp(target, min, std::max(min, max));
    return step > 1 ? min + (clamped - min) / step * step : clamped;
}

bool OnSteps(int value, int min, int max, int step) {
    return value >= min && value <= max && (step <= 1 || (value - min) % step == 0);
}

// Sizes people know from other cameras and screens; a range offers those it can deliver.
constexpr FrameSize kCommonSizes[] = {
    {160, 120},  {320, 240},  {352, 288},  {640, 360},   {640, 480},   {800, 600},   {960, 540},
    {1024, 768}, {1280, 720}, {1280, 960}, {1600, 1200}, {1920, 1080}, {2560, 1440}, {3840, 2160},
};

}  // namespace

std::optional<PixelFormat> PixelFormatOf(uint32_t fourcc) {
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

std::optional<uint32_t> PreferredNativeFormat(const std::vector<uint32_t>& fourccs) {
    for (uint32_t wanted : {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_JPEG, V4L2_PIX_FMT_YUYV}) {
        if (std::find(fourccs.begin(), fourccs.end(), wanted) != fourccs.end()) return wanted;
    }
    return std::nullopt;
}

FrameSize ChooseDiscreteSize(const std::vector<FrameSize>& sizes) {
    const FrameSize* best = nullptr;
    for (const FrameSize& s : sizes) {
        if (s.width <= kTargetSize.width && s.height <= kTargetSize.height && (!best || Area(s) > Area(*best)))
            best = &s;
    }
    if (best) return *best;
    for (const FrameSize& s : sizes) {
        if (!best || Area(s) < Area(*best)) best = &s;
    }
    return best ? *best : FrameSize{};
}

FrameSize ChooseSteppedSize(FrameSize min, FrameSize max, FrameSize step) {
    return {StepInto(kTargetSize.width, min.width, max.width, step.width),
            StepInto(kTargetSize.height, min.height, max.height, step.height)};
}

std::vector<FrameSize> CommonSizesWithin(FrameSize min, FrameSize max, FrameSize step) {
    std::vector<FrameSize> sizes;
    for (const FrameSize& s : kCommonSizes) {
        if (OnSteps(s.width, min.width, max.width, step.width) &&
            OnSteps(s.height, min.height, max.height, step.height))
            sizes.push_back(s);
    }
    if (sizes.empty()) sizes = {min, max};
    return SortedSizes(std::move(sizes));
}

std::vector<FrameSize> SortedSizes(std::vector<FrameSize> sizes) {
    std::sort(sizes.begin(), sizes.end(),
              [](FrameSize a, FrameSize b) { return Area(a) != Area(b) ? Area(a) < Area(b) : a.width < b.width; });
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

}  // namespace media
