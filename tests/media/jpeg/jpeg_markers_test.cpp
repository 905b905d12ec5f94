// The marker walk decides which camera buffers become frames of a recording: whole images
// only, without the padding drivers leave after them.
#include <gtest/gtest.h>

#include "media/jpeg/huffman_tables.h"
#include "media/jpeg/jpeg_encoder.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/testscene/scene_painter.h"

#include <turbojpeg.h>

namespace media {
namespace {

std::vector<uint8_t> TestJpeg(int flags = 0) {
    Frame frame{PixelFormat::Rgb24, 160, 120, std::vector<uint8_t>(160 * 120 * 3)};
    PaintTestScene(7, 160, 120, frame.data.data());
    std::vector<uint8_t> jpeg;
    if (flags == 0) {
        EXPECT_FALSE(EncodeJpeg(frame, 90, jpeg));
        return jpeg;
    }
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(h, frame.data.data(), 160, 0, 120, TJPF_RGB, &out, &size, TJSAMP_420, 90, flags), 0);
    jpeg.assign(out, out + size);
    tjFree(out);
    tjDestroy(h);
    return jpeg;
}

// Where the marker walk says the image ends; 0 when it is not one whole image.
size_t EndOf(const std::vector<uint8_t>& data) {
    JpegLayout layout;
    return ParseJpeg(data, layout) ? 0 : layout.end;
}

// Inserts a segment right after SOI.
std::vector<uint8_t> WithSegmentAfterSoi(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& segment) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

TEST(JpegMarkersTest, FindsTheEndBehindPadding) {
    const std::vector<uint8_t> jpeg = TestJpeg();
    EXPECT_EQ(EndOf(jpeg), jpeg.size());

    for (const std::vector<uint8_t>& padding :
         {std::vector<uint8_t>(4096, 0), std::vector<uint8_t>{0xFF, 0xD9, 0xFF, 0xD9, 0x00},
          std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0}}) {
        std::vector<uint8_t> padded = jpeg;
        padded.insert(padded.end(), padding.begin(), padding.end());
        EXPECT_EQ(EndOf(padded), jpeg.size());
    }
}

TEST(JpegMarkersTest, IgnoresEndMarkersInsideSegments) {
    // An APP segment, as an EXIF thumbnail would be, holding an image end of its own.
    const std::vector<uint8_t> app = {0xFF, 0xE1, 0x00, 0x08, 0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x00};
    const std::vector<uint8_t> jpeg = WithSegmentAfterSoi(TestJpeg(), app);
    EXPECT_EQ(EndOf(jpeg), jpeg.size());
}

TEST(JpegMarkersTest, WalksProgressiveImagesWithManyScans) {
    const std::vector<uint8_t> jpeg = TestJpeg(TJFLAG_PROGRESSIVE);
    JpegLayout layout;
    ASSERT_FALSE(ParseJpeg(jpeg, layout));
    EXPECT_EQ(layout.end, jpeg.size());
    EXPECT_EQ(layout.width, 160);
    EXPECT_EQ(layout.height, 120);
}

TEST(JpegMarkersTest, RefusesEveryTruncation) {
    const std::vector<uint8_t> jpeg = TestJpeg();
    for (size_t length = 0; length < jpeg.size(); ++length) {
        JpegLayout layout;
        const Error e = ParseJpeg(std::span(jpeg).first(length), layout);
        ASSERT_EQ(e.kind, ErrorKind::BadFrame) << "cut at " << length;
        ASSERT_FALSE(e.message.empty());
    }
}

TEST(JpegMarkersTest, RefusesMalformedStructure) {
    const std::vector<uint8_t> jpeg = TestJpeg();
    JpegLayout layout;
    ASSERT_FALSE(ParseJpeg(jpeg, layout));

    std::vector<uint8_t> noSoi(jpeg.begin() + 2, jpeg.end());
    EXPECT_TRUE(ParseJpeg(noSoi, layout));

    // Without its frame header the scan cannot be decoded.
    ASSERT_FALSE(ParseJpeg(jpeg, layout));
    std::vector<uint8_t> noFrameHeader;
    for (size_t pos = 0; pos < jpeg.size();) {
        const bool segment = pos > 0 && pos < layout.firstScan;
        const size_t length = segment ? 2 + ((jpeg[pos + 2] << 8) | jpeg[pos + 3]) : 2;
        const size_t end = pos < layout.firstScan ? pos + length : jpeg.size();
        if (!(segment && jpeg[pos + 1] == 0xC0)) {
            noFrameHeader.insert(noFrameHeader.end(), jpeg.begin() + pos, jpeg.begin() + end);
        }
        pos = end;
    }
    ASSERT_LT(noFrameHeader.size(), jpeg.size());
    EXPECT_TRUE(ParseJpeg(noFrameHeader, layout));

    // A segment whose length runs past the data.
    EXPECT_TRUE(ParseJpeg(WithSegmentAfterSoi(jpeg, {0xFF, 0xE0, 0xFF, 0xF0}), layout));
    // Garbage where a marker belongs.
    EXPECT_TRUE(ParseJpeg(WithSegmentAfterSoi(jpeg, {0x12, 0x34}), layout));
    // No scan at all.
    EXPECT_TRUE(ParseJpeg(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9}, layout));
}

}  // namespace
}  // namespace media
