// The capture window's store of what the user chose: values come back from the file in a new
// store (as after a restart), devices keep apart whatever their names hold, and values this
// version cannot read count as never set.
#include "capture_settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <linux/videodev2.h>

namespace {

using avicap32::CaptureSettings;

TEST(CaptureSettingsTest, WhatWasSetIsReadBackByTheNextRunPerDevice) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("capture.conf"));
    const QString camera = QStringLiteral("HD Webcam serial 0123/A"), twin = QStringLiteral("HD Webcam serial 0123");
    {
        CaptureSettings settings(file);
        EXPECT_TRUE(settings.lastDevice().isEmpty());
        media::ControlMemory controls;
        controls.remember(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);
        controls.remember(V4L2_CID_BRIGHTNESS, -12);
        settings.setControls(camera, controls);
        settings.setPictureSize(camera, {1280, 720});
        settings.setPixelFormat(camera, media::PixelFormat::Yuyv);
        settings.setFrameInterval(camera, {1, 15});
        settings.setCodec(camera, media::AviVideoCodec::Dib);
        settings.setJpegQuality(camera, 75);
        settings.setValue(camera, QStringLiteral("mirror"), true);
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
    EXPECT_TRUE(settings.value(camera, QStringLiteral("mirror")).toBool());

    EXPECT_TRUE(settings.controls(twin).empty()) << "a '/' in a key is not a nested group";
    EXPECT_FALSE(settings.pictureSize(twin));
    EXPECT_FALSE(settings.value(QString(), QStringLiteral("mirror")).isValid());

    settings.setValue(twin, QStringLiteral("pictureSize"), QStringLiteral("wide"));
    settings.setValue(twin, QStringLiteral("pixelFormat"), QStringLiteral("H264"));
    settings.setValue(twin, QStringLiteral("frameInterval"), QStringLiteral("1/0"));
    settings.setValue(twin, QStringLiteral("controls"),
                      QStringList{QStringLiteral("zz=1"), QStringLiteral("00980900")});
    EXPECT_FALSE(settings.pictureSize(twin));
    EXPECT_FALSE(settings.pixelFormat(twin));
    EXPECT_FALSE(settings.frameInterval(twin));
    EXPECT_TRUE(settings.controls(twin).empty());
}

}  // namespace
