#include "preview_widget.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace avicap32 {

// What the drawing thread draws next, taken under the lock and drawn without it.
struct PreviewWidget::Job {
    std::shared_ptr<media::SharedDecodes> decodes;
    std::shared_ptr<const media::Frame> frame;
    std::shared_ptr<const media::RecordedTake> take;  // with the take's frame `index` instead
    long index = -1;
    std::vector<std::shared_ptr<const media::Frame>> onion;
    int opacityPercent = 0;
    bool mirror = false;
    media::GuideSet guides;
    bool scale = false;
    QSize target;  // in device pixels
    qreal pixelRatio = 1;
};

namespace {

// Over the composed picture, in its pixels: the guides are for framing and never reach a file,
// so they are drawn where the picture is shown, not into the frame. Masks darken rather than
// black out, so that what lies under them can still be seen.
void DrawGuides(QImage& canvas, const media::PictureRect& rect, media::FrameSize picture,
                const media::GuideSet& guides) {
    if (guides == media::GuideSet{} || picture.width <= 0 || picture.height <= 0) return;
    const media::GuideShapes shapes = media::GuideGeometry(picture, guides);
    QPainter painter(&canvas);
    // Device pixels, whatever the screen's scale: the rectangle is in the canvas's own pixels.
    painter.scale(1 / canvas.devicePixelRatio(), 1 / canvas.devicePixelRatio());
    painter.translate(rect.x, rect.y);
    painter.scale(double(rect.width) / picture.width, double(rect.height) / picture.height);
    for (const media::GuideRect& mask : shapes.masks)
        painter.fillRect(QRectF(mask.x, mask.y, mask.width, mask.height), QColor(0, 0, 0, 170));
    QPen pen(QColor(255, 255, 255, 200));
    pen.setCosmetic(true);
    pen.setWidthF(std::max<qreal>(1, canvas.devicePixelRatio()));
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const media::GuideLine& line : shapes.lines) painter.drawLine(QLineF(line.x1, line.y1, line.x2, line.y2));
    for (const media::GuideRect& frame : shapes.frames)
        painter.drawRect(QRectF(frame.x, frame.y, frame.width, frame.height));
}

}  // namespace

PreviewWidget::PreviewWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_refresh.setInterval(m_rate);
    connect(&m_refresh, &QTimer::timeout, this, [this] { refresh(); });
    m_drawer = std::thread([this] { drawLoop(); });
}

PreviewWidget::~PreviewWidget() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_decodes->leave(this);
    }
    m_wake.notify_all();
    m_drawer.join();
}

// Drawn at the screen's own resolution, not enlarged from the window's logical size.
QSize PreviewWidget::pixelSize() {
    m_pixelRatio = devicePixelRatioF();
    return (QSizeF(size()) * m_pixelRatio).toSize();
}

void PreviewWidget::setPreviewing(bool on) {
    m_previewing = on;
    {
        std::lock_guard lock(m_mutex);
        m_target = pixelSize();
        m_accepting = on;
        // A hidden view's size no longer sets how large the other views' frames are decoded.
        if (on) {
            m_decodes->join(this);
        } else {
            m_decodes->leave(this);
            m_pending.reset();
        }
    }
    updateTimer();
}

void PreviewWidget::setScale(bool on) {
    {
        std::lock_guard lock(m_mutex);
        m_target = pixelSize();
        m_scale = on;
        m_dirty = true;
    }
    update();
}

void PreviewWidget::setRate(int milliseconds) {
    m_rate = std::max(1, milliseconds);
    updateTimer();
}

void PreviewWidget::updateTimer() {
    if (m_take) {
        m_refresh.start(m_playInterval);
    } else if (m_previewing) {
        if (!m_refresh.isActive() || m_refresh.interval() != m_rate) m_refresh.start(m_rate);
    } else {
        m_refresh.stop();
    }
}

void PreviewWidget::shareDecodes(std::shared_ptr<media::SharedDecodes> decodes) {
    std::lock_guard lock(m_mutex);
    // A view already previewing takes its size along, so that the others' decodes cover it.
    if (m_accepting) {
        m_decodes->leave(this);
        decodes->join(this);
    }
    m_decodes = std::move(decodes);
}

void PreviewWidget::offerFrame(std::shared_ptr<const media::Frame> frame) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_accepting) return;
        m_pending = std::move(frame);
    }
    m_wake.notify_one();
}

void PreviewWidget::setOverlay(ViewOverlay overlay) {
    {
        std::lock_guard lock(m_mutex);
        m_overlay = std::move(overlay);
        m_dirty = true;
    }
    m_wake.notify_one();
}

void PreviewWidget::setMessage(const QString& text) {
    m_message = text;
    update();
}

void PreviewWidget::play(std::shared_ptr<const media::RecordedTake> take, int intervalMs, bool loop,
                         std::optional<media::FrameRange> range) {
    const media::FrameRange played = range.value_or(media::FrameRange{0, take->frameCount()});
    m_playFirst = played.first;
    m_playOrder.emplace(played.count, loop);
    m_take = std::move(take);
    m_playInterval = std::max(1, intervalMs);
    {
        std::lock_guard lock(m_mutex);
        m_playTake = m_take;
        m_playRequest = -1;
        m_haveDecoded = false;
        m_playDrawing = false;
    }
    updateTimer();
}

void PreviewWidget::stopPlaying() {
    if (!m_take) return;
    const int count = int(m_take->frameCount());
    m_take.reset();
    {
        std::lock_guard lock(m_mutex);
        m_playTake.reset();
        m_playRequest = -1;
        m_dirty = true;
    }
    updateTimer();
    if (m_playListener) m_playListener(-1, count);
}

