// Replaces operator new in the test executable it is part of (an object library, so that the
// replacement is always linked).
#include "allocation_watch.h"

#include <cstdlib>
#include <new>

namespace kinoree::testing {
std::atomic<int> g_frameSizedAllocations{0};
}

void* operator new(std::size_t size) {
    using namespace kinoree::testing;
    if (size > kLargestAllocation) throw std::bad_alloc();
    if (size >= kFrameSizedAllocation) ++g_frameSizedAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
