// A camera buffer holds one JPEG and then whatever the driver left there: where the image ends.
#include "media/jpeg/jpeg_markers.h"

#include <gtest/gtest.h>

#include <optional>

#include "jpeg_bytes.h"

namespace media {
namespace {

using testing::MarkerRichJpeg;

std::optional<size_t> LengthOf(const std::vector<uint8_t>& bytes) {
    JpegLayout layout;
    if (ParseJpeg(bytes, layout)) return std::nullopt;
    return layout.end;
}

TEST(JpegInCaptureBuffer, EndsAtTheImagesOwnEoiNotAtMarkersInsideSegmentsOrTheScan) {
    const auto jpeg = MarkerRichJpeg();
    EXPECT_EQ(LengthOf(jpeg), jpeg.size());
}

TEST(JpegInCaptureBuffer, IgnoresStaleBytesAfterTheImageEvenWithAnotherEoi) {
    auto buffer = MarkerRichJpeg();
    const size_t real = buffer.size();
    const auto older = MarkerRichJpeg(0x77);  // the tail of an earlier, larger frame
    buffer.insert(buffer.end(), older.begin() + 20, older.end());
    buffer.resize(buffer.size() + 64, 0);
    EXPECT_EQ(LengthOf(buffer), real);
}

TEST(JpegInCaptureBuffer, FollowsSeveralScansWithTablesBetweenThem) {
    const std::vector<uint8_t> progressive = {
        0xFF, 0xD8,                                                  //
        0xFF, 0xC2, 0x00, 0x08, 0x08, 0x00, 0x10, 0x00, 0x10, 0x00,  // SOF2
        0xFF, 0xDA, 0x00, 0x03, 0x00, 0x12, 0xFF, 0x00,              // first scan
        0xFF, 0xC4, 0x00, 0x03, 0xD9,                                // DHT whose table holds 0xD9
        0xFF, 0xDA, 0x00, 0x03, 0x00, 0x34,                          // second scan
        0xFF, 0xD9,
    };
    EXPECT_EQ(LengthOf(progressive), progressive.size());
}

TEST(JpegInCaptureBuffer, RejectsWhatIsNotACompleteImage) {
    auto jpeg = MarkerRichJpeg();
    EXPECT_EQ(LengthOf({jpeg.begin(), jpeg.end() - 2}), std::nullopt) << "cut before EOI";
    EXPECT_EQ(LengthOf({jpeg.begin(), jpeg.begin() + 9}), std::nullopt) << "cut inside a segment";
    jpeg[1] = 0xD9;
    EXPECT_EQ(LengthOf(jpeg), std::nullopt) << "no SOI";
    EXPECT_EQ(LengthOf({}), std::nullopt);
    EXPECT_EQ(LengthOf({0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x01}), std::nullopt) << "impossible length";
}

}  // namespace
}  // namespace media
