// Counts allocations while a window is open, for the tests that promise none. The global
// allocation functions are replaced once for the whole fish test program, in
// allocation_counter.cpp.
#pragma once
#include <atomic>

namespace brine::test {

struct AllocationCounter {
    static std::atomic<bool> counting;
    static std::atomic<long> count;
};

// Allocations made by `work`.
template <class Work>
long allocations_during(Work&& work) {
    AllocationCounter::count = 0;
    AllocationCounter::counting = true;
    work();
    AllocationCounter::counting = false;
    return AllocationCounter::count.load();
}

}  // namespace brine::test
