// The animator's views of one capture window: its own preview and the large view, what both
// draw over the live picture (onion skin, mirror, the last frame), and playing the take. It is
// handed frames and the take; what a camera is, and where the take is kept, are not its business.
#pragma once

#include "display_settings.h"
#include "preview_widget.h"
#include "take_control.h"

#include "media/view/shared_decodes.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace avicap32 {

class LargeView;

class AnimatorView {
public:
    // The take recorded so far, read back by whoever records it; null when there is none.
    using TakeReader = std::function<std::shared_ptr<const media::RecordedTake>()>;
    // `frameInterval` tells the recording's frame interval in microseconds, at which the take
    // plays.
    AnimatorView(PreviewWidget* preview, std::function<uint32_t()> frameInterval, TakeReader readTake);
    ~AnimatorView();
    AnimatorView(const AnimatorView&) = delete;
    AnimatorView& operator=(const AnimatorView&) = delete;

    // Any thread: a new live frame for every open view.
    void offerFrame(const std::shared_ptr<const media::Frame>& frame);
    void setRate(int milliseconds);

    // A recording was started: its first frame takes the place of the previous recording's
    // frames in the onion skin.
    void recordingOpened();
    void frameRecorded(std::shared_ptr<const media::Frame> frame);

    const DisplaySettings& settings() const { return m_settings; }
    // Applied to every view at once; opens or closes the large view.
    void setSettings(const DisplaySettings& settings);
    // Told of every change to the settings, from wherever it comes.
    void setSettingsListener(std::function<void(const DisplaySettings&)> listener) {
        m_settingsListener = std::move(listener);
    }

    // The last recorded frame instead of the live picture, and back.
    void setShowLastFrame(bool on);
    bool showingLastFrame() const { return m_showLastFrame; }
    // The last frames recorded, newest first: those of the open recording, or before its first
    // frame those of the one before.
    const std::vector<std::shared_ptr<const media::Frame>>& recordedFrames() const { return m_recent; }

    // Plays the take so far in the large view, opening it; false with the reason when there is
    // nothing to play.
    bool play(QString& why);
    void stopPlaying();
    // The last few frames before where the next shot goes, once, then live again.
    bool shortPlay(QString& why);

    // Null until first opened.
    LargeView* largeView() const { return m_largeView.get(); }
    // Opens the large view, or raises it when it is open.
    void raiseLargeView();

    // What the large view's editing keys act through; null when nothing records.
    void setTakeControl(TakeControl* control) { m_takeControl = control; }
    TakeControl* takeControl() const { return m_takeControl; }
    // The recorded frame the large view shows instead of the live picture; none for live.
    std::optional<size_t> shownFrame() const { return m_shownIndex; }
    // False with nothing shown when the frame cannot be read back.
    bool showFrame(std::optional<size_t> index);
    // The take changed outside a plain shot at its end (an edit, a moved insertion point): the
    // onion skin shows the frames before where the next shot goes, read back from the file.
    void takeChanged();

private:
    void showOverlay();
    void showLargeView(bool on);

    PreviewWidget* m_preview;
    std::function<uint32_t()> m_frameInterval;
    TakeReader m_readTake;
    std::unique_ptr<LargeView> m_largeView;
    std::atomic<PreviewWidget*> m_largePicture{nullptr};  // read by the capture thread
    // A frame both views show is decoded once, for the larger of them.
    std::shared_ptr<media::SharedDecodes> m_decodes = std::make_shared<media::SharedDecodes>();
    DisplaySettings m_settings;
    std::function<void(const DisplaySettings&)> m_settingsListener;
    std::vector<std::shared_ptr<const media::Frame>> m_recent;  // newest first
    TakeControl* m_takeControl = nullptr;
    std::optional<size_t> m_shownIndex;
    std::shared_ptr<const media::Frame> m_shownFrame;
    bool m_newRecording = false;
    bool m_showLastFrame = false;
    int m_rate = 100;
};

}  // namespace avicap32
