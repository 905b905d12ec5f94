// The one clock frames, requests and deadlines are compared on.
#pragma once

#include <cstdint>
#include <ctime>

namespace media {

// CLOCK_MONOTONIC in nanoseconds: the clock V4L2 stamps buffers with.
inline int64_t MonotonicNowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

}  // namespace media
