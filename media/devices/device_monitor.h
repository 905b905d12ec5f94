// Video devices plugged in and unplugged, as udev announces them on a socket that the caller
// watches (poll, or an event loop) and reads when it is readable.
#pragma once

#include <string>
#include <vector>

struct udev;
struct udev_monitor;

namespace media {

// Video nodes for webcams; whole USB devices for stills cameras, which have no node of their own
// class (libgphoto2 finds them on the USB bus).
enum class WatchedDevices { VideoNodes, UsbDevices };

struct DeviceEvent {
    bool added = false;  // false: the node went away
    std::string node;    // /dev/videoN, or /dev/bus/usb/BBB/DDD
    bool operator==(const DeviceEvent&) const = default;
};

class DeviceMonitor {
public:
    // Listens from now on; fd() is negative when udev cannot be listened to.
    explicit DeviceMonitor(WatchedDevices watched = WatchedDevices::VideoNodes);
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    int fd() const;
    // The events that have come, without waiting for more.
    std::vector<DeviceEvent> take();

private:
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    const char* m_subsystem;
    const char* m_devtype;  // null: any
};

}  // namespace media