void PreviewWidget::resizeEvent(QResizeEvent*) {
    std::lock_guard lock(m_mutex);
    m_target = pixelSize();
    m_dirty = true;
}

void PreviewWidget::drawLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        // One picture per refresh: the camera may deliver frames faster than the view shows
        // them, and drawing those nobody sees would only take time from the capture. With the
        // last recorded frame shown instead of the live one, only a change redraws it.
        m_wake.wait(lock, [this] {
            return m_quit || m_playRequest >= 0 ||
                   (m_decodeWanted && (m_dirty || (m_pending && !m_overlay.showLastFrame)));
        });
        if (m_quit) return;
        Job job;
        job.decodes = m_decodes;
        job.target = m_target;
        job.pixelRatio = m_pixelRatio;
        job.scale = m_scale;
        job.mirror = m_overlay.mirror;
        job.guides = m_overlay.guides;
        if (m_playRequest >= 0) {
            job.take = m_playTake;
            job.index = m_playRequest;
            m_playRequest = -1;
            m_playDrawing = true;
        } else {
            m_decodeWanted = false;
            m_dirty = false;
            if (m_pending) m_lastLive = std::move(m_pending);
            const std::vector<std::shared_ptr<const media::Frame>>& recent = m_overlay.recent;
            if (m_overlay.showLastFrame && !recent.empty()) {
                job.frame = recent.front();
            } else {
                job.frame = m_lastLive;
                const size_t count = std::min(recent.size(), size_t(std::max(0, m_overlay.onionFrames)));
                job.onion.assign(recent.begin(), recent.begin() + long(count));
                job.opacityPercent = m_overlay.opacityPercent;
            }
            if (!job.frame) continue;
        }
        lock.unlock();

        QImage picture = draw(job);

        lock.lock();
        if (job.take) m_playDrawing = false;
        // A take's frame that comes after its playing was stopped is not shown.
        if (!picture.isNull() && (!job.take || job.take == m_playTake)) {
            m_decoded = std::move(picture);
            m_decodedIndex = job.index;
            m_haveDecoded = true;
        }
    }
}

QImage PreviewWidget::draw(const Job& job) {
    std::shared_ptr<const media::Frame> frame = job.frame;
    if (job.take) {
        auto read = std::make_shared<media::Frame>();
        if (job.take->readFrame(size_t(job.index), *read)) return {};
        frame = std::move(read);
    }
    const QSize canvasSize = job.scale ? job.target.expandedTo(QSize(1, 1)) : QSize(frame->width, frame->height);
    const media::PictureRect rect =
        job.scale ? media::LetterboxRect({frame->width, frame->height}, {canvasSize.width(), canvasSize.height()})
                  : media::PictureRect{0, 0, frame->width, frame->height};
    std::shared_ptr<const media::Frame> rgb;
    if (rect.width <= 0 || job.decodes->decode(this, frame, {rect.width, rect.height}, rgb)) return {};

    // Decoded and summed once for the size it is shown at, not for every picture.
    const media::OnionSkin& onion =
        m_onionLayers.skinFor(job.onion, {rect.width, rect.height}, job.mirror, job.opacityPercent, job.decodes.get());

    QImage canvas(canvasSize, QImage::Format_RGB888);
    canvas.setDevicePixelRatio(job.pixelRatio);
    media::ComposeView(*rgb, rect, job.mirror, onion,
                       {canvas.bits(), canvas.width(), canvas.height(), size_t(canvas.bytesPerLine())});
    DrawGuides(canvas, rect, {frame->width, frame->height}, job.guides);
    return canvas;
}

void PreviewWidget::refresh() {
    if (m_take) {
        refreshPlaying();
        return;
    }
    std::lock_guard lock(m_mutex);
    // A hidden widget gets no resize events: keep the drawing thread's target current from here.
    if (m_target != pixelSize()) {
        m_target = pixelSize();
        m_dirty = true;
    }
    m_decodeWanted = true;
    m_wake.notify_one();
    if (!m_haveDecoded) return;
    m_shown = std::move(m_decoded);
    m_haveDecoded = false;
    update();
}

// Each tick shows the frame drawn since the last one and asks for the next.
void PreviewWidget::refreshPlaying() {
    long shownIndex = -1;
    media::PlayOrder::Tick tick;
    {
        std::lock_guard lock(m_mutex);
        m_target = pixelSize();
        if (m_haveDecoded) {
            m_shown = std::move(m_decoded);
            m_haveDecoded = false;
            shownIndex = m_decodedIndex;
            update();
        }
        tick = m_playOrder->tick(m_playRequest >= 0 || m_playDrawing);
        if (tick.frame >= 0) m_playRequest = long(m_playFirst) + tick.frame;
    }
    m_wake.notify_one();
    if (shownIndex >= 0 && m_playListener)
        m_playListener(int(shownIndex - long(m_playFirst)), int(m_playOrder->frameCount()));
    if (tick.ended) stopPlaying();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_message.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        painter.setPen(QColor(230, 230, 230));
        painter.drawText(rect().adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap, m_message);
        return;
    }
    // Pictures are drawn at the window's size with their bars; unscaled ones, and one drawn
    // before a resize, start at the top-left corner, the rest of the window staying black.
    if (m_shown.deviceIndependentSize().toSize() != size()) painter.fillRect(rect(), Qt::black);
    if (!m_shown.isNull()) painter.drawImage(QPoint(0, 0), m_shown);
}

void PreviewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_doubleClickListener) {
        m_doubleClickListener();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace avicap32
