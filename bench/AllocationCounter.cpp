#include "bench/AllocationCounter.h"

#include <malloc.h>

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
// Live bytes are measured by usable size, so that a block freed while counting is subtracted
// exactly as much as it was added; blocks from before the count only ever subtract, and the
// difference can go below zero.
thread_local long long t_live = 0;

inline void* Counted(void* block, std::size_t requested) {
  if (!t_counting || block == nullptr) return block;
  ++t_count.allocations;
  t_count.bytes += requested;
  t_live += static_cast<long long>(malloc_usable_size(block));
  if (t_live > static_cast<long long>(t_count.peak)) t_count.peak = static_cast<std::size_t>(t_live);
  return block;
}

inline void Released(void* block) {
  if (t_counting && block != nullptr) t_live -= static_cast<long long>(malloc_usable_size(block));
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) { return Counted(__libc_malloc(size), size); }

void* calloc(std::size_t count, std::size_t size) { return Counted(__libc_calloc(count, size), count * size); }

void* realloc(void* pointer, std::size_t size) {
  Released(pointer);
  return Counted(__libc_realloc(pointer, size), size);
}

void free(void* pointer) {
  Released(pointer);
  __libc_free(pointer);
}

}  // extern "C"

namespace bench {

CountAllocations::CountAllocations() {
  t_count = AllocationCount();
  t_live = 0;
  t_counting = true;
}

CountAllocations::~CountAllocations() { t_counting = false; }

AllocationCount CountAllocations::Stop() {
  t_counting = false;
  return t_count;
}

}  // namespace bench
