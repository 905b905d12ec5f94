// A scripted V4L2 driver: tests describe devices and feed frames, the code under test drives it
// through the same calls as a real one, from as many threads as it likes.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "media/devices/format_policy.h"
#include "media/devices/v4l2_io.h"

namespace media::testing {

struct FakeFormat {
    uint32_t fourcc = 0;
    std::vector<FrameSize> sizes;
    bool emulated = false;  // offered only to descriptors opened for conversion
};

struct FakeControl {
    uint32_t id = 0;
    uint32_t type = V4L2_CTRL_TYPE_INTEGER;
    std::string name;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    uint32_t flags = 0;                       // reported as they are, with INACTIVE added while governed
    std::map<uint32_t, std::string> menu;     // menu items by index; missing indexes are left out
    std::map<uint32_t, int64_t> integerMenu;  // the same for an integer menu
    // Inactive while control `governor` is not at `manualValue`: its automatic mode is on.
    uint32_t governor = 0;
    int32_t manualValue = 0;
    int32_t value = 0;
    int setErrno = 0;  // S_CTRL fails with it: a control the driver will not change now
};

struct FakeDevice {
    std::string card = "Fake Camera";
    std::string driver = "fakecam";
    std::string busInfo;
    uint32_t version = 0x060113;  // 6.1.19
    uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    // Whether caps come as device_caps (and `capabilities` is the whole physical device's).
    bool hasDeviceCaps = true;
    uint32_t physicalCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    std::vector<FakeFormat> formats;
    // What the driver makes of an S_FMT request after it picked the format.
    std::function<void(v4l2_pix_format&)> adjust;
    bool settableInterval = true;
    v4l2_fract interval{1, 30};         // what the driver runs at when asked for an unlisted interval
    std::vector<v4l2_fract> intervals;  // listed for every format and size
    unsigned grantedBuffers = 0;        // 0: as many as asked
    uint32_t timestampFlags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_EOF;
    int openErrno = 0;
    int sFmtErrno = 0;
    int reqBufsErrno = 0;
    std::vector<FakeControl> controls;   // in id order, as drivers enumerate them
    bool extendedControlQueries = true;  // false: an older driver without QUERY_EXT_CTRL
    // Like uvcvideo: a control governed by an automatic mode that is on refuses values (EACCES).
    bool refuseInactiveControls = false;
    // Like cameras that power down between streams: controls go back to their defaults when
    // streaming starts.
    bool controlsResetOnStreamOn = false;
};

class FakeV4l2Io final : public V4l2Io {
public:
    FakeDevice& add(const std::string& path) { return m_devices[path]; }

    // Fills the oldest queued buffer as a captured frame; false when none is queued (the driver
    // would drop the frame). bytesUsed defaults to the payload size.
    bool deliver(const std::vector<uint8_t>& payload, int64_t timestampNs, uint32_t extraFlags = 0,
                 std::optional<uint32_t> bytesUsed = std::nullopt);
    // From now on the device is gone: calls fail with ENODEV, except that dequeueing fails with
    // `dequeueErrno` (some drivers say EIO), and poll reports an error.
    void unplug(int dequeueErrno = ENODEV);
    // The devices are back, as after plugging the camera in again.
    void replug();
    // Dequeueing fails with err while the device stays present.
    void failDequeue(int err) { m_dequeueErrno = err; }

    // A control's value as the device holds it now.
    int32_t controlValue(const std::string& path, uint32_t id);
    // Every S_CTRL that succeeded, in order.
    std::vector<std::pair<uint32_t, int32_t>> controlsSet();

    // What the code asked for and how it opened devices (successful opens only).
    std::vector<OpenMode> openModes;
    std::optional<v4l2_pix_format> lastRequested;
    std::optional<v4l2_fract> lastIntervalRequested;
    size_t bufferCount() const { return m_buffers.size(); }
    size_t queuedCount() const { return m_queued.size(); }
    bool streaming() const { return m_streaming; }
    int openDescriptors() const { return static_cast<int>(m_open.size()); }

    int open(const std::string& path, OpenMode mode) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void* mmap(int fd, size_t length, off_t offset) override;
    int munmap(void* address, size_t length) override;
    int poll(int fd, short events, int timeoutMs, short& revents) override;

private:
    struct OpenFile {
        std::string path;
        OpenMode mode;
    };
    struct Buffer {
        std::vector<uint8_t> memory;
        v4l2_buffer state{};
    };

    int fail(int err);
    int controlIoctl(FakeDevice& dev, unsigned long request, void* arg);
    int queryControl(FakeDevice& dev, uint32_t id, bool extended, void* arg);
    int setControl(FakeDevice& dev, v4l2_control& c);
    std::vector<const FakeFormat*> visibleFormats(const OpenFile& file) const;
    int setFormat(const OpenFile& file, v4l2_format& f);

    std::mutex m_mutex;  // every call holds it, as the driver's own lock would
    std::vector<std::pair<uint32_t, int32_t>> m_controlsSet;
    std::map<std::string, FakeDevice> m_devices;
    std::map<int, OpenFile> m_open;
    int m_nextFd = 100;
    bool m_unplugged = false;
    int m_dequeueErrno = 0;
    v4l2_format m_current{};
    std::vector<Buffer> m_buffers;
    std::deque<uint32_t> m_queued;
    std::deque<uint32_t> m_done;
    bool m_streaming = false;
    uint32_t m_sequence = 0;
    int m_mapped = 0;
    const FakeDevice* m_streamingDevice = nullptr;
};

}  // namespace media::testing
