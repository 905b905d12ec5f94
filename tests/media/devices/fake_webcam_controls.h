// The controls of a typical USB webcam, as a scripted device offers them: automatic modes that
// govern manual values, menus with left-out items, and controls a settings dialog must not show.
#pragma once

#include <linux/videodev2.h>

#include <string>
#include <vector>

#include "fake_v4l2_io.h"

namespace media::testing {

inline FakeControl MakeFakeControl(uint32_t id, uint32_t type, std::string name, int32_t minimum, int32_t maximum,
                                   int32_t step, int32_t defaultValue, uint32_t flags = 0) {
    FakeControl c;
    c.id = id;
    c.type = type;
    c.name = std::move(name);
    c.minimum = minimum;
    c.maximum = maximum;
    c.step = step;
    c.defaultValue = defaultValue;
    c.value = defaultValue;
    c.flags = flags;
    return c;
}

inline std::vector<FakeControl> WebcamControls() {
    std::vector<FakeControl> c(13);
    c[0] = MakeFakeControl(V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", 0, 255, 1, 128);
    c[1] = MakeFakeControl(V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 5, 50);
    c[2] = MakeFakeControl(V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1, 1, 1);
    c[3] = MakeFakeControl(V4L2_CID_GAMMA, V4L2_CTRL_TYPE_INTEGER, "Gamma", 72, 500, 1, 100, V4L2_CTRL_FLAG_DISABLED);
    c[4] = MakeFakeControl(V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 1, 1);
    c[4].menu = {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}};
    c[5] = MakeFakeControl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CTRL_TYPE_INTEGER, "White Balance Temperature",
                           2800, 6500, 10, 4600);
    c[5].governor = V4L2_CID_AUTO_WHITE_BALANCE;
    c[6] =
        MakeFakeControl(V4L2_CID_MPEG_VIDEO_BITRATE, V4L2_CTRL_TYPE_INTEGER, "Video Bitrate", 0, 1 << 20, 1, 1 << 16);
    c[7] = MakeFakeControl(V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0, 0, 0,
                           V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY);
    c[8] = MakeFakeControl(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1,
                           V4L2_EXPOSURE_APERTURE_PRIORITY);
    c[8].menu = {{V4L2_EXPOSURE_MANUAL, "Manual Mode"}, {V4L2_EXPOSURE_APERTURE_PRIORITY, "Aperture Priority Mode"}};
    c[9] =
        MakeFakeControl(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 3, 2047, 1, 250);
    c[9].governor = V4L2_CID_EXPOSURE_AUTO;
    c[9].manualValue = V4L2_EXPOSURE_MANUAL;
    c[10] =
        MakeFakeControl(V4L2_CID_PAN_RESET, V4L2_CTRL_TYPE_BUTTON, "Pan, Reset", 0, 0, 0, 0, V4L2_CTRL_FLAG_WRITE_ONLY);
    c[11] = MakeFakeControl(V4L2_CID_ISO_SENSITIVITY, V4L2_CTRL_TYPE_INTEGER_MENU, "ISO Sensitivity", 0, 3, 1, 1);
    c[11].integerMenu = {{0, 100}, {1, 200}, {3, 800}};
    c[12] = MakeFakeControl(V4L2_CID_ZOOM_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Zoom, Absolute", 100, 500, 1, 100,
                            V4L2_CTRL_FLAG_READ_ONLY);
    return c;
}

}  // namespace media::testing
