#include "stills_take.h"

namespace avicap32 {

StillsTake::StillsTake(std::shared_ptr<media::StillsCamera> camera, media::StillsFolder& folder, media::TakeEditor& avi,
                       std::mutex& takeLock, int takeWidth, uint32_t microSecPerFrame, OutcomeListener listener)
    : m_listener(std::move(listener)),
      m_recorder(
          std::move(camera), folder, avi, takeWidth, microSecPerFrame,
          [this](const media::PressOutcome& o) {
              {
                  std::lock_guard lock(m_mutex);
                  m_arrived.push_back(o);
              }
              m_changed.notify_all();
              QMetaObject::invokeMethod(
                  &m_gui, [this] { deliver(); }, Qt::QueuedConnection);
          },
          &takeLock) {}

StillsTake::~StillsTake() = default;

media::Error StillsTake::press(std::optional<size_t> at) {
    media::Error error = m_recorder.press(at);
    if (!error) ++m_outstanding;
    return error;
}

bool StillsTake::finish() {
    if (m_outstanding == 0) return true;
    std::unique_lock lock(m_mutex);
    const bool ended = m_changed.wait_for(lock, media::StillsCamera::kStillTimeout, [&] { return !m_arrived.empty(); });
    lock.unlock();
    deliver();
    return ended;
}

void StillsTake::deliver() {
    for (;;) {
        media::PressOutcome outcome;
        {
            std::lock_guard lock(m_mutex);
            if (m_arrived.empty()) return;
            outcome = std::move(m_arrived.front());
            m_arrived.pop_front();
        }
        --m_outstanding;
        if (!outcome.error) m_frames = outcome.frames;
        if (m_listener) m_listener(outcome);
    }
}

}  // namespace avicap32
