// The replaced allocation functions of the fish test program: malloc and free, counted while
// AllocationCounter::counting is set.
#include "tests/unit/fish/allocation_counter.h"

#include <cstdlib>
#include <new>

// GCC sees an inlined operator new in a caller, then free in the replaced delete, and warns of a
// mismatch that these replacements rule out (both sides use malloc and free).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace brine::test {
std::atomic<bool> AllocationCounter::counting{false};
std::atomic<long> AllocationCounter::count{0};
}  // namespace brine::test

namespace {
void* counted_alloc(std::size_t size) {
    using brine::test::AllocationCounter;
    if (AllocationCounter::counting.load(std::memory_order_relaxed))
        AllocationCounter::count.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* p = counted_alloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = counted_alloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted_alloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted_alloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
