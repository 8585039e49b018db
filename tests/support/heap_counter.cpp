#include "tests/support/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QL_HEAP_COUNT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QL_HEAP_COUNT 0
#endif
#endif
#ifndef QL_HEAP_COUNT
#define QL_HEAP_COUNT 1
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<long> blocks{0};
}  // namespace

#if QL_HEAP_COUNT
// Kept in a file of their own: the pairs below must not be inlined into code
// that sees both sides.
void* operator new(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) blocks.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
#endif

namespace ql::testing {

bool HeapCountKept() {
  return QL_HEAP_COUNT != 0;
}
void StartHeapCount() {
  blocks = 0;
  counting = true;
}
long StopHeapCount() {
  counting = false;
  return blocks.load();
}

}  // namespace ql::testing
