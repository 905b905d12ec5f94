#include "media/devices/device_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fake_v4l2_io.h"

namespace media {
namespace {

namespace fs = std::filesystem;
using testing::FakeDevice;
using testing::FakeV4l2Io;

class DeviceListTest : public ::testing::Test {
protected:
    DeviceListTest() { fs::create_directories(m_dir); }
    ~DeviceListTest() override { fs::remove_all(m_dir); }

    // A node in the device folder, and the driver behind it.
    FakeDevice& node(const std::string& name, const std::string& card) {
        std::ofstream(m_dir / name).put('\n');
        FakeDevice& d = m_io.add((m_dir / name).string());
        d.card = card;
        return d;
    }

    std::vector<std::string> cards() {
        std::vector<std::string> out;
        for (const CaptureDevice& d : ListCaptureDevices(m_io, m_dir.string())) out.push_back(d.name);
        return out;
    }

    fs::path m_dir = fs::temp_directory_path() / ("kinoree-devlist-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    FakeV4l2Io m_io;
};

TEST_F(DeviceListTest, ListsCaptureNodesInNumericOrderWithDriverDescription) {
    node("video10", "Ten");
    node("video2", "Two").driver = "uvcvideo";
    node("video0", "Zero");
    node("vbi0", "Teletext");
    node("videoX", "Not a node");

    const auto devices = ListCaptureDevices(m_io, m_dir.string());
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].name, "Zero");
    EXPECT_EQ(devices[1].name, "Two");
    EXPECT_EQ(devices[2].name, "Ten");
    EXPECT_EQ(devices[1].index, 1);
    EXPECT_EQ(devices[1].path, (m_dir / "video2").string());
    EXPECT_EQ(devices[1].description, "uvcvideo v6.1.19");
}

TEST_F(DeviceListTest, KeepsOnlyNodesThatCaptureVideoThemselves) {
    node("video0", "Camera");
    node("video1", "Camera metadata").caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    node("video2", "Output").caps = V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_STREAMING;
    FakeDevice& old = node("video3", "Old driver");
    old.hasDeviceCaps = false;
    old.caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE;
    node("video4", "Locked").openErrno = EACCES;

    EXPECT_EQ(cards(), (std::vector<std::string>{"Camera", "Old driver"}));
    EXPECT_EQ(m_io.openModes, std::vector<OpenMode>(4, OpenMode::Query))
        << "listing must not depend on libv4l2 accepting the node";
    EXPECT_EQ(m_io.openDescriptors(), 0);
}

TEST_F(DeviceListTest, OffersAtMostTenDevices) {
    for (int n = 0; n < 12; ++n) node("video" + std::to_string(n), "Cam " + std::to_string(n));
    const auto names = cards();
    ASSERT_EQ(names.size(), size_t(kMaxCaptureDevices));
    EXPECT_EQ(names.back(), "Cam 9");
}

// Two cameras of one model tell themselves apart by port; one with a serial number keeps its
// settings on any port, one without keeps them per port.
TEST_F(DeviceListTest, TwinCamerasAreLabelledByPortAndKeyedBySerialWhereTheyHaveOne) {
    node("video0", "HD Webcam").busInfo = "usb-0000:00:14.0-2";
    node("video2", "HD Webcam").busInfo = "usb-0000:00:14.0-3.1";
    node("video4", "Capture Card").busInfo = "PCI:0000:03:00.0";
    node("video6", "Plain");
    // sysfs: the node's device is the USB interface, whose USB device has the serial number.
    const fs::path sys = m_dir / "sys";
    fs::create_directories(sys / "class/video4linux/video2");
    fs::create_directories(sys / "devices/usb1/1-3.1/1-3.1:1.0");
    std::ofstream(sys / "devices/usb1/1-3.1/serial") << "A1B2C3\n";
    fs::create_symlink("../../../devices/usb1/1-3.1/1-3.1:1.0", sys / "class/video4linux/video2/device");

    const auto devices = ListCaptureDevices(m_io, m_dir.string(), sys.string());
    ASSERT_EQ(devices.size(), 4u);
    std::vector<std::string> labels, keys;
    for (const CaptureDevice& d : devices) {
        labels.push_back(d.label);
        keys.push_back(SettingsKey(d));
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{"HD Webcam (port 2)", "HD Webcam (port 3.1)", "Capture Card", "Plain"}));
    EXPECT_EQ(keys, (std::vector<std::string>{"HD Webcam at usb-0000:00:14.0-2", "HD Webcam serial A1B2C3",
                                              "Capture Card at PCI:0000:03:00.0", "Plain"}));
}

TEST_F(DeviceListTest, MissingFolderMeansNoDevices) {
    EXPECT_TRUE(ListCaptureDevices(m_io, (m_dir / "absent").string()).empty());
}

}  // namespace
}  // namespace media
