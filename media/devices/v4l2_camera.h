// A V4L2 video-capture device as a frame source: negotiates a format with the driver, streams
// through mapped buffers and hands out the newest frame the driver has.
#pragma once

#include <linux/videodev2.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format_negotiation.h"
#include "mapped_buffers.h"
#include "media/common/frame.h"
#include "v4l2_io.h"

namespace media {

class V4l2Camera final : public FrameSource {
public:
    // Few enough that frames do not pile up while we are late, enough that the driver always
    // has a buffer to fill while we copy one out.
    static constexpr unsigned kBufferCount = 4;
    static constexpr std::chrono::milliseconds kReadTimeout{1000};

    // Streams at `wantedSize` if the driver agrees, else at the size it sets instead; without a
    // wanted size, at the one our policy picks.
    explicit V4l2Camera(std::string devicePath, std::shared_ptr<V4l2Io> io = SystemV4l2Io(),
                        std::optional<FrameSize> wantedSize = std::nullopt);
    // Asks for the format, size and frame rate given, each where the driver agrees.
    V4l2Camera(std::string devicePath, std::shared_ptr<V4l2Io> io, StreamRequest wanted);
    ~V4l2Camera() override;
    V4l2Camera(const V4l2Camera&) = delete;
    V4l2Camera& operator=(const V4l2Camera&) = delete;

    // The driver's card name once started, the device path before.
    std::string name() const override;
    Error start() override;
    StreamFormat format() const override { return m_format.stream; }
    std::vector<FrameSize> offeredSizes() const override { return m_format.offeredSizes; }
    std::vector<OfferedFormat> offeredFormats() const override { return m_format.offeredFormats; }
    // Returns the newest complete frame: when several are waiting, the older ones go back to
    // the driver unread. Damaged frames (cut short, flagged by the driver, or a JPEG of another
    // size than the stream's) are skipped; when nothing else came, that is a BadFrame error.
    Error readFrame(Frame& frame) override;
    void stop() override;

    // Whether libv4l2 converts the stream in software because the device had no format we take
    // as it is.
    bool converted() const { return m_converted; }
    uint32_t fourcc() const { return m_format.fourcc; }

private:
    Error openDevice(OpenMode mode);
    Error checkCapabilities();
    Error dequeueNewest(v4l2_buffer& newest, bool& have);
    Error requeue(v4l2_buffer& buffer);
    bool copyOut(const v4l2_buffer& buffer, int64_t dequeuedAtNs, Frame& frame);
    Error streamError(int err, std::string_view action);
    Error noFrameError(int damagedFrames) const;
    void closeDevice();

    std::string m_path;
    std::shared_ptr<V4l2Io> m_io;
    StreamRequest m_wanted;
    std::string m_cardName;
    int m_fd = -1;
    bool m_converted = false;
    bool m_streaming = false;
    NegotiatedFormat m_format;
    int64_t m_frameIntervalNs = 0;
    MappedBuffers m_buffers;
    bool m_delivered = false;
    uint32_t m_firstSequence = 0;
    uint64_t m_lastSequence = 0;
};

}  // namespace media
