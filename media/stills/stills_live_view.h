// A stills camera's live view as a frame source, so that the capture thread, the preview, the
// large view and the onion skin take it as they take a webcam's stream. A camera without live
// view shows its newest still instead, letterboxed into the picture size.
#pragma once

#include <chrono>
#include <memory>

#include "media/common/frame.h"
#include "media/stills/stills_camera.h"

namespace media {

class StillsLiveView : public FrameSource {
public:
    // The picture size of a camera that gives no live view to learn it from.
    static constexpr FrameSize kNoLiveViewSize{960, 640};
    // How long start() waits for the first live-view picture, which tells the size.
    static constexpr std::chrono::seconds kFirstPictureWait{5};

    explicit StillsLiveView(std::shared_ptr<StillsCamera> camera);

    std::string name() const override;
    // Opens the camera when it is not open yet, and waits for its first live-view picture.
    Error start() override;
    StreamFormat format() const override { return m_format; }
    // The next live-view picture as MJPEG; or, without live view, each new still once as Rgb24.
    Error readFrame(Frame& frame) override;
    void stop() override;

private:
    Error readStill(Frame& frame);

    std::shared_ptr<StillsCamera> m_camera;
    StreamFormat m_format;
    uint64_t m_lastPreview = 0;
    std::shared_ptr<const Still> m_shownStill;
    uint64_t m_sequence = 0;
};

}  // namespace media
