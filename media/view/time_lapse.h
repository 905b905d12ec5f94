// When time-lapse shots are due: every N seconds from the start, on a steady beat. A camera
// slower than the beat delays a shot, never drops or doubles one: a shot that falls due while
// the previous is still being taken is taken as soon as that one completes, and the beat goes on
// from the next tick after it.
#pragma once

#include <cstdint>

namespace media {

constexpr int kTimeLapseShortestSeconds = 1;
constexpr int kTimeLapseLongestSeconds = 3600;

class TimeLapseSchedule {
public:
    // The first shot is due at `startNs` (CLOCK_MONOTONIC); the interval is held to 1 s - 1 h.
    TimeLapseSchedule(int intervalSeconds, int64_t startNs);

    int intervalSeconds() const { return m_intervalSeconds; }
    // Whether a shot should start now: one is due and none is being taken.
    bool due(int64_t nowNs) const { return !m_shooting && nowNs >= m_nextNs; }
    // Time left until the next shot, for the countdown: 0 once due (also while the previous shot
    // is still being taken).
    int64_t remainingNs(int64_t nowNs) const { return nowNs >= m_nextNs ? 0 : m_nextNs - nowNs; }
    void shotStarted(int64_t nowNs);
    void shotCompleted() { m_shooting = false; }

private:
    int m_intervalSeconds;
    int64_t m_intervalNs;
    int64_t m_nextNs;
    bool m_shooting = false;
};

}  // namespace media
