#include "platform/memory.h"

#include <cstdlib>

namespace platform {

Allocator& NativeAllocator() {
  struct Heap final : Allocator {
    void* Reallocate(void* block, size_t size) override { return std::realloc(block, size); }
  };
  static Heap heap;
  return heap;
}

}  // namespace platform
