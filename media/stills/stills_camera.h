// A stills camera driven from one worker thread, as libgphoto2 needs: every call to the camera is
// a request on the worker's queue and every result comes back as an event, so that the GUI never
// waits on a camera that takes seconds over a still. Between requests the worker keeps fetching
// live-view pictures while live view is wanted; a still pauses live view only while it is taken.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "media/common/frame.h"
#include "media/stills/gphoto_io.h"

namespace media {

// One file of a still, named and holding its bytes exactly as the camera made it.
struct StillFile {
    std::string name;  // on the camera, e.g. "IMG_0001.JPG", "IMG_0001.CR2"
    std::vector<uint8_t> data;
};

// What one press took: the JPEG first, then any RAW file shot with it.
struct Still {
    std::vector<StillFile> files;
    int64_t requestedNs = 0;  // CLOCK_MONOTONIC time of the press
    const StillFile& jpeg() const { return files.front(); }
};

enum class StillsEventKind {
    StillTaken,           // `still` holds it
    StillFailed,          // `error` says why; nothing was kept
    LiveViewUnavailable,  // the camera gives no live view; `error` says so
    Disconnected,         // the camera went away; tried again every kReconnectInterval
    Reconnected,          // it is back by itself (open() after a plug event does the same)
    SettingRead,          // `setting` as the camera now holds it
    SettingFailed,        // `error` says why; `setting.name` is the one asked about
};

struct StillsEvent {
    StillsEventKind kind = StillsEventKind::StillTaken;
    Error error;
    std::shared_ptr<const Still> still;
    ConfigWidget setting;
};

class StillsCamera {
public:
    using EventListener = std::function<void(const StillsEvent&)>;
    // Work for the worker thread; what it returns, if anything, goes to the listener.
    using Task = std::function<std::optional<StillsEvent>(GphotoIo&)>;

    // Why a press is refused while the last one's still is being taken.
    static constexpr const char* kStillPending = "A still is still being taken: wait for it before the next press";
    // How long Stop / Save and Quit wait for a still being taken before giving up on it.
    static constexpr std::chrono::seconds kStillTimeout{30};
    // How long, after a capture, the camera may take to announce a further file (the RAW of
    // RAW+JPEG) before the still is taken as complete.
    static constexpr int kExtraFileWaitMs = 200;
    // How often a camera lost after it was open is tried again.
    static constexpr std::chrono::seconds kReconnectInterval{1};

    StillsCamera(std::unique_ptr<GphotoIo> io, DetectedCamera camera);
    // Ends the worker after the request it is carrying out and lets go of the camera.
    ~StillsCamera();
    StillsCamera(const StillsCamera&) = delete;
    StillsCamera& operator=(const StillsCamera&) = delete;

    const DetectedCamera& camera() const { return m_camera; }

    // Opens (or opens again after a disconnection) on the worker and waits for the answer, as
    // opening a webcam does: the caller chooses the thread it blocks.
    Error open(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool isOpen() const;
    // The camera's serial number once open, empty when it tells none.
    std::string serial() const;

    // Called on the worker thread with every event; it must return quickly (post the event to
    // the GUI thread). Not to be called from a listener.
    void setEventListener(EventListener listener);

    // Asks for a still; the answer is a StillTaken or StillFailed event. Refused, with the
    // reason, while another is being taken (a press is never queued) or the camera is not open.
    Error requestStill();
    bool stillPending() const;
    // Waits until no still is being taken; false if one still is after `timeout`.
    bool waitForStill(std::chrono::milliseconds timeout) const;

    // Live view is fetched while wanted, the camera is open and it has one.
    void setLiveViewWanted(bool wanted);
    // False once the camera answered that it has no live view.
    bool hasLiveView() const;
    // Waits for a live-view picture newer than number `after` (0: any) and returns it with its
    // number. Io when none came in time, DeviceGone once the camera went away, Unsupported when
    // it has no live view.
    Error waitForPreview(uint64_t after, std::chrono::milliseconds timeout, std::vector<uint8_t>& jpeg,
                         uint64_t& number) const;
    // The newest still taken, or null.
    std::shared_ptr<const Still> lastStill() const;

    // Runs `task` on the worker after the requests before it.
    void post(Task task);

private:
    void run();
    StillsEvent takeStill(GphotoIo& io);
    void fetchPreview(std::unique_lock<std::mutex>& lock);
    void reconnect(std::unique_lock<std::mutex>& lock);
    void deliver(const StillsEvent& event);

    std::unique_ptr<GphotoIo> m_io;  // used by the worker alone
    const DetectedCamera m_camera;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<Task> m_tasks;
    bool m_stopping = false;
    bool m_open = false;
    bool m_wasOpen = false;  // opened by request and not failed to open since: worth trying again
    bool m_liveViewWanted = false;
    bool m_hasLiveView = true;
    bool m_stillPending = false;
    std::string m_serial;
    std::vector<uint8_t> m_preview;
    uint64_t m_previewNumber = 0;
    std::shared_ptr<const Still> m_lastStill;

    std::mutex m_listenerMutex;  // held while the listener runs
    EventListener m_listener;

    std::thread m_worker;  // last: starts once everything above is ready
};

}  // namespace media
