// The heap byte buffer in which rewritten pages, converted strings and cut-out
// values are assembled. It grows linearly by a step that each caller names,
// never writes a terminator itself, and always leaves one spare byte after the
// used ones so that a caller can terminate the text in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace page {

struct FreeDeleter {
  void operator()(char* block) const { std::free(block); }
};
// A heap block handed from a builder to its caller, freed with std::free.
using HeapBytes = std::unique_ptr<char, FreeDeleter>;

// Appends `length` bytes from `source` (never inside the block) to the block
// `data` holding `used` bytes of `capacity`. When the bytes would reach the
// capacity the block grows by `step`, or by `length` + 1 when one step is not
// enough. Returns 1 on success (an empty append included) and 0 when the
// block cannot grow: the old block is then freed and `data` is null. An
// append that would take `used` past INT32_MAX - 1 fails the same way.
int AppendBytes(char*& data, int32_t& used, const char* source, int32_t length,
                int32_t& capacity, int32_t step);

// Owns its block: whoever holds the buffer at the end frees it, unless the
// block has been handed on with Release().
struct GrowBuffer {
  char* data = nullptr;
  int32_t used = 0;
  int32_t capacity = 0;

  GrowBuffer() = default;
  GrowBuffer(const GrowBuffer&) = delete;
  GrowBuffer& operator=(const GrowBuffer&) = delete;
  ~GrowBuffer();

  // AppendBytes on this buffer, taking any length: false when the bytes do
  // not fit in the signed 32-bit counts or memory runs out.
  bool Append(std::string_view bytes, int32_t step);

  std::string_view View() const { return {data, static_cast<size_t>(used)}; }

  // True when an append ran out of memory: the block is gone, not just empty.
  bool RanOutOfMemory() const { return data == nullptr && capacity != 0; }

  // Hands the block to the caller and leaves the buffer empty.
  HeapBytes Release();
};

namespace testing {
// The reallocation function AppendBytes calls; tests put a failing one in
// place to check that nothing leaks or is lost. Returns the previous one.
using ReallocFunction = void* (*)(void*, size_t);
ReallocFunction SetGrowBufferRealloc(ReallocFunction function);
}  // namespace testing

}  // namespace page
