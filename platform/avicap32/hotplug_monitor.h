// Tells the capture window when a video device (or, watching USB devices, a stills camera) is
// plugged in or unplugged. udev's events come
// in on a socket that the GUI thread's event loop watches, so the handler runs on the GUI
// thread, where the capture window lives, and no window message crosses threads.
#pragma once

#include "media/devices/device_monitor.h"

#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace avicap32 {

class HotplugMonitor {
public:
    // `added` is true for a device node that appeared, false for one that went away.
    using Handler = std::function<void(bool added, const std::string& node)>;

    explicit HotplugMonitor(Handler handler, media::WatchedDevices watched = media::WatchedDevices::VideoNodes);
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

private:
    Handler m_handler;
    media::DeviceMonitor m_monitor;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace avicap32
