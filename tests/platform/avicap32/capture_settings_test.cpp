// The capture window's store of what the user chose: values come back from the file in a new
// store (as after a restart), devices keep apart whatever their names hold, a file an earlier
// version wrote reads as it was meant, and values this version cannot read count as never set.
#include "capture_settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <fstream>

namespace {

using avicap32::CaptureSettings;
using avicap32::DisplaySettings;

// A copy of `text` as the store's file in `folder`, so that the store may write to it.
QString StoreFile(const QTemporaryDir& folder, const std::string& text) {
    const QString file = folder.filePath(QStringLiteral("capture.conf"));
    std::ofstream(file.toStdString()) << text;
    return file;
}

std::string ReadAll(const char* path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CaptureSettingsTest, WhatWasSetIsReadBackByTheNextRunPerDevice) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("capture.conf"));
    const std::string camera = "HD Webcam serial 0123/A", twin = "HD Webcam serial 0123";
    const DisplaySettings display{.onionFrames = 2,
                                  .onionOpacity = 55,
                                  .mirror = true,
                                  .loop = true,
                                  .largeView = true,
                                  .guides = {.thirds = true, .titleSafe = true, .mask43 = true},
                                  .shortPlayFrames = 12};
    {
        CaptureSettings settings(file);
        EXPECT_TRUE(settings.lastDevice().empty());
        media::ControlMemory controls;
        controls.remember(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);
        controls.remember(V4L2_CID_BRIGHTNESS, -12);
        settings.setControls(camera, controls);
        settings.setPictureSize(camera, {1280, 720});
        settings.setPixelFormat(camera, media::PixelFormat::Yuyv);
        settings.setFrameInterval(camera, {1, 15});
        settings.setCodec(camera, media::AviVideoCodec::Dib);
        settings.setJpegQuality(camera, 75);
        settings.setStillsTakeWidth(camera, 1920);
        settings.setDisplay(camera, display);
        settings.setLastDevice(camera);
    }
    CaptureSettings settings(file);  // nothing kept in memory: all of it comes from the file
    EXPECT_EQ(settings.lastDevice(), camera);
    media::ControlMemory expected;
    expected.remember(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);
    expected.remember(V4L2_CID_BRIGHTNESS, -12);
    EXPECT_EQ(settings.controls(camera), expected) << "in the order they were set";
    EXPECT_EQ(settings.pictureSize(camera), (media::FrameSize{1280, 720}));
    EXPECT_EQ(settings.pixelFormat(camera), media::PixelFormat::Yuyv);
    EXPECT_EQ(settings.frameInterval(camera), (media::FrameInterval{1, 15}));
    EXPECT_EQ(settings.codec(camera), media::AviVideoCodec::Dib);
    EXPECT_EQ(settings.jpegQuality(camera), 75);
    EXPECT_EQ(settings.stillsTakeWidth(camera), 1920);
    EXPECT_EQ(settings.display(camera), display);

    EXPECT_TRUE(settings.controls(twin).empty()) << "a '/' in a key is not a nested group";
    EXPECT_FALSE(settings.pictureSize(twin));
    const DisplaySettings twinDisplay = settings.display(twin);
    EXPECT_FALSE(twinDisplay.mirror);
    EXPECT_TRUE(twinDisplay.largeView) << "the large view is open for every device";
}

// A stills camera is named by its port until it tells its serial number: what was kept under the
// port goes with it once, and never over what the serial number already keeps.
TEST(CaptureSettingsTest, ADeviceAdoptsWhatWasKeptUnderItsEarlierName) {
    QTemporaryDir folder;
    CaptureSettings settings(folder.filePath(QStringLiteral("capture.conf")));
    const std::string port = "gphoto2:Body@usb:001,004", serial = "gphoto2:Body#42", other = "gphoto2:Body@usb:001,009";
    settings.setJpegQuality(port, 75);
    settings.setStillsTakeWidth(port, 1920);
    settings.setJpegQuality(other, 60);
    settings.adopt(serial, port);
    settings.adopt(serial, other);
    EXPECT_EQ(settings.jpegQuality(serial), 75);
    EXPECT_EQ(settings.stillsTakeWidth(serial), 1920);
    EXPECT_EQ(settings.jpegQuality(port), 75);
}

// What the build before the one typed store wrote, kept byte for byte.
TEST(CaptureSettingsTest, AFileWrittenByAnEarlierVersionRestoresTheSameSettings) {
    QTemporaryDir folder;
    CaptureSettings settings(StoreFile(folder, ReadAll(KINOREE_AVICAP32_TEST_DATA "/capture.conf")));
    const std::string camera = "HD Webcam: serial 0123/A", scene = "Built-in test scene";

    EXPECT_EQ(settings.lastDevice(), camera);
    media::ControlMemory controls;
    controls.remember(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);
    controls.remember(V4L2_CID_BRIGHTNESS, -12);
    EXPECT_EQ(settings.controls(camera), controls);
    EXPECT_EQ(settings.pictureSize(camera), (media::FrameSize{1280, 720}));
    EXPECT_EQ(settings.pixelFormat(camera), media::PixelFormat::Yuyv);
    EXPECT_EQ(settings.frameInterval(camera), (media::FrameInterval{1, 15}));
    EXPECT_EQ(settings.codec(camera), media::AviVideoCodec::Dib);
    EXPECT_EQ(settings.jpegQuality(camera), 75);
    EXPECT_EQ(
        settings.display(camera),
        (DisplaySettings{.onionFrames = 3, .onionOpacity = 70, .mirror = true, .loop = false, .largeView = true}));

    EXPECT_EQ(settings.pictureSize(scene), (media::FrameSize{320, 240}));
    EXPECT_EQ(settings.display(scene), (DisplaySettings{.largeView = true})) << "the rest as never set";
    EXPECT_FALSE(settings.codec(scene));
}

TEST(CaptureSettingsTest, ValuesThisVersionCannotReadCountAsNeverSet) {
    QTemporaryDir folder;
    CaptureSettings settings(StoreFile(folder,
                                       "[device%20cam]\n"
                                       "pictureSize=wide\n"
                                       "pixelFormat=H264\n"
                                       "frameInterval=1/0\n"
                                       "controls=zz=1, 00980900\n"
                                       "compression=H264\n"
                                       "jpegQuality=-3\n"
                                       "stillsTakeWidth=50000\n"
                                       "display\\onionFrames=many\n"));
    EXPECT_FALSE(settings.pictureSize("cam"));
    EXPECT_FALSE(settings.pixelFormat("cam"));
    EXPECT_FALSE(settings.frameInterval("cam"));
    EXPECT_TRUE(settings.controls("cam").empty());
    EXPECT_FALSE(settings.codec("cam"));
    EXPECT_FALSE(settings.jpegQuality("cam"));
    EXPECT_FALSE(settings.stillsTakeWidth("cam")) << "only the widths offered";
    EXPECT_EQ(settings.display("cam"), DisplaySettings{});
}

}  // namespace
