#include "media/stills/stills_recorder.h"

#include "media/stills/still_frame.h"

namespace media {

StillsRecorder::StillsRecorder(std::shared_ptr<StillsCamera> camera, StillsFolder& stills, TakeEditor& avi,
                               int takeWidth, uint32_t microSecPerFrame, Listener listener, std::mutex* takeLock)
    : m_camera(std::move(camera)),
      m_stills(stills),
      m_avi(avi),
      m_takeLock(takeLock),
      m_takeWidth(takeWidth),
      m_microSecPerFrame(microSecPerFrame),
      m_listener(std::move(listener)),
      m_thread([this] { run(); }) {}

StillsRecorder::~StillsRecorder() {
    {
        std::unique_lock lock(m_mutex);
        // A still the camera is taking is waited for: its frame may yet be confirmed.
        m_changed.wait_for(lock, StillsCamera::kStillTimeout, [&] { return !m_pressing; });
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

Error StillsRecorder::press(std::optional<size_t> at) {
    {
        std::lock_guard lock(m_mutex);
        if (m_pressing) return {ErrorKind::DeviceBusy, StillsCamera::kStillPending};
        m_pressing = true;
        m_arrived.reset();
        m_pressAt = at;
    }
    Error e = m_camera->requestStill();
    if (e) {
        std::lock_guard lock(m_mutex);
        m_pressing = false;
        m_changed.notify_all();
    }
    return e;
}

bool StillsRecorder::pressing() const {
    std::lock_guard lock(m_mutex);
    return m_pressing;
}

bool StillsRecorder::waitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return !m_pressing; });
}

void StillsRecorder::cameraEvent(const StillsEvent& event) {
    if (event.kind != StillsEventKind::StillTaken && event.kind != StillsEventKind::StillFailed) return;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pressing) return;  // a still someone else asked for
        m_arrived = event;
    }
    m_changed.notify_all();
}

void StillsRecorder::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || m_arrived; });
        if (m_stopping) return;
        const StillsEvent event = std::move(*m_arrived);
        m_arrived.reset();
        const std::optional<size_t> at = m_pressAt;
        lock.unlock();
        const PressOutcome outcome = record(event, at);
        lock.lock();
        // Before the outcome goes out: whoever hears of it may press again at once.
        m_pressing = false;
        m_changed.notify_all();
        lock.unlock();
        if (m_listener) m_listener(outcome);
        lock.lock();
    }
}

PressOutcome StillsRecorder::record(const StillsEvent& event, std::optional<size_t> at) {
    PressOutcome outcome;
    outcome.still = event.still;
    if (event.kind == StillsEventKind::StillFailed) {
        outcome.error = event.error;
    } else {
        auto frame = std::make_shared<Frame>();
        outcome.error = StillToFrame(event.still->jpeg().data, m_takeWidth, *frame);
        // Nothing else edits the take while a press is underway: `at` still means what it did.
        if (at && *at >= m_avi.frameCount()) at.reset();
        if (!outcome.error) {
            outcome.error = at ? InsertStill(m_stills, m_avi, *at, *event.still, *frame, m_microSecPerFrame, m_takeLock)
                               : RecordStill(m_stills, m_avi, *event.still, *frame, m_microSecPerFrame, m_takeLock);
        }
        if (!outcome.error) {
            outcome.frame = std::move(frame);
            outcome.insertedAt = at;
        }
    }
    outcome.frames = m_avi.frameCount();  // this thread alone changes the take meanwhile
    return outcome;
}

}  // namespace media
