// The capture thread: keeps a frame source streaming and always holds its newest frame, so that
// the preview never waits for the camera and a single-frame capture gets a fresh frame.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/common/frame.h"

namespace media {

class LiveSource {
public:
    using FrameListener = std::function<void(const std::shared_ptr<const Frame>&)>;

    // After an Io or BadFrame error (the source had no frame, or only damaged ones, within its
    // timeout, or a transient failure) the thread waits this long before reading again, so that a source failing at
    // once does not spin.
    static constexpr std::chrono::milliseconds kRetryDelay{50};

    LiveSource() = default;
    ~LiveSource();
    LiveSource(const LiveSource&) = delete;
    LiveSource& operator=(const LiveSource&) = delete;

    // Starts `source` on the calling thread, so that its failure (busy, unsupported) comes back
    // here, then streams it on the capture thread. A running source is stopped first.
    Error start(std::unique_ptr<FrameSource> source);
    // Ends streaming, waking anyone waiting for a frame; returns within about a second, once
    // the source is stopped. The newest frame stays available.
    void stop();

    // True from a successful start until stop() or the source's failure.
    bool streaming() const;
    std::string sourceName() const;
    StreamFormat format() const;
    // What the source offered when it started (FrameSource::offeredSizes).
    std::vector<FrameSize> offeredSizes() const;
    // What the source offered when it started (FrameSource::offeredFormats).
    std::vector<OfferedFormat> offeredFormats() const;
    std::shared_ptr<const Frame> newest() const;
    uint64_t frameCount() const;
    // What ended the stream (DeviceGone after an unplug); cleared by start().
    Error failure() const;

    // Waits for a frame whose exposure began after `requestNs` (CLOCK_MONOTONIC), so that a
    // frame queued before the request, showing the scene as it was, is never taken. That is the
    // first such frame, or the newest if the caller woke only after another had come. When none
    // comes in time because the source's latest reads found only damaged frames, that is the
    // error returned.
    Error waitForFrameStartedAfter(int64_t requestNs, std::chrono::milliseconds timeout,
                                   std::shared_ptr<const Frame>& out);

    // Called on the capture thread with every new frame; it must return quickly (hand the
    // frame to another thread, don't decode it there). Once this returns, the previous
    // listener has finished and is not called again. Not to be called from a listener.
    void setFrameListener(FrameListener listener);

private:
    void run();
    std::shared_ptr<Frame> reusableFrame(std::shared_ptr<Frame>& spare) const;

    std::mutex m_controlMutex;  // serialises start() and stop()
    std::thread m_thread;
    std::unique_ptr<FrameSource> m_source;  // used by the capture thread while it runs

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::shared_ptr<const Frame> m_newest;
    uint64_t m_frameCount = 0;
    Error m_failure;
    Error m_lastReadError;  // of the newest read, none once a frame came
    bool m_streaming = false;
    bool m_stopping = false;
    std::string m_name;
    StreamFormat m_format;
    std::vector<FrameSize> m_offeredSizes;
    std::vector<OfferedFormat> m_offeredFormats;

    std::mutex m_listenerMutex;  // held while the listener runs
    FrameListener m_listener;
};

}  // namespace media
