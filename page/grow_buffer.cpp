#include "page/grow_buffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/memory.h"

namespace page {
namespace {

constexpr int64_t kMaxUsed = std::numeric_limits<int32_t>::max() - 1;

// The growth of AppendBytes for `length` (at least 1) more bytes: 1 when
// the block holds them and its spare byte, else 0 with the block freed.
int MakeRoom(char*& data, int32_t used, int32_t length, int32_t& capacity, int32_t step) {
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
    void* moved = platform::Memory().Reallocate(data, static_cast<size_t>(capacity));
    if (moved == nullptr) {
      std::free(data);
      data = nullptr;
      return 0;
    }
    data = static_cast<char*>(moved);
  }
  return 1;
}

}  // namespace

int AppendBytes(char*& data, int32_t& used, const char* source, int32_t length,
                int32_t& capacity, int32_t step) {
  if (length == 0) return 1;
  if (MakeRoom(data, used, length, capacity, step) == 0) return 0;
  std::memcpy(data + used, source, static_cast<size_t>(length));
  used += length;
  return 1;
}

GrowBuffer::GrowBuffer(GrowBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      used_(std::exchange(other.used_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      failed_(std::exchange(other.failed_, false)) {}

GrowBuffer& GrowBuffer::operator=(GrowBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    used_ = std::exchange(other.used_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    failed_ = std::exchange(other.failed_, false);
  }
  return *this;
}

GrowBuffer::~GrowBuffer() { std::free(data_); }

bool GrowBuffer::GrowAndAppend(std::string_view bytes, int32_t step) {
  if (failed_) return false;
  if (bytes.size() > static_cast<size_t>(kMaxUsed) ||
      AppendBytes(data_, used_, bytes.data(), static_cast<int32_t>(bytes.size()), capacity_,
                  step) == 0) {
    Fail();
    return false;
  }
  return true;
}

char* GrowBuffer::AppendRoom(size_t length, int32_t step) {
  if (failed_) return nullptr;
  if (length == 0 || length > static_cast<size_t>(kMaxUsed) ||
      MakeRoom(data_, used_, static_cast<int32_t>(length), capacity_, step) == 0) {
    Fail();
    return nullptr;
  }
  char* const room = data_ + used_;
  used_ += static_cast<int32_t>(length);
  return room;
}

void GrowBuffer::Fail() {
  // The counts describe no block any more: they go too, so that View() is
  // empty.
  std::free(data_);
  data_ = nullptr;
  used_ = 0;
  capacity_ = 0;
  failed_ = true;
}

void GrowBuffer::CutTo(size_t size) {
  if (size < static_cast<size_t>(used_)) used_ = static_cast<int32_t>(size);
}

char* GrowBuffer::Terminate() {
  if (data_ == nullptr) return nullptr;
  data_[used_] = '\0';
  return data_;
}

}  // namespace page
