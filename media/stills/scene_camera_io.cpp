#include "media/stills/scene_camera_io.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "media/common/monotonic_clock.h"
#include "media/jpeg/jpeg_encoder.h"
#include "media/stills/exif.h"
#include "media/testscene/scene_painter.h"

namespace media {
namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr const char* kFolder = "/store_00020001/DCIM/100TEST";
constexpr int kLiveViewQuality = 80;

int Paint(uint64_t number, FrameSize size, int quality, std::vector<uint8_t>& jpeg) {
    Frame rgb{PixelFormat::Rgb24, size.width, size.height, {}, number, 0};
    rgb.data.resize(size_t(size.width) * size_t(size.height) * 3);
    PaintTestScene(number, size.width, size.height, rgb.data.data());
    return EncodeJpeg(rgb, quality, jpeg) ? GP_ERROR_CORRUPTED_DATA : GP_OK;
}

ConfigWidget Radio(std::string name, std::string label, std::string value, std::vector<std::string> choices) {
    ConfigWidget w;
    w.name = std::move(name);
    w.label = std::move(label);
    w.kind = WidgetKind::Radio;
    w.value = std::move(value);
    w.choices = std::move(choices);
    return w;
}

std::vector<ConfigWidget> SceneWidgets() {
    ConfigWidget serial;
    serial.name = "serialnumber";
    serial.label = "Serial Number";
    serial.value = "0000TESTSTILLS";
    serial.readOnly = true;
    return {
        Radio("autoexposuremode", "Canon Auto Exposure Mode", "P", {"P", "TV", "AV", "Manual"}),
        Radio("iso", "ISO Speed", "Auto", {"Auto", "100", "200", "400", "800", "1600", "3200"}),
        Radio("shutterspeed", "Shutter Speed", "1/60", {"1/15", "1/30", "1/60", "1/125", "1/250", "1/500"}),
        Radio("aperture", "Aperture", "5.6", {"2.8", "4", "5.6", "8", "11", "16"}),
        Radio("whitebalance", "WhiteBalance", "Auto", {"Auto", "Daylight", "Shadow", "Cloudy", "Tungsten"}),
        Radio("picturestyle", "Picture Style", "Standard", {"Standard", "Portrait", "Neutral", "Faithful"}),
        Radio("imageformat", "Image Format", "Large Fine JPEG",
              {"Large Fine JPEG", "Large Normal JPEG", "RAW + Large Fine JPEG"}),
        Radio("focusmode", "Focus Mode", "One Shot", {"One Shot", "AI Servo", "Manual"}),
        Radio("manualfocusdrive", "Drive Canon DSLR Manual focus", "None",
              {"Near 1", "Near 2", "Near 3", "None", "Far 1", "Far 2", "Far 3"}),
        serial,
    };
}

void SleepUntil(int64_t ns) {
    const timespec until{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
}

}  // namespace

SceneCameraIo::SceneCameraIo(SceneCameraOptions options) : m_options(options), m_widgets(SceneWidgets()) {}

int SceneCameraIo::detect(std::vector<DetectedCamera>& cameras) {
    cameras = {{std::string(kSceneCameraModel), std::string(kSceneCameraPort)}};
    return GP_OK;
}

int SceneCameraIo::open(const DetectedCamera& camera) {
    if (camera.model != kSceneCameraModel) return GP_ERROR_MODEL_NOT_FOUND;
    m_open = true;
    m_openedNs = MonotonicNowNs();
    m_lastPreviewNs = 0;
    return GP_OK;
}

uint64_t SceneCameraIo::sceneNumberNow() const {
    return uint64_t((MonotonicNowNs() - m_openedNs) * m_options.liveViewFramesPerSecond / kNsPerSecond);
}

int SceneCameraIo::capturePreview(std::vector<uint8_t>& jpeg) {
    if (!m_open) return GP_ERROR_BAD_PARAMETERS;
    // A camera hands out live view at its own pace, however fast it is asked, and keeps no
    // backlog of pictures nobody asked for.
    const int64_t interval = kNsPerSecond / m_options.liveViewFramesPerSecond;
    if (m_lastPreviewNs) SleepUntil(m_lastPreviewNs + interval);
    m_lastPreviewNs = MonotonicNowNs();
    return Paint(sceneNumberNow(), m_options.liveView, kLiveViewQuality, jpeg);
}

int SceneCameraIo::captureImage(CameraFilePath& path) {
    if (!m_open) return GP_ERROR_BAD_PARAMETERS;
    const int64_t due = MonotonicNowNs() + std::chrono::nanoseconds(m_options.captureDelay).count();
    ++m_shots;
    char name[16];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", m_shots % 10000);
    std::vector<uint8_t> jpeg;
    if (int r = Paint(sceneNumberNow(), m_options.still, kDefaultJpegQuality, jpeg); r < GP_OK) return r;
    AddExif(jpeg, "Kinoree", std::string(kSceneCameraModel), m_options.still.width, m_options.still.height);
    m_card[name] = std::move(jpeg);
    path = {kFolder, name};
    const ConfigWidget* format = find("imageformat");
    if (format && format->value.starts_with("RAW")) {
        // Not a real raw file: something of its own to download and keep beside the JPEG.
        std::string raw = name;
        raw.replace(raw.size() - 3, 3, "CR2");
        const std::string text = "raw sensor data of " + raw;
        m_card[raw].assign(text.begin(), text.end());
        m_events.push_back({CameraEventKind::FileAdded, {kFolder, raw}});
    }
    m_events.push_back({CameraEventKind::CaptureComplete, {}});
    SleepUntil(due);
    return GP_OK;
}

int SceneCameraIo::download(const CameraFilePath& path, std::vector<uint8_t>& data) {
    const auto file = m_card.find(path.name);
    if (!m_open || path.folder != kFolder || file == m_card.end()) return GP_ERROR_FILE_NOT_FOUND;
    data = file->second;
    return GP_OK;
}

int SceneCameraIo::waitForEvent(int timeoutMs, CameraEvent& event) {
    if (!m_open) return GP_ERROR_BAD_PARAMETERS;
    if (m_events.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        event = {};
        return GP_OK;
    }
    event = m_events.front();
    m_events.erase(m_events.begin());
    return GP_OK;
}

int SceneCameraIo::listConfig(std::vector<std::string>& names) {
    names.clear();
    for (const ConfigWidget& w : m_widgets) names.push_back(w.name);
    return GP_OK;
}

int SceneCameraIo::getConfig(const std::string& name, ConfigWidget& widget) {
    const ConfigWidget* found = find(name);
    if (!found) return GP_ERROR_BAD_PARAMETERS;
    widget = *found;
    return GP_OK;
}

int SceneCameraIo::setConfig(const std::string& name, const std::string& value) {
    ConfigWidget* w = find(name);
    if (!w) return GP_ERROR_BAD_PARAMETERS;
    if (w->readOnly) return GP_ERROR_NOT_SUPPORTED;
    if (std::find(w->choices.begin(), w->choices.end(), value) == w->choices.end()) return GP_ERROR_BAD_PARAMETERS;
    // As on a body whose mode dial is not at M: the camera accepts the change and keeps its own.
    const ConfigWidget* mode = find("autoexposuremode");
    const std::string dial = mode ? mode->value : "Manual";
    if (name == "shutterspeed" && dial != "Manual" && dial != "TV") return GP_OK;
    if (name == "aperture" && dial != "Manual" && dial != "AV") return GP_OK;
    if (name == "manualfocusdrive") return GP_OK;  // a step, not a state: it reads back as None
    w->value = value;
    return GP_OK;
}

void SceneCameraIo::exit() {
    m_open = false;
    m_events.clear();
}

ConfigWidget* SceneCameraIo::find(const std::string& name) {
    const auto it =
        std::find_if(m_widgets.begin(), m_widgets.end(), [&](const ConfigWidget& w) { return w.name == name; });
    return it == m_widgets.end() ? nullptr : &*it;
}

}  // namespace media
