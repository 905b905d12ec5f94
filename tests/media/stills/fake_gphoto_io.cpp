#include "fake_gphoto_io.h"

#include <algorithm>

namespace media::testing {

SceneCameraOptions SmallCamera() {
    SceneCameraOptions options;
    options.liveView = {192, 128};
    options.still = {600, 400};
    options.liveViewFramesPerSecond = 100;
    options.captureDelay = std::chrono::milliseconds(0);
    return options;
}

FakeGphotoIo::FakeGphotoIo(SceneCameraOptions options)
    : m_camera(options), m_attached{{std::string(kSceneCameraModel), std::string(kSceneCameraPort)}} {}

void FakeGphotoIo::fail(FakeCall call, int code, int times) {
    std::lock_guard lock(m_mutex);
    m_failures[call] = {code, times};
}

void FakeGphotoIo::setAttached(std::vector<DetectedCamera> cameras) {
    std::lock_guard lock(m_mutex);
    m_attached = std::move(cameras);
}

void FakeGphotoIo::holdCaptures(bool hold) {
    {
        std::lock_guard lock(m_mutex);
        m_hold = hold;
    }
    m_released.notify_all();
}

int FakeGphotoIo::calls(FakeCall call) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_calls.find(call);
    return it == m_calls.end() ? 0 : it->second;
}

std::set<std::thread::id> FakeGphotoIo::threads() const {
    std::lock_guard lock(m_mutex);
    return m_threads;
}

int FakeGphotoIo::enter(FakeCall call) {
    std::lock_guard lock(m_mutex);
    ++m_calls[call];
    m_threads.insert(std::this_thread::get_id());
    auto it = m_failures.find(call);
    if (it == m_failures.end() || it->second.second == 0) return GP_OK;
    if (it->second.second > 0) --it->second.second;
    return it->second.first;
}

int FakeGphotoIo::detect(std::vector<DetectedCamera>& cameras) {
    if (int r = enter(FakeCall::Detect)) return r;
    std::lock_guard lock(m_mutex);
    cameras = m_attached;
    return GP_OK;
}

int FakeGphotoIo::open(const DetectedCamera& camera) {
    if (int r = enter(FakeCall::Open)) return r;
    {
        std::lock_guard lock(m_mutex);
        if (std::find(m_attached.begin(), m_attached.end(), camera) == m_attached.end()) return GP_ERROR_IO_USB_FIND;
    }
    return m_camera.open({std::string(kSceneCameraModel), std::string(kSceneCameraPort)});
}

int FakeGphotoIo::capturePreview(std::vector<uint8_t>& jpeg) {
    if (int r = enter(FakeCall::Preview)) return r;
    return m_camera.capturePreview(jpeg);
}

int FakeGphotoIo::captureImage(CameraFilePath& path) {
    const int r = enter(FakeCall::Capture);
    {
        std::unique_lock lock(m_mutex);
        m_released.wait(lock, [&] { return !m_hold; });
    }
    return r ? r : m_camera.captureImage(path);
}

int FakeGphotoIo::download(const CameraFilePath& path, std::vector<uint8_t>& data) {
    if (int r = enter(FakeCall::Download)) {
        data.resize(data.size() / 2);  // as far as it came before the cable went
        return r;
    }
    return m_camera.download(path, data);
}

int FakeGphotoIo::waitForEvent(int timeoutMs, CameraEvent& event) {
    if (int r = enter(FakeCall::WaitForEvent)) return r;
    return m_camera.waitForEvent(timeoutMs, event);
}

int FakeGphotoIo::listConfig(std::vector<std::string>& names) { return m_camera.listConfig(names); }

int FakeGphotoIo::getConfig(const std::string& name, ConfigWidget& widget) {
    if (int r = enter(FakeCall::GetConfig)) return r;
    return m_camera.getConfig(name, widget);
}

int FakeGphotoIo::setConfig(const std::string& name, const std::string& value) {
    if (int r = enter(FakeCall::SetConfig)) return r;
    return m_camera.setConfig(name, value);
}

void FakeGphotoIo::exit() { m_camera.exit(); }

}  // namespace media::testing
