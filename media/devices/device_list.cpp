#include "device_list.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

namespace media {
namespace {

std::optional<int> VideoNodeNumber(const std::string& fileName) {
    constexpr std::string_view prefix = "video";
    if (fileName.size() <= prefix.size() || fileName.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    int n = 0;
    for (size_t i = prefix.size(); i < fileName.size(); ++i) {
        const char c = fileName[i];
        if (c < '0' || c > '9' || n > 100000) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Fixed-size, possibly unterminated string fields of v4l2_capability.
std::string Field(const __u8* text, size_t size) {
    const char* s = reinterpret_cast<const char*>(text);
    return std::string(s, strnlen(s, size));
}

std::string VersionText(__u32 v) {
    return "v" + std::to_string((v >> 16) & 0xff) + "." + std::to_string((v >> 8) & 0xff) + "." +
           std::to_string(v & 0xff);
}

std::optional<CaptureDevice> Probe(V4l2Io& io, const std::string& path) {
    const int fd = io.open(path, OpenMode::Query);
    if (fd < 0) return std::nullopt;
    v4l2_capability cap{};
    const bool known = io.ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
    io.close(fd);
    if (!known) return std::nullopt;
    // A multi-function device advertises the union of its nodes in `capabilities`; only
    // device_caps says what this node does.
    const __u32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE)) return std::nullopt;
    CaptureDevice d;
    d.path = path;
    d.name = Field(cap.card, sizeof cap.card);
    d.description = Field(cap.driver, sizeof cap.driver) + " " + VersionText(cap.version);
    d.busInfo = Field(cap.bus_info, sizeof cap.bus_info);
    return d;
}

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

// A video node's "device" is the USB interface; the serial number belongs to the USB device
// above it.
std::string SerialOf(const std::string& sysfsDir, const std::string& nodeName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path device = fs::canonical(fs::path(sysfsDir) / "class/video4linux" / nodeName / "device", ec);
    if (ec) return {};
    for (const fs::path& folder : {device, device.parent_path()}) {
        std::string serial = FirstLine(folder / "serial");
        if (!serial.empty()) return serial;
    }
    return {};
}

// "usb-0000:00:14.0-2.1" is port 2.1 of that controller; other buses are named as they are.
std::string PortName(const std::string& busInfo) {
    if (busInfo.rfind("usb-", 0) == 0) {
        const size_t dash = busInfo.rfind('-');
        if (dash != std::string::npos && dash > 3) return "port " + busInfo.substr(dash + 1);
    }
    return busInfo;
}

void LabelTwins(std::vector<CaptureDevice>& devices) {
    for (CaptureDevice& d : devices) {
        const bool twin =
            std::count_if(devices.begin(), devices.end(), [&](const CaptureDevice& o) { return o.name == d.name; }) > 1;
        d.label = d.name;
        if (twin) d.label += " (" + (d.busInfo.empty() ? d.path : PortName(d.busInfo)) + ")";
    }
}

}  // namespace

std::string SettingsKey(const CaptureDevice& device) {
    if (!device.serial.empty()) return device.name + " serial " + device.serial;
    if (!device.busInfo.empty()) return device.name + " at " + device.busInfo;
    return device.name;
}

std::optional<CaptureDevice> ProbeCaptureDevice(V4l2Io& io, const std::string& path, const std::string& sysfsDir) {
    auto d = Probe(io, path);
    if (d) {
        std::error_code ec;
        const std::filesystem::path real = std::filesystem::canonical(path, ec);
        d->serial = SerialOf(sysfsDir, (ec ? std::filesystem::path(path) : real).filename().string());
        d->label = d->name;
    }
    return d;
}

std::vector<CaptureDevice> ListCaptureDevices(V4l2Io& io, const std::string& deviceDir, const std::string& sysfsDir) {
    std::vector<std::pair<int, std::string>> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(deviceDir, ec)) {
        if (auto n = VideoNodeNumber(entry.path().filename().string())) nodes.emplace_back(*n, entry.path().string());
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<CaptureDevice> devices;
    for (const auto& [n, path] : nodes) {
        if (static_cast<int>(devices.size()) == kMaxCaptureDevices) break;
        if (auto d = Probe(io, path)) {
            d->index = static_cast<int>(devices.size());
            d->serial = SerialOf(sysfsDir, "video" + std::to_string(n));
            devices.push_back(std::move(*d));
        }
    }
    LabelTwins(devices);
    return devices;
}

}  // namespace media
