// The heap byte buffer in which page/ holds every byte string it hands out:
// a page read from disk, a rewritten page, a converted string, a journal's
// header. It grows linearly by a step that each caller names, never writes a
// terminator itself, and always leaves one spare byte after the used ones so
// that the holder can terminate the text in place. Whatever only reads bytes
// takes a std::string_view; View() gives one.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace page {

// The growth step of every buffer that holds a whole page: read, cut or
// relaid.
inline constexpr int32_t kPageStep = 32768;

// The step for a buffer that is to hold a rewritten form of `page`, about
// as long as the page: room for all of it and a step more at once. A page
// of hundreds of megabytes built up 32 KB at a time was reallocated, and
// moved, thousands of times; a small page gets the usual step.
inline int32_t StepForRewriteOf(std::string_view page) {
  constexpr size_t kLargest = (size_t{1} << 31) - 1 - kPageStep;
  return page.size() < kPageStep
             ? kPageStep
             : static_cast<int32_t>(std::min(page.size(), kLargest) + kPageStep);
}

// Appends `length` bytes from `source` (never inside the block) to the block
// `data` holding `used` bytes of `capacity`. When the bytes would reach the
// capacity the block grows by `step`, or by `length` + 1 when one step is not
// enough. Returns 1 on success (an empty append included) and 0 when the
// block cannot grow: the old block is then freed and `data` is null. An
// append that would take `used` past INT32_MAX - 1 fails the same way.
int AppendBytes(char*& data, int32_t& used, const char* source, int32_t length,
                int32_t& capacity, int32_t step);

// Owns its block, which goes with the buffer when it is moved. It grows by
// AppendBytes's rule. Once an append has failed the buffer holds no result:
// its block is gone, and every later append fails too, so that a builder
// that missed one failure still cannot hand out a wrong text.
class GrowBuffer {
 public:
  GrowBuffer() = default;
  GrowBuffer(GrowBuffer&& other) noexcept;
  GrowBuffer& operator=(GrowBuffer&& other) noexcept;
  GrowBuffer(const GrowBuffer&) = delete;
  GrowBuffer& operator=(const GrowBuffer&) = delete;
  ~GrowBuffer();

  // Appends `bytes`, of any length: false when they do not fit in the
  // signed 32-bit counts or memory runs out. Bytes that fit before the spare
  // byte are copied at once, as AppendBytes would copy them: the rewrites
  // make thousands of small appends, and this is nearly all of them, so it
  // is inline. A failed buffer has no room left, so it always goes on to
  // GrowAndAppend, which refuses.
  bool Append(std::string_view bytes, int32_t step) {
    if (!bytes.empty() && bytes.size() < static_cast<size_t>(capacity_ - used_)) {
      std::memcpy(data_ + used_, bytes.data(), bytes.size());
      used_ += static_cast<int32_t>(bytes.size());
      return true;
    }
    return GrowAndAppend(bytes, step);
  }

  // Makes room for `length` (at least 1) more bytes, grown as an append of
  // that many would grow the block, and counts them as used: the caller
  // fills them at once (a file read straight into the buffer, a page put
  // together from two runs with one allocation). Null when that append
  // fails.
  char* AppendRoom(size_t length, int32_t step);

  // Drops the bytes from `size` on (`size` at most the bytes held); the
  // block stays, so the next appends need no allocation.
  void CutTo(size_t size);

  std::string_view View() const { return {data_, static_cast<size_t>(used_)}; }

  // True when an append failed: the buffer holds no result.
  bool RanOutOfMemory() const { return failed_; }

  // Puts a NUL into the spare byte behind the used bytes and returns the
  // block as one NUL-terminated text, which the holder may rewrite in place.
  // Null when the buffer has no block (nothing appended, or a failure).
  char* Terminate();

 private:
  // Append for bytes that need the block to grow, or that it must refuse.
  bool GrowAndAppend(std::string_view bytes, int32_t step);
  // Frees the block and leaves the buffer holding no result.
  void Fail();

  char* data_ = nullptr;
  int32_t used_ = 0;
  int32_t capacity_ = 0;
  bool failed_ = false;
};

}  // namespace page
