#include "frame_strip.h"

#include "animator_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>

namespace avicap32 {
namespace {

constexpr int kStripHeight = 84;
constexpr int kNumberHeight = 16;
constexpr int kGap = 4;

}  // namespace

FrameStrip::FrameStrip(AnimatorView& view, QWidget* parent) : QWidget(parent), m_view(view) {
    setFixedHeight(kStripHeight);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(32, 32, 32));
    setPalette(dark);
}

FrameStrip::~FrameStrip() = default;

int FrameStrip::cellWidth() const {
    const int pictureHeight = kStripHeight - kNumberHeight - 2 * kGap;
    const media::FrameSize size = m_frameSize.width > 0 ? m_frameSize : media::FrameSize{16, 9};
    return std::clamp(pictureHeight * size.width / std::max(1, size.height), 24, 200) + kGap;
}

size_t FrameStrip::cellCount() const {
    const TakeControl* take = m_view.takeControl();
    return (take && take->takeOpen() ? take->frameCount() : 0) + 1;
}

void FrameStrip::scrollTo(long firstCell) {
    const long visible = std::max(1, width() / cellWidth());
    m_first = std::clamp(firstCell, 0L, std::max(0L, long(cellCount()) - visible));
    update();
}

void FrameStrip::follow() {
    const TakeControl* take = m_view.takeControl();
    if (take && take->takeOpen() && take->frameCount() > 0 &&
        (take->codec() != m_codec || !(take->frameSize() == m_frameSize) || !m_pictures)) {
        m_codec = take->codec();
        m_frameSize = take->frameSize();
        const int pictureHeight = kStripHeight - kNumberHeight - 2 * kGap;
        m_pictures = std::make_unique<media::StripPictures>(m_codec, m_frameSize,
                                                            media::FrameSize{cellWidth() - kGap, pictureHeight});
        QPointer<FrameStrip> self(this);
        m_pictures->setReady([self](uint64_t) {
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self) self->update();
                },
                Qt::QueuedConnection);
        });
    }
    // The cell to keep in sight: the frame shown, else the place of the next shot.
    const size_t count = cellCount() - 1;
    const size_t current =
        m_view.shownFrame().value_or(take && take->insertionPoint() ? *take->insertionPoint() : count);
    const long visible = std::max(1, width() / cellWidth());
    if (long(current) < m_first || long(current) >= m_first + visible) {
        scrollTo(long(current) - visible / 2);
    } else {
        scrollTo(m_first);
    }
    // Pictures scrolled out of sight are not decoded any more.
    if (m_pictures) m_pictures->cancelPending();
    update();
}

void FrameStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TakeControl* take = m_view.takeControl();
    const bool open = take && take->takeOpen();
    const size_t frames = open ? take->frameCount() : 0;
    const int cell = cellWidth();
    const int pictureHeight = kStripHeight - kNumberHeight - 2 * kGap;
    const std::optional<size_t> shown = m_view.shownFrame();
    const std::optional<size_t> insertAt = open ? take->insertionPoint() : std::nullopt;
    painter.setPen(QColor(220, 220, 220));
    for (long i = m_first; i < long(frames) + 1 && (i - m_first) * cell < width(); ++i) {
        const QRect box(int(i - m_first) * cell + kGap / 2, kGap, cell - kGap, pictureHeight);
        const QRect number(box.left(), box.bottom() + 2, box.width(), kNumberHeight);
        if (size_t(i) == frames) {
            painter.fillRect(box, QColor(70, 20, 20));
            painter.drawText(box, Qt::AlignCenter, QStringLiteral("Live"));
        } else {
            std::shared_ptr<const media::Frame> picture;
            if (m_pictures) {
                picture =
                    m_pictures->picture(take->frameId(size_t(i)), [take, i] { return take->storedFrame(size_t(i)); });
            }
            if (picture) {
                const QImage image(picture->data.data(), picture->width, picture->height, picture->width * 3,
                                   QImage::Format_RGB888);
                painter.drawImage(box, image);
            } else {
                painter.fillRect(box, QColor(60, 60, 60));
            }
            painter.drawText(number, Qt::AlignCenter, QString::number(i + 1));
        }
        if (shown && *shown == size_t(i)) {
            painter.save();
            painter.setPen(QPen(QColor(255, 200, 0), 3));
            painter.drawRect(box.adjusted(1, 1, -1, -1));
            painter.restore();
        }
        // The next shot goes in before this cell: a bar in the gap says where.
        if (insertAt && *insertAt == size_t(i)) {
            painter.fillRect(QRect(box.left() - kGap / 2 - 2, 0, 4, kStripHeight), QColor(255, 80, 60));
        }
    }
}

void FrameStrip::mousePressEvent(QMouseEvent* event) {
    const long i = m_first + long(event->position().x()) / cellWidth();
    const TakeControl* take = m_view.takeControl();
    if (!take || !take->takeOpen() || i < 0) return;
    m_view.showFrame(size_t(i) < take->frameCount() ? std::optional<size_t>(size_t(i)) : std::nullopt);
}

void FrameStrip::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    const int by = steps.y() != 0 ? -steps.y() : -steps.x();
    scrollTo(m_first + by * 3);
}

}  // namespace avicap32
