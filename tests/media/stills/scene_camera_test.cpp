// The built-in stills camera and the reasons a camera's failures are given in: what a user of
// "test-stills" meets must be what a real body does.
#include <gtest/gtest.h>

#include "fake_gphoto_io.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/stills/camera_error.h"
#include "media/stills/exif.h"

namespace media {
namespace {

using testing::SmallCamera;

TEST(CameraFailure, SaysWhatHappenedAndWhatToDo) {
    struct Case {
        int code;
        ErrorKind kind;
        const char* mentions;
    };
    const Case cases[] = {
        {GP_ERROR_IO_USB_CLAIM, ErrorKind::DeviceBusy, "photo-import service"},
        {GP_ERROR_IO_USB_CLAIM, ErrorKind::DeviceBusy, "gio mount -s gphoto2"},
        {GP_ERROR_IO_USB_FIND, ErrorKind::DeviceGone, "unplugged or switched off"},
        {GP_ERROR_IO_READ, ErrorKind::DeviceGone, "unplugged or switched off"},
        {GP_ERROR_NO_SPACE, ErrorKind::DiskFull, "memory card is full"},
        {GP_ERROR_TIMEOUT, ErrorKind::Io, "did not answer in time"},
        {GP_ERROR_CAMERA_BUSY, ErrorKind::Io, "focusing"},
        {GP_ERROR_CORRUPTED_DATA, ErrorKind::Io, "Cannot take a still: "},
    };
    for (const Case& c : cases) {
        const Error e = CameraFailure(c.code, "take a still");
        EXPECT_EQ(e.kind, c.kind) << c.code;
        EXPECT_NE(e.message.find(c.mentions), std::string::npos) << e.message;
    }
}

TEST(SceneCamera, StillIsAWholeJpegOfTheStillSizeWithExif) {
    SceneCameraIo camera{SmallCamera()};
    std::vector<DetectedCamera> found;
    ASSERT_EQ(camera.detect(found), GP_OK);
    ASSERT_EQ(camera.open(found.at(0)), GP_OK);
    CameraFilePath path;
    ASSERT_EQ(camera.captureImage(path), GP_OK);
    std::vector<uint8_t> jpeg;
    ASSERT_EQ(camera.download(path, jpeg), GP_OK);
    EXPECT_TRUE(HasExif(jpeg));
    Frame rgb;
    ASSERT_FALSE(DecodeJpegToRgb(jpeg, rgb));
    EXPECT_EQ((FrameSize{rgb.width, rgb.height}), SmallCamera().still);
}

}  // namespace
}  // namespace media
