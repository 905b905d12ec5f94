#include "device_connection.h"

#include "media/stills/stills_detection.h"
#include "media/stills/stills_live_view.h"

#include <cstdio>

namespace avicap32 {

DeviceConnection::DeviceConnection(CaptureSettings& store, Listener listener)
    : m_store(store),
      m_listener(std::move(listener)),
      m_hotplug(std::make_unique<HotplugMonitor>(
          [this](bool added, const std::string& node) { added ? deviceAdded(node) : deviceRemoved(node); })),
      m_usbHotplug(std::make_unique<HotplugMonitor>(
          [this](bool added, const std::string& node) { added ? usbDeviceAdded() : usbDeviceRemoved(node); },
          media::WatchedDevices::UsbDevices)) {}

DeviceConnection::~DeviceConnection() {
    m_live.setFrameListener(nullptr);
    m_live.stop();
}

media::Error DeviceConnection::connect(unsigned index) {
    disconnect();
    m_awaited.reset();
    if (index == 0 && !DeviceChosenByEnvironment()) {
        const std::string last = m_store.lastDevice();
        m_awaited = last;
        if (!last.empty()) {
            if (std::optional<media::Error> outcome = connectIdentified(ListSelectableDrivers(), last)) return *outcome;
            m_awaited = last;
        }
    }
    auto drivers = ListCaptureDrivers();
    if (index >= drivers.size()) {
        const std::string why = index == 0 ? "No video capture device was found."
                                           : "There is no capture driver " + std::to_string(index) + ".";
        m_listener.noCamera(why);
        return {media::ErrorKind::DeviceGone, why};
    }
    return connectDriver(drivers[index], index);
}

// Connects the listed driver that is the device `key` names; none when none is listed. A stills
// camera tells its serial number only once open: each camera of its model is tried until one is
// it, and nothing stays connected when none is.
std::optional<media::Error> DeviceConnection::connectIdentified(const std::vector<CaptureDriver>& drivers,
                                                                const std::string& key) {
    for (const CaptureDriver& driver : drivers) {
        if (!MayBeDevice(driver, key)) continue;
        media::Error error = connectDriver(driver, 0, false);
        if (!error && m_connection->driver.settingsKey != key) continue;  // another camera of the model
        if (!error && !driver.chosenByEnvironment) m_store.setLastDevice(key);
        if (!error || driver.settingsKey == key) return error;
    }
    disconnect();
    return std::nullopt;
}

media::Error DeviceConnection::connectDriver(const CaptureDriver& driver, unsigned index, bool remember) {
    disconnect();
    m_connection = Connection{index, driver};
    loadDeviceSettings();
    if (media::Error error = startStream()) {
        m_stills.reset();
        m_connection.reset();
        m_listener.noCamera(error.message);
        return error;
    }
    identifyStillsCamera();
    m_listener.started();
    restoreControls();
    if (m_stills) m_store.stillsSettings(m_connection->driver.settingsKey).applyTo(*m_stills);
    m_live.setFrameListener(m_listener.frame);
    m_awaited.reset();
    // The variable's choice is for this run only: the next one connects what the user chose.
    if (remember && !driver.chosenByEnvironment) m_store.setLastDevice(m_connection->driver.settingsKey);
    return media::Error::none();
}

// An open stills camera is known by its serial number from now on, on whatever port it comes back.
void DeviceConnection::identifyStillsCamera() {
    const std::optional<media::DetectedCamera>& detected = m_connection->driver.detectedStills;
    if (!m_stills || !detected) return;
    const std::string serial = m_stills->serial();
    if (serial.empty()) return;
    const std::string key = media::StillsSettingsKey(*detected, serial);
    // What was chosen for it while it was known by its port is its own.
    m_store.adopt(key, m_connection->driver.settingsKey);
    m_connection->driver.settingsKey = key;
    loadDeviceSettings();
}

bool DeviceConnection::disconnect() {
    if (!connected()) return false;
    m_live.setFrameListener(nullptr);
    m_live.stop();
    m_stills.reset();
    m_connection.reset();
    return true;
}

media::Error DeviceConnection::switchTo(const CaptureDriver& driver) {
    if (m_listener.recordingOpen()) {
        return {media::ErrorKind::Unsupported,
                "A video is being recorded: it keeps the device it started with. Stop and save the video "
                "before choosing another device."};
    }
    const std::optional<Connection> previous = m_connection;
    media::Error error = connectDriver(driver, previous ? previous->index : 0);
    if (error && previous) connectDriver(previous->driver, previous->index);
    return error;
}

void DeviceConnection::deviceRemoved(const std::string& node) {
    if (!connected() || m_connection->driver.devicePath != node) return;
    m_awaited = m_connection->driver.settingsKey;
    disconnect();
}

void DeviceConnection::deviceAdded(const std::string& node) {
    if (connected() || !m_awaited) return;
    const std::vector<CaptureDriver> drivers = ListSelectableDrivers();
    for (unsigned index = 0; index < drivers.size(); ++index) {
        const CaptureDriver& driver = drivers[index];
        if (driver.devicePath != node || (!m_awaited->empty() && driver.settingsKey != *m_awaited)) continue;
        // A node that cannot be opened yet (its permissions not set) is left to a later event.
        connectDriver(driver, index);
        return;
    }
}

void DeviceConnection::usbDeviceRemoved(const std::string& node) {
    // libgphoto2 names the USB device at /dev/bus/usb/BBB/DDD by the port "usb:BBB,DDD".
    unsigned bus = 0, device = 0;
    if (std::sscanf(node.c_str(), "/dev/bus/usb/%u/%u", &bus, &device) != 2) return;
    char port[32];
    std::snprintf(port, sizeof port, "usb:%03u,%03u", bus, device);
    deviceRemoved(port);
}

void DeviceConnection::usbDeviceAdded() {
    if (connected() || !m_awaited) return;
    std::vector<CaptureDriver> drivers = ListSelectableDrivers();
    // The built-in stills camera is never plugged in.
    std::erase_if(drivers, [](const CaptureDriver& d) { return !d.detectedStills; });
    if (m_awaited->empty()) {
        if (!drivers.empty()) connectDriver(drivers.front(), 0);
        return;
    }
    const std::string awaited = *m_awaited;
    connectIdentified(drivers, awaited);
    if (!connected()) m_awaited = awaited;
}

// What the user chose for the device, from the store; the test scene the environment variable
// names streams as the variable says.
void DeviceConnection::loadDeviceSettings() {
    const std::string& key = m_connection->driver.settingsKey;
    m_device = DeviceSettings{};
    if (!m_connection->driver.sizeFromEnvironment) {
        m_device.stream.size = m_store.pictureSize(key);
        m_device.stream.format = m_store.pixelFormat(key);
        m_device.stream.interval = m_store.frameInterval(key);
    }
    m_device.controls = m_store.controls(key);
    m_device.codec = m_store.codec(key).value_or(media::AviVideoCodec::Mjpeg);
    m_device.jpegQuality = m_store.jpegQuality(key).value_or(media::kDefaultJpegQuality);
    m_device.stillsTakeWidth = m_store.stillsTakeWidth(key);
    m_listener.choosing(m_connection->driver);
}

std::unique_ptr<SourceSettings> DeviceConnection::openSourceSettings(media::Error& error) {
    std::unique_ptr<media::CameraControls> controls = openControls(error);
    if (!controls) return nullptr;
    const std::string key = m_connection->driver.settingsKey;
    // The dialog may have switched to another device by the time a change is saved.
    auto save = [this, key](const media::ControlMemory& memory) {
        m_store.setControls(key, memory);
        if (connected() && m_connection->driver.settingsKey == key) m_device.controls = memory;
    };
    return std::make_unique<SourceSettings>(std::move(controls), m_device.controls, save);
}

void DeviceConnection::rememberStillsSetting(const std::string& name, const std::string& value) {
    if (!connected()) return;
    media::StillsSettingsMemory memory = m_store.stillsSettings(m_connection->driver.settingsKey);
    memory.remember(name, value);
    m_store.setStillsSettings(m_connection->driver.settingsKey, memory);
}

void DeviceConnection::setCompression(media::AviVideoCodec codec, int jpegQuality) {
    m_device.codec = codec;
    m_device.jpegQuality = jpegQuality;
    if (!connected()) return;
    m_store.setCodec(m_connection->driver.settingsKey, codec);
    m_store.setJpegQuality(m_connection->driver.settingsKey, jpegQuality);
}

void DeviceConnection::setStillsTakeWidth(std::optional<int> width) {
    m_device.stillsTakeWidth = width;
    if (connected()) m_store.setStillsTakeWidth(m_connection->driver.settingsKey, width);
}

std::unique_ptr<media::CameraControls> DeviceConnection::openControls(media::Error& error) const {
    error = media::Error::none();
    if (!connected() || !m_connection->driver.controlsIo) return nullptr;
    auto controls =
        std::make_unique<media::CameraControls>(m_connection->driver.controlsPath, m_connection->driver.controlsIo);
    error = controls->open();
    return error ? nullptr : std::move(controls);
}

media::Error DeviceConnection::startStream() {
    if (m_connection->driver.makeStillsCamera) {
        // One camera for the connection: its worker keeps the USB claim between streams.
        if (!m_stills) {
            m_stills = m_connection->driver.makeStillsCamera();
            m_stills->setEventListener(m_listener.stillsEvent);
        }
        return m_live.start(std::make_unique<media::StillsLiveView>(m_stills));
    }
    std::unique_ptr<media::FrameSource> source;
    media::Error error = m_connection->driver.makeSource(m_device.stream, source);
    if (!error) error = m_live.start(std::move(source));
    return error;
}

// A driver may go back to its defaults when opened or restarted: the user's settings are put
// back, automatic modes first. What the user never set is left as the device has it.
void DeviceConnection::restoreControls() {
    if (m_device.controls.empty()) return;
    media::Error error;
    std::unique_ptr<media::CameraControls> controls = openControls(error);
    if (controls) error = m_device.controls.applyTo(*controls);
    if (error) m_listener.error(error);
}

media::Error DeviceConnection::setStream(const media::StreamRequest& wanted) {
    if (!connected()) return {media::ErrorKind::Io, "No capture device is connected."};
    const media::StreamFormat current = m_live.format();
    const bool same = (!wanted.size || *wanted.size == media::FrameSize{current.width, current.height}) &&
                      (!wanted.format || *wanted.format == current.format) &&
                      (!wanted.interval || *wanted.interval == media::FrameInterval{current.frameIntervalNumerator,
                                                                                    current.frameIntervalDenominator});
    if (m_live.streaming() && same) return media::Error::none();
    if (m_listener.recordingOpen()) {
        return {media::ErrorKind::Unsupported,
                "The picture format cannot change while a video is being recorded: all its frames have the same "
                "size. Stop and save the video first."};
    }
    const media::StreamRequest previous = m_device.stream;
    if (wanted.size) m_device.stream.size = wanted.size;
    if (wanted.format) m_device.stream.format = wanted.format;
    if (wanted.interval) m_device.stream.interval = wanted.interval;
    media::Error error = startStream();
    if (error) {
        m_device.stream = previous;
        startStream();
    } else {
        // The driver may have set something else than asked for: that is what is kept.
        const media::StreamFormat started = m_live.format();
        const std::string& key = m_connection->driver.settingsKey;
        m_device.stream.size = media::FrameSize{started.width, started.height};
        m_store.setPictureSize(key, *m_device.stream.size);
        if (wanted.format) {
            m_device.stream.format = started.format;
            m_store.setPixelFormat(key, started.format);
        }
        if (wanted.interval) {
            m_device.stream.interval =
                media::FrameInterval{started.frameIntervalNumerator, started.frameIntervalDenominator};
            m_store.setFrameInterval(key, *m_device.stream.interval);
        }
    }
    restoreControls();
    return error;
}

}  // namespace avicap32
