#include "bench/AllocationCounter.h"

#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
}

namespace {

// Only the thread that counts pays for the bookkeeping; the others see a false flag.
thread_local bool t_counting = false;
thread_local bench::AllocationCount t_count;

inline void Count(std::size_t bytes) {
  if (!t_counting) return;
  ++t_count.allocations;
  t_count.bytes += bytes;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  Count(size);
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  Count(count * size);
  return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
  Count(size);
  return __libc_realloc(pointer, size);
}

void free(void* pointer) { __libc_free(pointer); }

}  // extern "C"

namespace bench {

CountAllocations::CountAllocations() {
  t_count = AllocationCount();
  t_counting = true;
}

CountAllocations::~CountAllocations() { t_counting = false; }

AllocationCount CountAllocations::Stop() {
  t_counting = false;
  return t_count;
}

}  // namespace bench
