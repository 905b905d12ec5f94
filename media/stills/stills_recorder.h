// A press on a stills camera, from the request to the confirmed frame, without the GUI thread
// waiting: the camera's worker takes and downloads the still; this recorder's own thread makes
// the frame, writes the still and appends the frame (RecordStill), and reports the outcome. One
// press at a time: a press while another is underway, from its request to its outcome, is refused
// with the reason. The recorder borrows the take's folder and AVI: nothing else may touch them
// while a press is underway (waitIdle() first, as Stop / Save and Quit do).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "media/avi/take_editor.h"
#include "media/stills/stills_camera.h"
#include "media/stills/stills_folder.h"

namespace media {

struct PressOutcome {
    Error error;                         // none: the frame is confirmed
    uint64_t frames = 0;                 // the take's frames now, the counter's value
    std::shared_ptr<const Frame> frame;  // the frame appended (Rgb24 at the take's size)
    std::shared_ptr<const Still> still;  // as the camera made it, when it came
    std::optional<size_t> insertedAt;    // where the frame went in, when not at the end
};

class StillsRecorder {
public:
    // Called on the recorder's thread with each press's outcome; it must return quickly.
    using Listener = std::function<void(const PressOutcome&)>;

    // `takeLock`, when given, is held while the recorder's thread writes to `avi`: the take's
    // other users, on other threads, hold it to read the take.
    StillsRecorder(std::shared_ptr<StillsCamera> camera, StillsFolder& stills, TakeEditor& avi, int takeWidth,
                   uint32_t microSecPerFrame, Listener listener, std::mutex* takeLock = nullptr);
    // Waits for a press underway to end.
    ~StillsRecorder();
    StillsRecorder(const StillsRecorder&) = delete;
    StillsRecorder& operator=(const StillsRecorder&) = delete;

    // Asks the camera for a still to go in at frame `at` (appended without, or when `at` is the
    // end); the outcome comes to the listener. Refused while a press is underway or when the
    // camera refuses.
    Error press(std::optional<size_t> at = std::nullopt);
    bool pressing() const;
    // Waits until no press is underway (its outcome may still be on its way to the listener);
    // false if one still is after `timeout`.
    bool waitIdle(std::chrono::milliseconds timeout) const;

    // To be called with every event of the camera (from its listener): the recorder takes the
    // StillTaken and StillFailed of its presses and ignores the rest.
    void cameraEvent(const StillsEvent& event);

private:
    void run();
    PressOutcome record(const StillsEvent& event, std::optional<size_t> at);

    std::shared_ptr<StillsCamera> m_camera;
    StillsFolder& m_stills;
    TakeEditor& m_avi;
    std::mutex* m_takeLock;
    const int m_takeWidth;
    const uint32_t m_microSecPerFrame;
    Listener m_listener;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_pressing = false;
    bool m_stopping = false;
    std::optional<StillsEvent> m_arrived;  // the camera's answer to the press underway
    std::optional<size_t> m_pressAt;       // where its frame goes

    std::thread m_thread;  // last: starts once everything above is ready
};

}  // namespace media
