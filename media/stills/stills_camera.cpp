#include "media/stills/stills_camera.h"

#include <algorithm>
#include <cctype>
#include <future>

#include "media/common/monotonic_clock.h"
#include "media/stills/camera_error.h"

namespace media {
namespace {

// After a failed live-view fetch the worker waits this long before the next, so that a camera
// failing at once does not spin.
constexpr std::chrono::milliseconds kPreviewRetryDelay{50};
constexpr const char* kNotConnected = "Cannot take a still: the camera is not connected";
// A capture announces at most a few files (JPEG, RAW, perhaps a sidecar): a camera that keeps
// announcing is not waited for forever.
constexpr size_t kMostFilesPerStill = 4;
// However talkative the camera, a capture's files are all announced within this time.
constexpr int kExtraFileWindowMs = 2000;

bool IsJpegName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == "jpg" || ext == "jpeg";
}

StillsEvent Failed(StillsEventKind kind, Error error) {
    StillsEvent event;
    event.kind = kind;
    event.error = std::move(error);
    return event;
}

}  // namespace

StillsCamera::StillsCamera(std::unique_ptr<GphotoIo> io, DetectedCamera camera)
    : m_io(std::move(io)), m_camera(std::move(camera)), m_worker([this] { run(); }) {}

StillsCamera::~StillsCamera() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

Error StillsCamera::open(std::chrono::milliseconds timeout) {
    auto answer = std::make_shared<std::promise<Error>>();
    std::future<Error> opened = answer->get_future();
    post([this, answer](GphotoIo& io) -> std::optional<StillsEvent> {
        io.exit();
        Error e;
        if (const int r = io.open(m_camera); r < GP_OK) e = CameraFailure(r, "open " + m_camera.model);
        ConfigWidget serial;
        const bool hasSerial = !e && io.getConfig("serialnumber", serial) == GP_OK;
        {
            std::lock_guard lock(m_mutex);
            m_open = !e;
            m_wasOpen = m_open;
            m_hasLiveView = true;
            if (hasSerial) m_serial = serial.value;
        }
        answer->set_value(e);
        return std::nullopt;  // the caller has the answer
    });
    if (opened.wait_for(timeout) != std::future_status::ready) {
        return {ErrorKind::Io, "Cannot open " + m_camera.model + ": the camera did not answer in time"};
    }
    return opened.get();
}

bool StillsCamera::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

std::string StillsCamera::serial() const {
    std::lock_guard lock(m_mutex);
    return m_serial;
}

void StillsCamera::setEventListener(EventListener listener) {
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(listener);
}

Error StillsCamera::requestStill() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stillPending) {
            return {ErrorKind::DeviceBusy, kStillPending};
        }
        if (!m_open) return {ErrorKind::DeviceGone, kNotConnected};
        m_stillPending = true;
    }
    post([this](GphotoIo& io) -> std::optional<StillsEvent> { return takeStill(io); });
    return Error::none();
}

bool StillsCamera::stillPending() const {
    std::lock_guard lock(m_mutex);
    return m_stillPending;
}

bool StillsCamera::waitForStill(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return !m_stillPending; });
}

void StillsCamera::setLiveViewWanted(bool wanted) {
    bool ended = false;
    {
        std::lock_guard lock(m_mutex);
        ended = m_liveViewWanted && !wanted;
        m_liveViewWanted = wanted;
    }
    m_changed.notify_all();
    if (!ended) return;
    // Fetching live view raised the mirror (or woke the sensor); left so, it drains the battery.
    post([](GphotoIo& io) -> std::optional<StillsEvent> {
        for (const char* name : {"viewfinder", "eosviewfinder"}) {
            if (io.setConfig(name, "0") >= GP_OK) break;
        }
        return std::nullopt;
    });
}

bool StillsCamera::hasLiveView() const {
    std::lock_guard lock(m_mutex);
    return m_hasLiveView;
}

Error StillsCamera::waitForPreview(uint64_t after, std::chrono::milliseconds timeout, std::vector<uint8_t>& jpeg,
                                   uint64_t& number) const {
    std::unique_lock lock(m_mutex);
    const bool fresh = m_changed.wait_for(
        lock, timeout, [&] { return m_previewNumber > after || !m_open || !m_hasLiveView || m_stopping; });
    if (m_previewNumber > after) {
        jpeg = m_preview;
        number = m_previewNumber;
        return Error::none();
    }
    if (!m_open) return {ErrorKind::DeviceGone, "The camera is not connected"};
    if (!m_hasLiveView) return {ErrorKind::Unsupported, "This camera gives no live view"};
    return {ErrorKind::Io, fresh ? "The camera is closing" : "No live view picture came in time"};
}

std::shared_ptr<const Still> StillsCamera::lastStill() const {
    std::lock_guard lock(m_mutex);
    return m_lastStill;
}

void StillsCamera::post(Task task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_changed.notify_all();
}

