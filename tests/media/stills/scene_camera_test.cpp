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

class SceneCamera : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<DetectedCamera> found;
        ASSERT_EQ(m_camera.detect(found), GP_OK);
        ASSERT_EQ(found.size(), 1u);
        ASSERT_EQ(m_camera.open(found[0]), GP_OK);
    }
    std::string value(const std::string& name) {
        ConfigWidget w;
        EXPECT_EQ(m_camera.getConfig(name, w), GP_OK);
        return w.value;
    }
    SceneCameraIo m_camera{SmallCamera()};
};

TEST_F(SceneCamera, StillIsAWholeJpegOfTheStillSizeWithExif) {
    CameraFilePath path;
    ASSERT_EQ(m_camera.captureImage(path), GP_OK);
    std::vector<uint8_t> jpeg;
    ASSERT_EQ(m_camera.download(path, jpeg), GP_OK);
    EXPECT_TRUE(HasExif(jpeg));
    Frame rgb;
    ASSERT_FALSE(DecodeJpegToRgb(jpeg, rgb));
    EXPECT_EQ((FrameSize{rgb.width, rgb.height}), SmallCamera().still);
}

TEST_F(SceneCamera, RawPlusJpegReportsTheSecondFileAsACameraDoes) {
    ASSERT_EQ(m_camera.setConfig("imageformat", "RAW + Large Fine JPEG"), GP_OK);
    CameraFilePath path;
    ASSERT_EQ(m_camera.captureImage(path), GP_OK);
    CameraEvent event;
    ASSERT_EQ(m_camera.waitForEvent(0, event), GP_OK);
    ASSERT_EQ(event.kind, CameraEventKind::FileAdded);
    EXPECT_EQ(event.file.name, "IMG_0001.CR2");
    std::vector<uint8_t> raw;
    EXPECT_EQ(m_camera.download(event.file, raw), GP_OK);
    ASSERT_EQ(m_camera.waitForEvent(0, event), GP_OK);
    EXPECT_EQ(event.kind, CameraEventKind::CaptureComplete);
}

TEST_F(SceneCamera, SettingsBehaveAsOnABodyWithAModeDial) {
    EXPECT_EQ(m_camera.setConfig("iso", "12345"), GP_ERROR_BAD_PARAMETERS);
    EXPECT_EQ(m_camera.setConfig("serialnumber", "x"), GP_ERROR_NOT_SUPPORTED);
    // Accepted but ignored outside manual exposure: only reading back shows it.
    EXPECT_EQ(m_camera.setConfig("shutterspeed", "1/250"), GP_OK);
    EXPECT_EQ(value("shutterspeed"), "1/60");
    ASSERT_EQ(m_camera.setConfig("autoexposuremode", "Manual"), GP_OK);
    EXPECT_EQ(m_camera.setConfig("shutterspeed", "1/250"), GP_OK);
    EXPECT_EQ(value("shutterspeed"), "1/250");
}

}  // namespace
}  // namespace media
