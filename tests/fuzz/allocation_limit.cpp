// Replays run with a ceiling on single allocations, far above what any input here justifies:
// an input that makes the code believe a size from the file fails its test with bad_alloc
// instead of exhausting the machine's memory.
#include <cstdlib>
#include <new>

namespace {
constexpr std::size_t kLargestAllocation = std::size_t(64) << 20;
}

void* operator new(std::size_t size) {
    if (size > kLargestAllocation) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
