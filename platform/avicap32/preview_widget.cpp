#include "preview_widget.h"

#include "media/jpeg/preview.h"

#include <QPainter>

namespace avicap32 {

PreviewWidget::PreviewWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_refresh.setInterval(100);
    connect(&m_refresh, &QTimer::timeout, this, [this] { refresh(); });
    m_decoder = std::thread([this] { decodeLoop(); });
}

PreviewWidget::~PreviewWidget() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_decoder.join();
}

void PreviewWidget::setPreviewing(bool on) {
    m_previewing = on;
    {
        std::lock_guard lock(m_mutex);
        m_target = size();
        m_accepting = on;
        if (!on) m_pending.reset();
    }
    if (on) {
        m_refresh.start();
    } else {
        m_refresh.stop();
    }
}

void PreviewWidget::setScale(bool on) {
    {
        std::lock_guard lock(m_mutex);
        m_target = size();
        m_scale = on;
    }
    update();
}

void PreviewWidget::setRate(int milliseconds) { m_refresh.setInterval(std::max(1, milliseconds)); }

void PreviewWidget::offerFrame(std::shared_ptr<const media::Frame> frame) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_accepting) return;
        m_pending = std::move(frame);
    }
    m_wake.notify_one();
}

void PreviewWidget::resizeEvent(QResizeEvent*) {
    std::lock_guard lock(m_mutex);
    m_target = size();
}

void PreviewWidget::decodeLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        // One decode per refresh: the camera may deliver frames faster than the preview shows
        // them, and decoding those nobody sees would only take time from the capture.
        m_wake.wait(lock, [this] { return m_quit || (m_pending && m_decodeWanted); });
        if (m_quit) return;
        m_decodeWanted = false;
        std::shared_ptr<const media::Frame> frame = std::move(m_pending);
        QSize target = m_scale ? m_target : QSize(frame->width, frame->height);
        lock.unlock();

        media::Frame rgb;
        QImage picture;
        target = target.expandedTo(QSize(1, 1));
        if (!media::DecodePreview(*frame, target.width(), target.height(), rgb)) {
            picture = QImage(rgb.data.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888);
            // Scaled here, so that painting is a plain copy.
            picture = picture.size() == target ? picture.copy()
                                               : picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }

        lock.lock();
        if (!picture.isNull()) {
            m_decoded = std::move(picture);
            m_haveDecoded = true;
        }
    }
}

void PreviewWidget::refresh() {
    std::lock_guard lock(m_mutex);
    // A hidden widget gets no resize events: keep the decoder's target current from here too.
    m_target = size();
    m_decodeWanted = true;
    m_wake.notify_one();
    if (!m_haveDecoded) return;
    m_shown = std::move(m_decoded);
    m_haveDecoded = false;
    update();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Scaled pictures already have the window's size; unscaled ones start at the top-left
    // corner, the rest of the window staying black.
    if (m_shown.size() != size()) painter.fillRect(rect(), Qt::black);
    if (!m_shown.isNull()) painter.drawImage(QPoint(0, 0), m_shown);
}

}  // namespace avicap32
