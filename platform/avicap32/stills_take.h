// A take recorded from a stills camera. A press only asks the camera for a still and returns: the
// camera's worker takes and downloads it, the recorder writes the still and appends its frame, and
// the outcome comes back to the GUI thread, so that the GUI never waits on a camera that takes
// seconds. A frame counts once its still and the frame are both on disk.
#pragma once

#include "media/avi/avi_writer.h"
#include "media/stills/stills_folder.h"
#include "media/stills/stills_recorder.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace avicap32 {

class StillsTake {
public:
    // Called on the GUI thread with each press's outcome, in the order of the presses.
    using OutcomeListener = std::function<void(const media::PressOutcome&)>;

    // Borrows `folder` and `avi` until destroyed; each frame is `takeWidth` wide.
    // `takeLock` is held while a still's frame goes into `avi`, off the GUI thread.
    StillsTake(std::shared_ptr<media::StillsCamera> camera, media::StillsFolder& folder, media::TakeEditor& avi,
               std::mutex& takeLock, int takeWidth, uint32_t microSecPerFrame, OutcomeListener listener);
    // Waits for a press underway, up to the camera's timeout; its outcome is not handed over.
    ~StillsTake();
    StillsTake(const StillsTake&) = delete;
    StillsTake& operator=(const StillsTake&) = delete;

    // Asks for a still, to go in at frame `at` (at the end without). DeviceBusy while the last
    // press's still is being taken: never queued.
    media::Error press(std::optional<size_t> at = std::nullopt);
    bool pressing() const { return m_recorder.pressing(); }
    // Every event of the camera, from its worker thread.
    void cameraEvent(const media::StillsEvent& event) { m_recorder.cameraEvent(event); }
    // The frames confirmed and handed over so far.
    uint64_t frames() const { return m_frames; }
    // Waits for a press underway, up to the camera's timeout, and hands its outcome over before
    // returning, so that the frame is counted before the take is closed. False if it did not end.
    bool finish();

private:
    void deliver();

    OutcomeListener m_listener;
    uint64_t m_frames = 0;
    int m_outstanding = 0;  // presses whose outcome has not been handed over
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<media::PressOutcome> m_arrived;
    // Carries the outcomes to the GUI thread; the ones still on their way are dropped with it.
    QObject m_gui;
    // Last: its thread ends before what it reports to goes.
    media::StillsRecorder m_recorder;
};

}  // namespace avicap32
