#include "buffer_timing.h"

#include <linux/videodev2.h>

#include <ctime>

namespace media {

int64_t ExposureStartNs(const v4l2_buffer& buffer, int64_t frameIntervalNs, int64_t dequeuedAtNs) {
    if ((buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
        return dequeuedAtNs - frameIntervalNs;
    const int64_t stamp = int64_t{buffer.timestamp.tv_sec} * 1'000'000'000 + int64_t{buffer.timestamp.tv_usec} * 1'000;
    const bool startOfExposure = (buffer.flags & V4L2_BUF_FLAG_TSTAMP_SRC_MASK) == V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
    return startOfExposure ? stamp : stamp - frameIntervalNs;
}

}  // namespace media
