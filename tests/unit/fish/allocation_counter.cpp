#include "tests/unit/fish/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace brine::test {
std::atomic<bool> AllocationCounter::counting{false};
std::atomic<long> AllocationCounter::count{0};
}  // namespace brine::test

using brine::test::AllocationCounter;

void* operator new(std::size_t size) {
    if (AllocationCounter::counting) ++AllocationCounter::count;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (AllocationCounter::counting) ++AllocationCounter::count;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
