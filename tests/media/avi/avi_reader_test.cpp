// Our reader must also read ordinary AVIs, here ones ffmpeg writes, frame for frame.
#include <gtest/gtest.h>

#include "media/avi/avi_reader.h"
#include "media/avi/riff_builder.h"
#include "media_test_support.h"

namespace media {
namespace {

using testing::RunCommand;
using testing::ScratchDir;

struct FfmpegCase {
    const char* codec;
    const char* pixelFormat;
    uint32_t compression;
};

void PrintTo(const FfmpegCase& c, std::ostream* os) { *os << c.codec; }

class AviReaderTest : public ::testing::TestWithParam<FfmpegCase> {};

TEST_P(AviReaderTest, ReadsFilesFfmpegWrites) {
    const FfmpegCase c = GetParam();
    ScratchDir dir;
    const std::string path = dir.path("ffmpeg.avi");
    const testing::CommandResult made =
        RunCommand({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=176x144:rate=10",
                    "-frames:v", "9", "-c:v", c.codec, "-pix_fmt", c.pixelFormat, path});
    ASSERT_EQ(made.exitCode, 0) << made.err;

    AviReader reader;
    ASSERT_FALSE(reader.open(path));
    EXPECT_EQ(reader.headers().compression, c.compression);
    EXPECT_EQ(reader.headers().bitmapWidth, 176);
    EXPECT_EQ(reader.headers().microSecPerFrame, 100000u);
    EXPECT_EQ(reader.headers().length, 9u);
    EXPECT_EQ(reader.riffParts(), 1);
    ASSERT_EQ(reader.frames().size(), 9u);
    EXPECT_EQ(reader.idx1Frames(), reader.scannedFrames());

    // The same pictures as ffmpeg decodes from it.
    const testing::FfmpegDecode theirs = testing::DecodeWithFfmpeg(path, 176, 144);
    ASSERT_TRUE(theirs.ok) << theirs.errors;
    ASSERT_EQ(theirs.frames.size(), 9u);
    for (size_t i = 0; i < 9; ++i) {
        Frame ours;
        ASSERT_FALSE(reader.decodeFrame(i, ours));
        ASSERT_EQ(ours.data.size(), theirs.frames[i].data.size());
        double difference = 0;
        for (size_t k = 0; k < ours.data.size(); ++k) {
            difference += std::abs(int(ours.data[k]) - int(theirs.frames[i].data[k]));
        }
        // The test picture is all sharp colour edges, where decoders upsample chroma
        // differently; swapped channels or rows are off by tens on average.
        EXPECT_LT(difference / double(ours.data.size()), 6.0) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, AviReaderTest,
                         ::testing::Values(FfmpegCase{"mjpeg", "yuvj422p", FourCC("MJPG")},
                                           FfmpegCase{"rawvideo", "bgr24", 0}),
                         [](const ::testing::TestParamInfo<FfmpegCase>& info) {
                             return std::string(info.param.codec);
                         });

TEST(AviReaderTest, RefusesWhatIsNotAnAvi) {
    ScratchDir dir;
    AviReader missing;
    EXPECT_EQ(missing.open(dir.path("none.avi")).kind, ErrorKind::Io);
    const testing::CommandResult made =
        RunCommand({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=d=0.1", dir.path("sound.wav")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    AviReader wav;
    EXPECT_EQ(wav.open(dir.path("sound.wav")).kind, ErrorKind::BadFrame);
}

}  // namespace
}  // namespace media
