// A frame source that paints its frames: recordings and the capture path can be exercised
// without a camera. Frames carry their number as digits and as a stamp ReadFrameStamp reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "media/common/frame.h"
#include "media/testscene/test_scene_options.h"

namespace media {

class TestSceneSource : public FrameSource {
public:
    explicit TestSceneSource(TestSceneOptions options = {});

    std::string name() const override;
    Error start() override;
    StreamFormat format() const override;
    // A few sizes cameras commonly have, and its own: tests and demos can switch between them
    // by making a source with other options.
    std::vector<FrameSize> offeredSizes() const override;
    // Every format it paints (MJPEG first, as a camera's list puts it for us), at those sizes,
    // at 30 and 15 frames per second and its own rate.
    std::vector<OfferedFormat> offeredFormats() const override;
    // Frame n shows number n. In real time, a reader that falls behind loses frames as with a
    // camera: the next read returns the latest due frame and the sequence shows the gap.
    Error readFrame(Frame& frame) override;
    void stop() override;

    // Failure switches, so that tests can walk the paths a real camera takes when it fails.
    // They may be flipped from another thread while frames are read.
    //
    // start() fails with this kind (None: succeeds).
    void setStartFailure(ErrorKind kind) { m_startFailure = kind; }
    // After this many frames have been delivered, reads fail with DeviceGone as if the camera
    // had been unplugged (negative: never).
    void setVanishAfter(int64_t frames) { m_vanishAfter = frames; }

private:
    Error paint(uint64_t number, Frame& frame) const;

    TestSceneOptions m_options;
    bool m_started = false;
    int64_t m_startNs = 0;
    uint64_t m_nextNumber = 0;
    uint64_t m_delivered = 0;
    std::vector<std::vector<uint8_t>> m_replay;  // the compressed frames delivered over and over
    std::atomic<ErrorKind> m_startFailure{ErrorKind::None};
    std::atomic<int64_t> m_vanishAfter{-1};
};

}  // namespace media
