// Watches the allocations of a test executable: how many buffers of a frame's size are made,
// and a ceiling on any one allocation far above what the tests' inputs justify, so that code
// believing a size from its input fails its test with bad_alloc instead of exhausting the
// machine's memory.
#pragma once

#include <atomic>
#include <cstddef>

namespace kinoree::testing {

// Smaller than any frame's data in the tests, larger than any bookkeeping.
constexpr std::size_t kFrameSizedAllocation = 8 * 1024;
constexpr std::size_t kLargestAllocation = std::size_t(64) << 20;

// Allocations of at least kFrameSizedAllocation bytes so far; tests reset it.
extern std::atomic<int> g_frameSizedAllocations;

}  // namespace kinoree::testing
