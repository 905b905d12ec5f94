#include "hotplug_monitor.h"

#include <QSocketNotifier>

namespace avicap32 {

HotplugMonitor::HotplugMonitor(Handler handler, media::WatchedDevices watched)
    : m_handler(std::move(handler)), m_monitor(watched) {
    if (m_monitor.fd() < 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(m_monitor.fd(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        for (const media::DeviceEvent& event : m_monitor.take()) m_handler(event.added, event.node);
    });
}

HotplugMonitor::~HotplugMonitor() = default;

}  // namespace avicap32
