#include "device_monitor.h"

#include <libudev.h>
#include <unistd.h>

#include <cstring>

namespace media {

DeviceMonitor::DeviceMonitor(WatchedDevices watched)
    : m_udev(udev_new()),
      m_subsystem(watched == WatchedDevices::VideoNodes ? "video4linux" : "usb"),
      m_devtype(watched == WatchedDevices::VideoNodes ? nullptr : "usb_device") {
    if (!m_udev) return;
    // Without a udev daemon (a container, a minimal system) its events never come: the kernel's
    // own are the next best, with the node there at once if not yet its permissions.
    const bool daemon = access("/run/udev/control", F_OK) == 0;
    m_monitor = udev_monitor_new_from_netlink(m_udev, daemon ? "udev" : "kernel");
    if (!m_monitor) return;
    udev_monitor_filter_add_match_subsystem_devtype(m_monitor, m_subsystem, m_devtype);
    if (udev_monitor_enable_receiving(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
    }
}

DeviceMonitor::~DeviceMonitor() {
    if (m_monitor) udev_monitor_unref(m_monitor);
    if (m_udev) udev_unref(m_udev);
}

int DeviceMonitor::fd() const { return m_monitor ? udev_monitor_get_fd(m_monitor) : -1; }

std::vector<DeviceEvent> DeviceMonitor::take() {
    std::vector<DeviceEvent> events;
    if (!m_monitor) return events;
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const char* action = udev_device_get_action(device);
        const char* subsystem = udev_device_get_subsystem(device);
        const char* node = udev_device_get_devnode(device);
        const char* devtype = udev_device_get_devtype(device);
        // The kernel's events are not filtered for us.
        const bool wanted = subsystem && std::strcmp(subsystem, m_subsystem) == 0 &&
                            (!m_devtype || (devtype && std::strcmp(devtype, m_devtype) == 0));
        if (action && node && wanted) {
            if (std::strcmp(action, "add") == 0) events.push_back({true, node});
            if (std::strcmp(action, "remove") == 0) events.push_back({false, node});
        }
        udev_device_unref(device);
    }
    return events;
}

}  // namespace media
