#include "media/stills/stills_live_view.h"

#include <thread>

#include "media/common/monotonic_clock.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/view/letterbox.h"
#include "media/view/rgb_scale.h"

namespace media {
namespace {

// A read returns within this time even when no picture comes, as FrameSource asks.
constexpr std::chrono::milliseconds kReadWait{500};

}  // namespace

StillsLiveView::StillsLiveView(std::shared_ptr<StillsCamera> camera) : m_camera(std::move(camera)) {}

std::string StillsLiveView::name() const { return m_camera->camera().model; }

Error StillsLiveView::start() {
    if (!m_camera->isOpen()) {
        if (Error e = m_camera->open()) return e;
    }
    m_camera->setLiveViewWanted(true);
    std::vector<uint8_t> jpeg;
    Error e = m_camera->waitForPreview(m_lastPreview, kFirstPictureWait, jpeg, m_lastPreview);
    m_format = {};
    m_shownStill = nullptr;
    if (e.kind == ErrorKind::Unsupported) {
        m_format.format = PixelFormat::Rgb24;
        m_format.width = kNoLiveViewSize.width;
        m_format.height = kNoLiveViewSize.height;
        return Error::none();
    }
    JpegLayout layout;
    if (!e) e = ParseJpeg(jpeg, layout);
    if (e) {
        m_camera->setLiveViewWanted(false);
        return e;
    }
    m_format.format = PixelFormat::Mjpeg;
    m_format.width = layout.width;
    m_format.height = layout.height;
    m_lastPreview = 0;  // the first picture is delivered by the first read
    return Error::none();
}

Error StillsLiveView::readFrame(Frame& frame) {
    if (m_format.format == PixelFormat::Rgb24) return readStill(frame);
    const int64_t asked = MonotonicNowNs();
    Error e = m_camera->waitForPreview(m_lastPreview, kReadWait, frame.data, m_lastPreview);
    if (e) return e;
    JpegLayout layout;
    if (Error bad = ParseJpeg(frame.data, layout)) return bad;
    frame.format = PixelFormat::Mjpeg;
    frame.width = layout.width;
    frame.height = layout.height;
    frame.sequence = m_sequence++;
    frame.exposureStartNs = asked;
    return Error::none();
}

Error StillsLiveView::readStill(Frame& frame) {
    std::shared_ptr<const Still> still = m_camera->lastStill();
    if (!m_camera->isOpen()) return {ErrorKind::DeviceGone, "The camera is not connected"};
    if (!still || still == m_shownStill) {
        std::this_thread::sleep_for(kReadWait);
        return {ErrorKind::Io, "No new still to show: this camera gives no live view"};
    }
    Frame decoded;
    const FrameSize area{m_format.width, m_format.height};
    if (Error e = DecodeJpegToRgb(still->jpeg().data, decoded, area.width, area.height)) return e;
    const PictureRect rect = LetterboxRect({decoded.width, decoded.height}, area);
    frame.format = PixelFormat::Rgb24;
    frame.width = area.width;
    frame.height = area.height;
    frame.data.assign(size_t(area.width) * size_t(area.height) * 3, 0);
    const size_t stride = size_t(area.width) * 3;
    ScaleRgb24(decoded, false,
               {frame.data.data() + size_t(rect.y) * stride + size_t(rect.x) * 3, rect.width, rect.height, stride});
    frame.sequence = m_sequence++;
    frame.exposureStartNs = still->requestedNs;
    m_shownStill = std::move(still);
    return Error::none();
}

void StillsLiveView::stop() { m_camera->setLiveViewWanted(false); }

}  // namespace media
