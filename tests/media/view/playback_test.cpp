// What a view keeps between pictures and shows while playing a take, without Qt: the onion skin
// follows every change that alters it, views showing a frame share its decode, and a take plays
// each frame once, in order, at its pace.
#include <gtest/gtest.h>

#include "media/view/onion_layers.h"
#include "media/view/play_order.h"
#include "media/view/shared_decodes.h"

#include <string>

namespace media {
namespace {

std::shared_ptr<const Frame> Solid(uint8_t red, int width = 8, int height = 6) {
    auto frame = std::make_shared<Frame>(Frame{PixelFormat::Rgb24, width, height, {}, 0, 0});
    for (int i = 0; i < width * height; ++i) frame->data.insert(frame->data.end(), {red, 0, 0});
    return frame;
}

TEST(OnionLayersTest, TheSkinChangesWithTheFramesTheirSizeMirroringAndOpacityButNotOtherwise) {
    // A left-to-right ramp, so that mirroring shows in the skin.
    auto ramp = std::make_shared<Frame>(Frame{PixelFormat::Rgb24, 8, 6, {}, 0, 0});
    for (int i = 0; i < 8 * 6; ++i) ramp->data.insert(ramp->data.end(), {uint8_t(i % 8 * 30), 0, 0});
    const std::vector<std::shared_ptr<const Frame>> two = {ramp, Solid(200)}, other = {Solid(90), Solid(200)};
    struct Case {
        std::string what;
        std::vector<std::shared_ptr<const Frame>> frames;
        FrameSize size;
        bool mirror;
        int opacity;
        bool changes;
    } cases[] = {
        {"the same again", two, {8, 6}, false, 40, false},   {"another opacity", two, {8, 6}, false, 70, true},
        {"another size", two, {4, 3}, false, 70, true},      {"mirrored", two, {4, 3}, true, 70, true},
        {"a frame recorded", other, {4, 3}, true, 70, true}, {"fewer frames", {other.front()}, {4, 3}, true, 70, true},
    };
    OnionLayers layers;
    OnionSkin before = layers.skinFor(two, {8, 6}, false, 40);
    ASSERT_FALSE(before.empty());
    for (const Case& c : cases) {
        const OnionSkin& skin = layers.skinFor(c.frames, c.size, c.mirror, c.opacity);
        const bool changed = skin.width != before.width || skin.height != before.height ||
                             skin.pictureShare != before.pictureShare || skin.sum != before.sum;
        EXPECT_EQ(changed, c.changes) << c.what;
        before = skin;
    }
    EXPECT_TRUE(layers.skinFor({}, {4, 3}, false, 40).empty()) << "no frames, no skin";
}

// The first view to ask for a frame decodes it for both, at the larger view's size: one decode
// hands both the same pixels. Only a view wanting more than was decoded decodes it again.
TEST(SharedDecodesTest, TwoViewsShareOneDecodeOfAFrameAtTheLargerSizeUntilOneWantsMore) {
    SharedDecodes decodes;
    const int preview = 1, large = 2;  // stand for the two views
    decodes.join(&preview);
    decodes.join(&large);
    const std::shared_ptr<const Frame> frames[] = {Solid(10, 64, 48), Solid(20, 64, 48)};
    struct Case {
        const int* view;
        int frame;
        FrameSize want;
        int decodedWidth;
        bool sameAsBefore;
    } cases[] = {
        {&preview, 0, {16, 12}, 16, false}, {&large, 0, {16, 12}, 16, true},    {&large, 0, {32, 24}, 32, false},
        {&preview, 0, {16, 12}, 32, true},  {&preview, 1, {16, 12}, 32, false}, {&large, 1, {32, 24}, 32, true},
    };
    std::shared_ptr<const Frame> before;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        std::shared_ptr<const Frame> rgb;
        ASSERT_FALSE(decodes.decode(c.view, frames[c.frame], c.want, rgb));
        EXPECT_EQ(rgb->width, c.decodedWidth) << "ask " << i;
        EXPECT_EQ(rgb == before, c.sameAsBefore) << "ask " << i;
        before = rgb;
    }
    decodes.leave(&large);
    std::shared_ptr<const Frame> rgb;
    ASSERT_FALSE(decodes.decode(&preview, Solid(30, 64, 48), {16, 12}, rgb));
    EXPECT_EQ(rgb->width, 16) << "a hidden view's size no longer counts";
}

TEST(PlayOrderTest, EveryFrameShowsOnceInOrderTheLastOneForItsIntervalTooAndLoopingStartsAgain) {
    // Ticks written as the frame asked for, '.' for none, '|' for the end; '*' a tick while the
    // frame asked before is still drawing.
    struct Case {
        size_t frames;
        bool loop;
        std::string ticks;
        std::string expected;
    } cases[] = {
        {3, false, "       ", "012.|||"}, {3, true, "        ", "01201201"}, {1, false, "    ", "0.||"},
        {0, false, "   ", ".||"},         {0, true, "   ", ".||"},           {3, false, " ** * ", "0..1.2"},
    };
    for (const Case& c : cases) {
        PlayOrder order(c.frames, c.loop);
        std::string shown;
        for (char tick : c.ticks) {
            const PlayOrder::Tick next = order.tick(tick == '*');
            shown += next.ended ? '|' : next.frame >= 0 ? char('0' + next.frame) : '.';
        }
        EXPECT_EQ(shown, c.expected) << c.frames << " frames" << (c.loop ? ", looping" : "");
    }
}

}  // namespace
}  // namespace media
