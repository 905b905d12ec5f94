// Video devices plugged in and unplugged, as udev announces them on a socket that the caller
// watches (poll, or an event loop) and reads when it is readable.
#pragma once

#include <string>
#include <vector>

struct udev;
struct udev_monitor;

namespace media {

struct DeviceEvent {
    bool added = false;  // false: the node went away
    std::string node;    // /dev/videoN
    bool operator==(const DeviceEvent&) const = default;
};

class DeviceMonitor {
public:
    // Listens from now on; fd() is negative when udev cannot be listened to.
    DeviceMonitor();
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    int fd() const;
    // The events that have come, without waiting for more.
    std::vector<DeviceEvent> take();

private:
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
};

}  // namespace media
