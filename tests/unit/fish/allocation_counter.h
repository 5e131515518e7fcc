// Counts operator new calls while `counting` is set, for the tests that promise no allocation.
// The replacement operators live in allocation_counter.cpp, alone, so nothing inlines them.
#pragma once
#include <atomic>

namespace brine::test {

struct AllocationCounter {
    static std::atomic<bool> counting;
    static std::atomic<long> count;
};

}  // namespace brine::test
