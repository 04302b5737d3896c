#include "page/grow_buffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace page {
namespace {

testing::ReallocFunction g_realloc = std::realloc;

constexpr int64_t kMaxUsed = std::numeric_limits<int32_t>::max() - 1;

}  // namespace

int AppendBytes(char*& data, int32_t& used, const char* source, int32_t length,
                int32_t& capacity, int32_t step) {
  if (length == 0) return 1;
  const int64_t wanted = static_cast<int64_t>(used) + length;
  if (wanted > kMaxUsed) {
    // Refused like a failed allocation, so that callers need one failure path.
    std::free(data);
    data = nullptr;
    return 0;
  }
  if (wanted >= capacity) {
    // Grows also when the bytes would fill the block exactly: the spare byte
    // after the used ones must survive.
    const int64_t increment =
        static_cast<int64_t>(capacity) + step > wanted ? step : static_cast<int64_t>(length) + 1;
    const int64_t grown = capacity + increment;
    capacity = static_cast<int32_t>(grown > kMaxUsed + 1 ? kMaxUsed + 1 : grown);
    void* moved = g_realloc(data, static_cast<size_t>(capacity));
    if (moved == nullptr) {
      std::free(data);
      data = nullptr;
      return 0;
    }
    data = static_cast<char*>(moved);
  }
  std::memcpy(data + used, source, static_cast<size_t>(length));
  used += length;
  return 1;
}

GrowBuffer::~GrowBuffer() { std::free(data); }

bool GrowBuffer::Append(std::string_view bytes, int32_t step) {
  if (bytes.size() > static_cast<size_t>(kMaxUsed)) {
    std::free(data);
    data = nullptr;
    return false;
  }
  return AppendBytes(data, used, bytes.data(), static_cast<int32_t>(bytes.size()), capacity,
                     step) == 1;
}

HeapBytes GrowBuffer::Release() {
  HeapBytes block(data);
  data = nullptr;
  used = 0;
  capacity = 0;
  return block;
}

namespace testing {
ReallocFunction SetGrowBufferRealloc(ReallocFunction function) {
  ReallocFunction previous = g_realloc;
  g_realloc = function;
  return previous;
}
}  // namespace testing

}  // namespace page