void StillsCamera::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto ready = [&] {
            return m_stopping || !m_tasks.empty() || (m_liveViewWanted && m_open && m_hasLiveView);
        };
        if (!m_open && m_wasOpen) {
            // Lost without being asked to let go: tried again now and then, since a camera that
            // dropped its session after a shot is back at once, with no plug event to tell.
            if (!m_changed.wait_for(lock, kReconnectInterval, ready)) {
                reconnect(lock);
                continue;
            }
        } else {
            m_changed.wait(lock, ready);
        }
        if (m_stopping) break;
        if (m_tasks.empty()) {
            fetchPreview(lock);
            continue;
        }
        Task task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        const std::optional<StillsEvent> outcome = task(*m_io);
        lock.lock();
        if (!outcome) continue;
        const StillsEvent& event = *outcome;
        if (event.kind == StillsEventKind::StillTaken || event.kind == StillsEventKind::StillFailed) {
            // Before the event goes out: whoever hears of the still may press again at once.
            m_stillPending = false;
            if (event.still) m_lastStill = event.still;
        }
        // Whatever request found the camera gone, it is gone for all of them.
        const bool gone = event.error.kind == ErrorKind::DeviceGone && m_open;
        if (gone) m_open = false;
        m_changed.notify_all();
        lock.unlock();
        deliver(event);
        if (gone) deliver(Failed(StillsEventKind::Disconnected, event.error));
        lock.lock();
    }
    lock.unlock();
    m_io->exit();
}

void StillsCamera::reconnect(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    m_io->exit();
    const bool back = m_io->open(m_camera) >= GP_OK;
    lock.lock();
    if (!back || m_open) return;
    m_open = true;
    m_hasLiveView = true;
    m_changed.notify_all();
    lock.unlock();
    StillsEvent event;
    event.kind = StillsEventKind::Reconnected;
    deliver(event);
    lock.lock();
}

void StillsCamera::fetchPreview(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    std::vector<uint8_t> jpeg;
    const int r = m_io->capturePreview(jpeg);
    lock.lock();
    if (r >= GP_OK) {
        m_preview = std::move(jpeg);
        ++m_previewNumber;
        m_changed.notify_all();
        return;
    }
    Error e = CameraFailure(r, "show the live view");
    StillsEvent event;
    if (r == GP_ERROR_NOT_SUPPORTED) {
        m_hasLiveView = false;
        event =
            Failed(StillsEventKind::LiveViewUnavailable,
                   {ErrorKind::Unsupported, m_camera.model + " gives no live view: the preview shows the last still"});
    } else if (e.kind == ErrorKind::DeviceGone) {
        m_open = false;
        event = Failed(StillsEventKind::Disconnected, std::move(e));
    } else {
        // Busy or slow for a moment (focusing, saving to the card): live view goes on after.
        m_changed.wait_for(lock, kPreviewRetryDelay, [&] { return m_stopping || !m_tasks.empty(); });
        return;
    }
    m_changed.notify_all();
    lock.unlock();
    deliver(event);
    lock.lock();
}

StillsEvent StillsCamera::takeStill(GphotoIo& io) {
    const std::string action = "take a still";
    if (!isOpen()) {
        return Failed(StillsEventKind::StillFailed, {ErrorKind::DeviceGone, kNotConnected});
    }
    auto still = std::make_shared<Still>();
    still->requestedNs = MonotonicNowNs();
    CameraFilePath first;
    if (const int r = io.captureImage(first); r < GP_OK) {
        return Failed(StillsEventKind::StillFailed, CameraFailure(r, action));
    }
    std::vector<CameraFilePath> paths = {first};
    // Bodies report property changes between the files of one capture: those are passed over
    // until the camera falls quiet, says the capture is complete, or the window closes.
    const int64_t until = MonotonicNowNs() + int64_t(kExtraFileWindowMs) * 1'000'000;
    while (MonotonicNowNs() < until && paths.size() < kMostFilesPerStill) {
        CameraEvent event;
        if (const int r = io.waitForEvent(kExtraFileWaitMs, event); r < GP_OK) {
            return Failed(StillsEventKind::StillFailed, CameraFailure(r, action));
        }
        if (event.kind == CameraEventKind::Timeout || event.kind == CameraEventKind::CaptureComplete) break;
        if (event.kind == CameraEventKind::FileAdded && event.file != first) paths.push_back(event.file);
    }
    for (const CameraFilePath& path : paths) {
        StillFile file{path.name, {}};
        // A download cut short keeps nothing: a partial still is never handed on.
        if (const int r = io.download(path, file.data); r < GP_OK) {
            return Failed(StillsEventKind::StillFailed, CameraFailure(r, action));
        }
        still->files.push_back(std::move(file));
    }
    const auto jpeg =
        std::find_if(still->files.begin(), still->files.end(), [](const StillFile& f) { return IsJpegName(f.name); });
    if (jpeg == still->files.end()) {
        return Failed(StillsEventKind::StillFailed,
                      {ErrorKind::Unsupported,
                       "Cannot take a still: the camera made no JPEG. Set its image format to JPEG or RAW + JPEG"});
    }
    std::rotate(still->files.begin(), jpeg, jpeg + 1);
    StillsEvent event;
    event.kind = StillsEventKind::StillTaken;
    event.still = std::move(still);
    return event;
}

void StillsCamera::deliver(const StillsEvent& event) {
    std::lock_guard lock(m_listenerMutex);
    if (m_listener) m_listener(event);
}

}  // namespace media
