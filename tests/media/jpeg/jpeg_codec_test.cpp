// Compression, decompression, the camera JPEG fix-up and the conversions around them.
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "media/jpeg/huffman_tables.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_encoder.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/jpeg/pixel_convert.h"
#include "media/jpeg/preview.h"
#include "media/testscene/frame_stamp.h"
#include "media/testscene/test_scene_source.h"
#include "media_test_support.h"

namespace media {
namespace {

Frame SceneFrame(PixelFormat format, int width = 640, int height = 480, bool cameraStyle = true) {
    TestSceneOptions o;
    o.width = width;
    o.height = height;
    o.format = format;
    o.realTime = false;
    o.cameraStyleJpeg = cameraStyle;
    TestSceneSource scene(o);
    Frame frame;
    EXPECT_FALSE(scene.start());
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(scene.readFrame(frame));  // frame number 5
    return frame;
}

double MeanAbsDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

// The DHT segments of a JPEG, concatenated without markers and lengths.
std::vector<uint8_t> HuffmanTableBytes(const std::vector<uint8_t>& jpeg) {
    JpegLayout layout;
    EXPECT_FALSE(ParseJpeg(jpeg, layout));
    std::vector<uint8_t> tables;
    for (size_t pos = 2; pos < layout.firstScan;) {
        const size_t length = (jpeg[pos + 2] << 8) | jpeg[pos + 3];
        if (jpeg[pos + 1] == 0xC4) tables.insert(tables.end(), jpeg.begin() + pos + 4, jpeg.begin() + pos + 2 + length);
        pos += 2 + length;
    }
    return tables;
}

TEST(JpegCodecTest, CompressesRgbAndYuyvFaithfully) {
    for (PixelFormat format : {PixelFormat::Rgb24, PixelFormat::Yuyv}) {
        const Frame frame = SceneFrame(format);
        std::vector<uint8_t> jpeg;
        ASSERT_FALSE(EncodeJpeg(frame, kDefaultJpegQuality, jpeg));
        Frame decoded;
        ASSERT_FALSE(DecodeJpegToRgb(jpeg, decoded));
        Frame expected;
        ASSERT_FALSE(FrameToRgb24(frame, expected));
        EXPECT_EQ(decoded.width, 640);
        EXPECT_EQ(decoded.height, 480);
        // A wrong range or plane order shows as a large average error; JPEG at 90 stays small.
        EXPECT_LT(MeanAbsDifference(decoded.data, expected.data), 4.0);
        EXPECT_EQ(ReadFrameStamp(decoded), 5u);
    }
}

TEST(JpegCodecTest, RefusesFramesWhoseDataDoesNotMatchTheirSize) {
    Frame frame = SceneFrame(PixelFormat::Rgb24);
    frame.data.pop_back();
    std::vector<uint8_t> jpeg;
    EXPECT_EQ(EncodeJpeg(frame, 90, jpeg).kind, ErrorKind::BadFrame);
    frame = SceneFrame(PixelFormat::Yuyv);
    frame.width -= 1;
    EXPECT_EQ(EncodeJpeg(frame, 90, jpeg).kind, ErrorKind::BadFrame);
    EXPECT_EQ(DecodeJpegToRgb(std::vector<uint8_t>{1, 2, 3}, frame).kind, ErrorKind::BadFrame);
}

// Camera JPEGs lack Huffman tables; the ones inserted must be exactly the standard tables that
// libjpeg uses when it writes them itself.
TEST(JpegCodecTest, CameraJpegGetsTheStandardHuffmanTables) {
    const Frame camera = SceneFrame(PixelFormat::Mjpeg);
    JpegLayout layout;
    ASSERT_FALSE(ParseJpeg(camera.data, layout));
    ASSERT_FALSE(layout.hasHuffmanTables);
    ASSERT_LT(layout.end, camera.data.size());  // padded, as drivers do

    std::vector<uint8_t> completed;
    ASSERT_FALSE(CompleteCameraJpeg(camera.data, completed));
    ASSERT_FALSE(ParseJpeg(completed, layout));
    EXPECT_TRUE(layout.hasHuffmanTables);
    EXPECT_EQ(layout.end, completed.size());

    const Frame reference = SceneFrame(PixelFormat::Mjpeg, 640, 480, false);
    std::vector<uint8_t> expectedTables = HuffmanTableBytes(reference.data);
    std::vector<uint8_t> insertedTables = HuffmanTableBytes(completed);
    // libjpeg writes one segment per table; ours holds all four. Compare table by table.
    auto split = [](const std::vector<uint8_t>& bytes) {
        std::map<uint8_t, std::vector<uint8_t>> tables;
        for (size_t pos = 0; pos < bytes.size();) {
            size_t count = 0;
            for (int i = 1; i <= 16; ++i) count += bytes[pos + i];
            tables[bytes[pos]] = std::vector<uint8_t>(bytes.begin() + pos, bytes.begin() + pos + 17 + count);
            pos += 17 + count;
        }
        return tables;
    };
    EXPECT_EQ(split(insertedTables), split(expectedTables));

    Frame ours;
    Frame theirs;
    ASSERT_FALSE(DecodeJpegToRgb(completed, ours));
    ASSERT_FALSE(DecodeJpegToRgb(reference.data, theirs));
    EXPECT_EQ(ours.data, theirs.data);

    // And ffmpeg decodes it without a word, to the same picture.
    testing::ScratchDir dir;
    const std::string path = dir.path("camera.jpg");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(completed.data()), std::streamsize(completed.size()));
    const testing::FfmpegDecode decoded = testing::DecodeWithFfmpeg(path, 640, 480);
    ASSERT_TRUE(decoded.ok) << decoded.errors;
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_LT(MeanAbsDifference(decoded.frames[0].data, ours.data), 2.0);
    EXPECT_EQ(ReadFrameStamp(decoded.frames[0]), 5u);
}

TEST(JpegCodecTest, CompleteJpegIsOnlyTrimmed) {
    const Frame reference = SceneFrame(PixelFormat::Mjpeg, 320, 240, false);
    std::vector<uint8_t> padded = reference.data;
    padded.resize(padded.size() + 100, 0);
    std::vector<uint8_t> completed;
    ASSERT_FALSE(CompleteCameraJpeg(padded, completed));
    EXPECT_EQ(completed, reference.data);
    EXPECT_EQ(CompleteCameraJpeg(std::span(reference.data).first(reference.data.size() - 3), completed).kind,
              ErrorKind::BadFrame);
}

// Uncompressed AVIs hold bottom-up BGR rows padded to four bytes.
TEST(JpegCodecTest, DecodesToBottomUpDibRows) {
    const int width = 322;  // 966 bytes a row, padded to 968
    Frame frame = SceneFrame(PixelFormat::Mjpeg, width, 240, false);
    std::vector<uint8_t> dib;
    ASSERT_FALSE(DecodeJpegToDib(frame.data, width, 240, dib));
    ASSERT_EQ(DibRowStride(width), 968u);
    ASSERT_EQ(dib.size(), 968u * 240);
    Frame rgb;
    ASSERT_FALSE(DecodeJpegToRgb(frame.data, rgb));
    std::vector<uint8_t> back(rgb.data.size());
    DibToRgb24(dib.data(), width, 240, back.data());
    EXPECT_EQ(back, rgb.data);
    // The last row of the picture comes first, as blue, green, red.
    EXPECT_EQ(dib[0], rgb.data[(239 * width) * 3 + 2]);
    EXPECT_EQ(dib[2], rgb.data[(239 * width) * 3 + 0]);
    EXPECT_EQ(DecodeJpegToDib(frame.data, 320, 240, dib).kind, ErrorKind::BadFrame);
}

TEST(JpegCodecTest, YuyvConversionsRoundTrip) {
    const Frame rgb = SceneFrame(PixelFormat::Rgb24, 320, 240);
    std::vector<uint8_t> yuyv(320 * 240 * 2);
    Rgb24ToYuyv(rgb.data.data(), 320, 240, yuyv.data());
    std::vector<uint8_t> back(rgb.data.size());
    YuyvToRgb24(yuyv.data(), 320, 240, back.data());
    EXPECT_LT(MeanAbsDifference(back, rgb.data), 3.0);
    // Pure colours keep their place: black, white and red.
    const uint8_t colours[] = {0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 0};
    uint8_t packed[12];
    uint8_t again[18];
    Rgb24ToYuyv(colours, 6, 1, packed);
    EXPECT_EQ(packed[0], 16);   // black is Y=16 in limited range
    EXPECT_EQ(packed[4], 235);  // white is Y=235
    YuyvToRgb24(packed, 6, 1, again);
    for (int i = 0; i < 18; ++i) EXPECT_NEAR(again[i], colours[i], 3) << i;
}

TEST(JpegCodecTest, PreviewDecodesAtTheSmallestSizeCoveringTheWish) {
    const Frame mjpeg = SceneFrame(PixelFormat::Mjpeg);
    struct Case {
        int wantWidth, wantHeight, width, height;
    };
    for (const Case& c : {Case{160, 120, 160, 120}, Case{200, 150, 240, 180}, Case{320, 200, 320, 240},
                          Case{1000, 1000, 640, 480}, Case{0, 0, 640, 480}}) {
        Frame preview;
        ASSERT_FALSE(DecodePreview(mjpeg, c.wantWidth, c.wantHeight, preview));
        EXPECT_EQ(preview.width, c.width) << c.wantWidth;
        EXPECT_EQ(preview.height, c.height) << c.wantWidth;
        EXPECT_EQ(ReadFrameStamp(preview), 5u) << c.wantWidth;
    }
    for (PixelFormat format : {PixelFormat::Rgb24, PixelFormat::Yuyv}) {
        const Frame frame = SceneFrame(format);
        Frame preview;
        ASSERT_FALSE(DecodePreview(frame, 200, 150, preview));
        EXPECT_EQ(preview.width, 213);  // every 3rd pixel: every 4th would be smaller than wished
        EXPECT_EQ(preview.height, 160);
        EXPECT_EQ(ReadFrameStamp(preview), 5u);
    }
}

}  // namespace
}  // namespace media
