// Counting the heap allocations of a stretch of code, for the benchmarks.
//
// The benchmark binary replaces malloc, calloc, realloc and free with thin wrappers around the
// C library's own, so every allocation is seen: operator new, Qt's string data and the C
// library's alike. Counting is off unless a CountAllocations is alive.
#pragma once

#include <cstddef>

namespace bench {

/// What was requested from the heap while a CountAllocations was alive.
struct AllocationCount {
  std::size_t allocations = 0;  ///< malloc, calloc and realloc calls
  std::size_t bytes = 0;        ///< the bytes they asked for
  std::size_t peak = 0;         ///< the most bytes live at once that were allocated while counting
};

/// Counts the allocations of the current thread from construction until Stop. Not nestable.
class CountAllocations {
 public:
  CountAllocations();
  ~CountAllocations();
  CountAllocations(const CountAllocations&) = delete;
  CountAllocations& operator=(const CountAllocations&) = delete;

  /// Stops counting and returns what was counted.
  AllocationCount Stop();
};

}  // namespace bench
