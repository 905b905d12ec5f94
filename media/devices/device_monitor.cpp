#include "device_monitor.h"

#include <libudev.h>
#include <unistd.h>

#include <cstring>

namespace media {

DeviceMonitor::DeviceMonitor() : udev_(udev_new())
{
    if (!udev_)
        return;
    // Without a udev daemon (a container, a minimal system) its events never come: the kernel's
    // own are the next best, with the node there at once if not yet its permissions.
    const bool daemon = access("/run/udev/control", F_OK) == 0;
    monitor_ = udev_monitor_new_from_netlink(udev_, daemon ? "udev" : "kernel");
    if (!monitor_)
        return;
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "video4linux", nullptr);
    if (udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

DeviceMonitor::~DeviceMonitor()
{
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

int DeviceMonitor::fd() const { return monitor_ ? udev_monitor_get_fd(monitor_) : -1; }

std::vector<DeviceEvent> DeviceMonitor::take()
{
    std::vector<DeviceEvent> events;
    if (!monitor_)
        return events;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        const char* subsystem = udev_device_get_subsystem(device);
        const char* node = udev_device_get_devnode(device);
        // The kernel's events are not filtered for us.
        if (action && node && subsystem && std::strcmp(subsystem, "video4linux") == 0) {
            if (std::strcmp(action, "add") == 0)
                events.push_back({true, node});
            if (std::strcmp(action, "remove") == 0)
                events.push_back({false, node});
        }
        udev_device_unref(device);
    }
    return events;
}

}  // namespace media
