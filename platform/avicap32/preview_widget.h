// The capture window's picture: the newest frame, decoded on a worker thread and shown at the
// preview rate. The GUI thread only swaps in a finished picture and paints it, so the preview
// never waits for the camera or the decoder.
#pragma once

#include "media/common/frame.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace avicap32 {

class PreviewWidget : public QWidget {
public:
    explicit PreviewWidget(QWidget* parent);
    ~PreviewWidget() override;

    // While off, the last picture stays and no frames are decoded.
    void setPreviewing(bool on);
    // Stretched to the widget, or drawn at its own size from the top-left corner.
    void setScale(bool on);
    void setRate(int milliseconds);
    int rate() const { return m_refresh.interval(); }

    // Any thread: the newest frame, replacing one not yet decoded.
    void offerFrame(std::shared_ptr<const media::Frame> frame);

    // The picture being shown (for tests and the window's own checks).
    QImage shownPicture() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void decodeLoop();
    void refresh();

    QTimer m_refresh;
    QImage m_shown;
    bool m_previewing = false;

    std::mutex m_mutex;  // guards everything below
    std::condition_variable m_wake;
    std::shared_ptr<const media::Frame> m_pending;
    QImage m_decoded;
    bool m_haveDecoded = false;
    bool m_decodeWanted = true;  // set by each refresh, taken by the decoder
    QSize m_target;
    bool m_scale = false;
    bool m_accepting = false;
    bool m_quit = false;
    std::thread m_decoder;
};

}  // namespace avicap32
