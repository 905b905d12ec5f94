// The strip along the bottom of the large view: the open take's frames as small pictures in
// order with their numbers, then the live picture; where the next shot goes is marked, and a
// click shows a frame. Pictures are decoded on a worker thread and kept by frame identity, so a
// long take scrolls without waiting and an edit decodes only what is new.
#pragma once

#include "media/view/strip_pictures.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace avicap32 {

class AnimatorView;

class FrameStrip : public QWidget {
public:
    FrameStrip(AnimatorView& view, QWidget* parent);
    ~FrameStrip() override;

    // The take or what is shown changed: the strip keeps the frame shown, or where the next shot
    // goes, in sight.
    void follow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int cellWidth() const;
    // Cells: the take's frames, then the live picture.
    size_t cellCount() const;
    void scrollTo(long firstCell);

    AnimatorView& m_view;
    std::unique_ptr<media::StripPictures> m_pictures;
    media::AviVideoCodec m_codec = media::AviVideoCodec::Mjpeg;
    media::FrameSize m_frameSize;
    long m_first = 0;  // the leftmost cell shown
};

}  // namespace avicap32
