#include "media/devices/format_policy.h"

#include <linux/videodev2.h>

#include <gtest/gtest.h>

namespace media {
namespace {

TEST(FormatPolicy, PrefersMjpegThenYuyvAmongNativeFormats) {
    EXPECT_EQ(PreferredNativeFormat({V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG}), V4L2_PIX_FMT_MJPEG);
    EXPECT_EQ(PreferredNativeFormat({V4L2_PIX_FMT_JPEG, V4L2_PIX_FMT_YUYV}), V4L2_PIX_FMT_JPEG);
    EXPECT_EQ(PreferredNativeFormat({V4L2_PIX_FMT_NV12, V4L2_PIX_FMT_YUYV}), V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(PreferredNativeFormat({V4L2_PIX_FMT_NV12, V4L2_PIX_FMT_RGB24}), std::nullopt)
        << "left to software conversion";
}

TEST(FormatPolicy, DiscreteSizeIsTheLargestWithin720pElseTheSmallest) {
    EXPECT_EQ(ChooseDiscreteSize({{640, 480}, {1920, 1080}, {1280, 720}, {320, 240}}), (FrameSize{1280, 720}));
    EXPECT_EQ(ChooseDiscreteSize({{1280, 960}, {960, 720}, {1024, 576}}), (FrameSize{960, 720}))
        << "4:3 sizes taller than 720 lines do not fit";
    EXPECT_EQ(ChooseDiscreteSize({{3840, 2160}, {1920, 1080}}), (FrameSize{1920, 1080}));
}

TEST(FormatPolicy, SteppedSizeIsTheTargetClampedAndAlignedToTheSteps) {
    EXPECT_EQ(ChooseSteppedSize({16, 16}, {4096, 2160}, {1, 1}), (FrameSize{1280, 720}));
    EXPECT_EQ(ChooseSteppedSize({48, 32}, {4096, 2160}, {100, 100}), (FrameSize{1248, 632}));
    EXPECT_EQ(ChooseSteppedSize({16, 16}, {640, 480}, {8, 8}), (FrameSize{640, 480}));
    EXPECT_EQ(ChooseSteppedSize({1920, 1080}, {3840, 2160}, {0, 0}), (FrameSize{1920, 1080}));
}

TEST(FormatPolicy, ARangeOffersTheCommonSizesOnItsStepsElseItsEnds) {
    EXPECT_EQ(
        CommonSizesWithin({16, 16}, {1280, 720}, {16, 8}),
        (std::vector<FrameSize>{{160, 120}, {320, 240}, {352, 288}, {640, 360}, {640, 480}, {800, 600}, {1280, 720}}))
        << "960x540 is off the 8-line steps, 1024x768 too tall";
    EXPECT_EQ(CommonSizesWithin({100, 100}, {150, 150}, {1, 1}), (std::vector<FrameSize>{{100, 100}, {150, 150}}));
}

}  // namespace
}  // namespace media
