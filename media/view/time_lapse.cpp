#include "media/view/time_lapse.h"

#include <algorithm>

namespace media {

TimeLapseSchedule::TimeLapseSchedule(int intervalSeconds, int64_t startNs)
    : m_intervalSeconds(std::clamp(intervalSeconds, kTimeLapseShortestSeconds, kTimeLapseLongestSeconds)),
      m_intervalNs(int64_t(m_intervalSeconds) * 1'000'000'000),
      m_nextNs(startNs) {}

void TimeLapseSchedule::shotStarted(int64_t nowNs) {
    m_shooting = true;
    // Ticks missed while a slow shot ran are not made up: one late shot stands for them.
    const int64_t missed = std::max<int64_t>(0, (nowNs - m_nextNs) / m_intervalNs);
    m_nextNs += (missed + 1) * m_intervalNs;
}

}  // namespace media
