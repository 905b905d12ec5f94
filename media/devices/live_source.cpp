#include "live_source.h"

#include <atomic>
#include <utility>

namespace media {

LiveSource::~LiveSource() { stop(); }

Error LiveSource::start(std::unique_ptr<FrameSource> source) {
    std::lock_guard control(m_controlMutex);
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    if (Error e = source->start()) return e;
    {
        std::lock_guard lock(m_mutex);
        m_newest.reset();
        m_frameCount = 0;
        m_failure = Error::none();
        m_lastReadError = Error::none();
        m_streaming = true;
        m_stopping = false;
        m_name = source->name();
        m_format = source->format();
        m_offeredSizes = source->offeredSizes();
        m_offeredFormats = source->offeredFormats();
    }
    m_source = std::move(source);
    m_thread = std::thread(&LiveSource::run, this);
    return Error::none();
}

void LiveSource::stop() {
    std::lock_guard control(m_controlMutex);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
    m_source.reset();
}

void LiveSource::run() {
    std::shared_ptr<Frame> spare;
    std::shared_ptr<Frame> published;
    while (true) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) break;
        }
        std::shared_ptr<Frame> frame = reusableFrame(spare);
        if (Error e = m_source->readFrame(*frame)) {
            spare = std::move(frame);
            std::unique_lock lock(m_mutex);
            if (e.kind != ErrorKind::Io && e.kind != ErrorKind::BadFrame) {
                m_failure = std::move(e);
                break;
            }
            m_lastReadError = std::move(e);
            m_changed.wait_for(lock, kRetryDelay, [this] { return m_stopping; });
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            m_newest = frame;
            ++m_frameCount;
            m_lastReadError = Error::none();
        }
        m_changed.notify_all();
        {
            std::lock_guard lock(m_listenerMutex);
            if (m_listener) m_listener(frame);
        }
        // The frame it replaces becomes the next one to read into when nobody holds it any
        // more: no fresh allocation (and page faults) for every frame.
        spare = std::exchange(published, std::move(frame));
    }
    m_source->stop();
    {
        std::lock_guard lock(m_mutex);
        m_streaming = false;
    }
    m_changed.notify_all();
}

std::shared_ptr<Frame> LiveSource::reusableFrame(std::shared_ptr<Frame>& spare) const {
    if (spare && spare.use_count() == 1) {
        // Pairs with the release in the last other owner's reference drop: its reads of the
        // frame are finished before we write into it.
        std::atomic_thread_fence(std::memory_order_acquire);
        return std::move(spare);
    }
    spare.reset();
    return std::make_shared<Frame>();
}

bool LiveSource::streaming() const {
    std::lock_guard lock(m_mutex);
    return m_streaming;
}

std::string LiveSource::sourceName() const {
    std::lock_guard lock(m_mutex);
    return m_name;
}

StreamFormat LiveSource::format() const {
    std::lock_guard lock(m_mutex);
    return m_format;
}

std::vector<OfferedFormat> LiveSource::offeredFormats() const {
    std::lock_guard lock(m_mutex);
    return m_offeredFormats;
}

std::vector<FrameSize> LiveSource::offeredSizes() const {
    std::lock_guard lock(m_mutex);
    return m_offeredSizes;
}

std::shared_ptr<const Frame> LiveSource::newest() const {
    std::lock_guard lock(m_mutex);
    return m_newest;
}

uint64_t LiveSource::frameCount() const {
    std::lock_guard lock(m_mutex);
    return m_frameCount;
}

Error LiveSource::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

Error LiveSource::waitForFrameStartedAfter(int64_t requestNs, std::chrono::milliseconds timeout,
                                           std::shared_ptr<const Frame>& out) {
    std::unique_lock lock(m_mutex);
    const auto fresh = [&] { return m_newest && m_newest->exposureStartNs > requestNs; };
    m_changed.wait_for(lock, timeout, [&] { return fresh() || !m_streaming || m_stopping; });
    if (fresh()) {
        out = m_newest;
        return Error::none();
    }
    if (m_failure) return m_failure;
    if (!m_streaming || m_stopping) return {ErrorKind::Io, "The capture stopped before a new frame arrived."};
    // Frames came, but none whole: that, not silence, is why there is no frame.
    if (m_lastReadError.kind == ErrorKind::BadFrame) return m_lastReadError;
    return {ErrorKind::Io,
            "No new frame came from \"" + m_name + "\" within " + std::to_string(timeout.count()) + " ms."};
}

void LiveSource::setFrameListener(FrameListener listener) {
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(listener);
}

}  // namespace media
