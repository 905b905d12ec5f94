// A view of the capture window's picture: the newest frame, decoded and composed (letterboxed,
// mirrored, onion skin) on a worker thread and shown at the preview rate. The GUI thread only
// swaps in a finished picture and paints it, so a view never waits for the camera or the decoder.
// The capture window's own preview and the large view are both one of these, sharing the decodes
// of the frames both show.
#pragma once

#include "media/common/frame.h"
#include "media/view/guides.h"
#include "media/view/onion_layers.h"
#include "media/view/short_play.h"
#include "media/view/play_order.h"
#include "media/view/recorded_take.h"
#include "media/view/shared_decodes.h"

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace avicap32 {

// What every view of a capture window shows besides the live picture.
struct ViewOverlay {
    // The frames last recorded, newest first.
    std::vector<std::shared_ptr<const media::Frame>> recent;
    int onionFrames = 0;  // how many of them show over the live picture
    int opacityPercent = 40;
    bool mirror = false;
    // The newest recorded frame instead of the live picture ("flip").
    bool showLastFrame = false;
    media::GuideSet guides;
};

class PreviewWidget : public QWidget {
public:
    explicit PreviewWidget(QWidget* parent);
    ~PreviewWidget() override;

    // While off, the last picture stays and no frames are decoded.
    void setPreviewing(bool on);
    // Fitted to the widget keeping the picture's proportions, black bars filling the rest; or
    // drawn at its own size from the top-left corner.
    void setScale(bool on);
    void setRate(int milliseconds);
    int rate() const { return m_rate; }

    // Where this view's frames are decoded, shared with the other views showing them. Until
    // given, it decodes for itself.
    void shareDecodes(std::shared_ptr<media::SharedDecodes> decodes);

    // Any thread: the newest frame, replacing one not yet decoded.
    void offerFrame(std::shared_ptr<const media::Frame> frame);
    void setOverlay(ViewOverlay overlay);
    // Shown in words instead of a picture while not empty: why there is none.
    void setMessage(const QString& text);
    QString message() const { return m_message; }

    // Shows the take's frames in order, one every `intervalMs`, then the live picture again
    // (or the take from its start when looping).
    // Only the frames of `range` when given.
    void play(std::shared_ptr<const media::RecordedTake> take, int intervalMs, bool loop,
              std::optional<media::FrameRange> range = std::nullopt);
    void setLoop(bool loop) {
        if (m_playOrder) m_playOrder->setLoop(loop);
    }
    void stopPlaying();
    bool playing() const { return m_take != nullptr; }
    // Told on the GUI thread of each frame shown while playing (its index, and the count), and
    // with index -1 when the playing has ended.
    void setPlayListener(std::function<void(int index, int count)> listener) { m_playListener = std::move(listener); }

    // Told of a double-click on the picture.
    void setDoubleClickListener(std::function<void()> listener) { m_doubleClickListener = std::move(listener); }

    // The picture being shown (for tests and the window's own checks).
    QImage shownPicture() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Job;
    void drawLoop();
    QImage draw(const Job& job);
    void refresh();
    void refreshPlaying();
    void updateTimer();
    // Under the lock: the widget's size in device pixels, noting their ratio for the drawer.
    QSize pixelSize();

    QTimer m_refresh;
    QImage m_shown;
    QString m_message;
    bool m_previewing = false;
    int m_rate = 100;
    std::shared_ptr<const media::RecordedTake> m_take;  // being played
    int m_playInterval = 100;
    size_t m_playFirst = 0;                       // the take's frame the play order's first stands for
    std::optional<media::PlayOrder> m_playOrder;  // of m_take
    std::function<void(int, int)> m_playListener;
    std::function<void()> m_doubleClickListener;

    std::mutex m_mutex;  // guards everything below
    std::condition_variable m_wake;
    std::shared_ptr<media::SharedDecodes> m_decodes = std::make_shared<media::SharedDecodes>();
    std::shared_ptr<const media::Frame> m_pending;
    std::shared_ptr<const media::Frame> m_lastLive;  // drawn again when only the overlay changed
    ViewOverlay m_overlay;
    bool m_dirty = false;  // the overlay or the size changed since the last picture
    std::shared_ptr<const media::RecordedTake> m_playTake;
    long m_playRequest = -1;  // the take's frame to draw next
    bool m_playDrawing = false;
    QImage m_decoded;
    long m_decodedIndex = -1;  // the take's frame it shows, -1 for a live picture
    bool m_haveDecoded = false;
    bool m_decodeWanted = true;  // set by each refresh, taken by the drawing thread
    QSize m_target;
    qreal m_pixelRatio = 1;
    bool m_scale = false;
    bool m_accepting = false;
    bool m_quit = false;

    media::OnionLayers m_onionLayers;  // the drawing thread's own
    std::thread m_drawer;
};

}  // namespace avicap32
