// The heap that page buffers grow on: one seam, so that tests can make any
// growth fail and check that nothing is lost or leaked.
#pragma once

#include <cstddef>

#include "platform/service.h"

namespace platform {

class Allocator {
 public:
  virtual ~Allocator() = default;

  // As std::realloc: the block, moved where needed, holding `size` bytes;
  // null when there is no room, the old block then left as it was.
  virtual void* Reallocate(void* block, size_t size) = 0;
};

Allocator& NativeAllocator();
// The implementation in use: the native one unless a test has put another
// in its place with a ScopedAllocator.
inline Allocator& Memory() { return ServiceSlot<Allocator>::Get(NativeAllocator()); }
using ScopedAllocator = ScopedService<Allocator>;

}  // namespace platform
