// What a view draws, checked on its pixels: the picture keeps its proportions with black bars,
// mirroring, and onion-skin frames fading with age.
#include <gtest/gtest.h>

#include <algorithm>

#include "media/jpeg/jpeg_encoder.h"
#include "media/view/compositor.h"

namespace media {
namespace {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

Frame Solid(int width, int height, Rgb colour) {
    Frame frame{PixelFormat::Rgb24, width, height, {}, 0, 0};
    for (int i = 0; i < width * height; ++i) frame.data.insert(frame.data.end(), {colour.r, colour.g, colour.b});
    return frame;
}

Rgb At(const Frame& frame, int x, int y) {
    const uint8_t* p = frame.data.data() + (size_t(y) * frame.width + x) * 3;
    return {p[0], p[1], p[2]};
}

void Paint(Frame& frame, int x0, int x1, Rgb colour) {
    for (int y = 0; y < frame.height; ++y) {
        for (int x = x0; x < x1; ++x) {
            uint8_t* p = frame.data.data() + (size_t(y) * frame.width + x) * 3;
            p[0] = colour.r, p[1] = colour.g, p[2] = colour.b;
        }
    }
}

Frame Canvas(int width, int height) { return Solid(width, height, {7, 7, 7}); }

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{220, 30, 40};

TEST(LetterboxTest, ThePictureKeepsItsProportionsCentredInAnyView) {
    struct Case {
        FrameSize picture, area;
        PictureRect expected;
    } cases[] = {
        {{640, 480}, {270, 220}, {0, 8, 270, 203}},      // the capture window: bars above and below
        {{1280, 720}, {270, 220}, {0, 34, 270, 152}},    // the 1280x720 round object stays round
        {{640, 480}, {1280, 720}, {160, 0, 960, 720}},   // bars left and right
        {{1920, 1080}, {1280, 720}, {0, 0, 1280, 720}},  // same proportions: no bars
        {{480, 640}, {300, 300}, {37, 0, 225, 300}},     // portrait
        {{3840, 10}, {100, 100}, {0, 49, 100, 1}},       // never thinner than a pixel
        {{640, 480}, {0, 220}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LetterboxRect(c.picture, c.area), c.expected)
            << c.picture.width << "x" << c.picture.height << " in " << c.area.width << "x" << c.area.height;
    }
}

TEST(ComposeViewTest, DrawsThePictureInsideBlackBarsAndMirrorsOnRequest) {
    // A 4:3 picture, left quarter white, into a 16:9 view twice its size.
    Frame picture = Solid(160, 120, kRed);
    Paint(picture, 0, 40, {255, 255, 255});
    const PictureRect rect = LetterboxRect({160, 120}, {427, 240});
    ASSERT_EQ(rect, (PictureRect{53, 0, 320, 240}));
    const int left = rect.x, right = rect.x + rect.width - 1;
    const Rgb white{255, 255, 255};
    for (bool mirror : {false, true}) {
        Frame canvas = Canvas(427, 240);
        ComposeView(picture, rect, mirror, {}, WholeFrame(canvas));
        for (int y : {0, 120, 239}) {
            for (int x : {0, left - 1, right + 1, 426}) EXPECT_EQ(At(canvas, x, y), kBlack) << x;
            // The white quarter on the left, or on the right when mirrored, up to the bars.
            EXPECT_EQ(At(canvas, left, y), mirror ? kRed : white);
            EXPECT_EQ(At(canvas, left + 20, y), mirror ? kRed : white);
            EXPECT_EQ(At(canvas, right - 20, y), mirror ? white : kRed);
            EXPECT_EQ(At(canvas, right, y), mirror ? white : kRed);
        }
    }
}

TEST(ComposeViewTest, ResamplingKeepsFlatColoursAndEdgesInPlace) {
    // Enlarged 3x and shrunk 1.5x: flat areas stay exact and the edge between the halves stays
    // at the same fraction of the width.
    Frame picture = Solid(90, 60, kBlack);
    Paint(picture, 45, 90, kRed);
    for (FrameSize size : {FrameSize{270, 180}, FrameSize{60, 40}}) {
        Frame canvas = Canvas(size.width, size.height);
        ComposeView(picture, LetterboxRect({90, 60}, size), false, {}, WholeFrame(canvas));
        const int half = size.width / 2;
        EXPECT_EQ(At(canvas, half - 3, size.height / 2), kBlack);
        EXPECT_EQ(At(canvas, half + 2, size.height / 2), kRed);
        EXPECT_EQ(At(canvas, size.width - 1, size.height - 1), kRed);
    }
}

// One view scaling down another's larger decode: fine detail shrunk far is averaged, never
// sampled into stripes of its own.
TEST(ComposeViewTest, ShrinkingFarAveragesFineDetailInsteadOfSkippingIt) {
    Frame stripes = Solid(400, 240, kBlack);
    for (int x = 1; x < 400; x += 2) Paint(stripes, x, x + 1, {255, 255, 255});
    Frame canvas = Canvas(60, 36);
    ComposeView(stripes, {0, 0, 60, 36}, false, {}, WholeFrame(canvas));
    const auto [least, most] = std::minmax_element(canvas.data.begin(), canvas.data.end());
    EXPECT_GE(*least, 125);
    EXPECT_LE(*most, 130);
}

TEST(OnionSkinTest, OlderFramesFadeAndTheirSumLeavesTheLivePictureItsShare) {
    EXPECT_TRUE(OnionWeights(0, 50).empty());
    EXPECT_EQ(OnionWeights(1, 50), std::vector<int>{128});
    EXPECT_EQ(OnionWeights(1, 100), std::vector<int>{256});
    EXPECT_EQ(OnionWeights(9, 50).size(), size_t(kMaxOnionFrames));
    for (int frames = 2; frames <= kMaxOnionFrames; ++frames) {
        for (int opacity : {10, 50, 100}) {
            const std::vector<int> w = OnionWeights(frames, opacity);
            int total = 0;
            for (size_t i = 0; i < w.size(); ++i) {
                total += w[i];
                if (i > 0) {
                    EXPECT_LT(w[i], w[i - 1]) << frames << " frames at " << opacity << "%";
                }
                EXPECT_GT(w[i], 0);
            }
            EXPECT_LE(total, 256);
        }
    }
}

TEST(OnionSkinTest, LayersAreBlendedOverTheLivePictureByTheirWeights) {
    const Frame live = Solid(64, 48, {0, 0, 0});
    const Frame newest = Solid(64, 48, {240, 0, 0}), middle = Solid(64, 48, {0, 240, 0}),
                oldest = Solid(64, 48, {0, 0, 240});
    const Frame* layers[] = {&newest, &middle, &oldest};
    const std::vector<int> weights = OnionWeights(3, 60);
    Frame canvas = Canvas(64, 48);
    ComposeView(live, {0, 0, 64, 48}, false, SumOnionLayers(layers, weights), WholeFrame(canvas));
    const Rgb seen = At(canvas, 30, 20);
    EXPECT_NEAR(seen.r, 240 * weights[0] / 256, 1);
    EXPECT_NEAR(seen.g, 240 * weights[1] / 256, 1);
    EXPECT_NEAR(seen.b, 240 * weights[2] / 256, 1);
    EXPECT_GT(seen.r, seen.g);
    EXPECT_GT(seen.g, seen.b);

    // Over a bright live picture the live share stays: full opacity of one frame hides it.
    const Frame white = Solid(64, 48, {255, 255, 255});
    const Frame* one[] = {&newest};
    const std::vector<int> full = OnionWeights(1, 100);
    ComposeView(white, {0, 0, 64, 48}, false, SumOnionLayers(one, full), WholeFrame(canvas));
    EXPECT_EQ(At(canvas, 5, 5), (Rgb{240, 0, 0}));
}

TEST(OnionSkinTest, ACapturedFrameBecomesALayerOfTheViewsSizeInItsOrientation) {
    Frame captured = Solid(320, 240, kBlack);
    Paint(captured, 0, 80, {250, 250, 250});
    Frame jpeg{PixelFormat::Mjpeg, 320, 240, {}, 0, 0};
    ASSERT_FALSE(EncodeJpeg(captured, kDefaultJpegQuality, jpeg.data));
    for (bool mirror : {false, true}) {
        Frame layer;
        ASSERT_FALSE(PrepareOnionLayer(jpeg, {200, 150}, mirror, layer));
        ASSERT_EQ(layer.width, 200);
        ASSERT_EQ(layer.height, 150);
        ASSERT_EQ(layer.data.size(), size_t(200 * 150 * 3));
        EXPECT_GT(At(layer, mirror ? 190 : 10, 75).g, 230);
        EXPECT_LT(At(layer, mirror ? 10 : 190, 75).g, 20);
    }
    Frame truncated = jpeg;
    truncated.data.resize(100);
    Frame layer;
    EXPECT_TRUE(PrepareOnionLayer(truncated, {200, 150}, false, layer));
}

}  // namespace
}  // namespace media
