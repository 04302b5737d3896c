#include "page/grow_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>

namespace {

using page::AppendBytes;
using page::GrowBuffer;

TEST(GrowBuffer, KeepsEveryByteWithASpareOneForTheTerminator) {
  GrowBuffer buffer;
  std::string expected;
  // Lengths below, at and far above the step, and appends that fill the block exactly.
  for (const size_t length : {10u, 6u, 16u, 1u, 40000u, 0u, 15u, 3u}) {
    std::string piece(length, static_cast<char>('a' + expected.size() % 26));
    if (length > 2) piece[1] = '\0';
    ASSERT_TRUE(buffer.Append(piece, 16)) << length;
    expected += piece;
    ASSERT_GT(buffer.capacity, buffer.used) << "no spare byte after " << length;
    buffer.data[buffer.used] = '\0';
  }
  EXPECT_EQ(buffer.View(), expected);
  const page::HeapBytes block = buffer.Release();
  EXPECT_EQ(std::string(block.get(), expected.size()), expected);
  EXPECT_EQ(buffer.data, nullptr);
}

void* g_offeredBlock = nullptr;
void* FailingRealloc(void* block, size_t) {
  g_offeredBlock = block;
  return nullptr;
}

TEST(GrowBuffer, FailedReallocationFreesTheBlockAndReportsFailure) {
  GrowBuffer buffer;
  GrowBuffer fresh;
  ASSERT_TRUE(buffer.Append("first", 8));
  const char* before = buffer.data;
  const auto previous = page::testing::SetGrowBufferRealloc(FailingRealloc);
  EXPECT_EQ(AppendBytes(buffer.data, buffer.used, "more than a step", 16, buffer.capacity, 8), 0);
  EXPECT_EQ(g_offeredBlock, before) << "the old block was not the one to grow";
  EXPECT_FALSE(fresh.Append("abc", 32768));
  page::testing::SetGrowBufferRealloc(previous);
  EXPECT_EQ(buffer.data, nullptr) << "the freed block must not stay reachable";
  EXPECT_EQ(buffer.used, 5) << "used must be left as it was";
  EXPECT_EQ(fresh.data, nullptr);

  // Counts past INT32_MAX - 1 are refused the same way. They are set by hand:
  // the refusal comes before any copy, so no block of that size is touched.
  buffer.data = static_cast<char*>(std::malloc(16));
  buffer.used = std::numeric_limits<int32_t>::max() - 11;
  buffer.capacity = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(AppendBytes(buffer.data, buffer.used, "0123456789ab", 12, buffer.capacity, 16), 0);
  EXPECT_EQ(buffer.data, nullptr) << "the refused buffer's block must be freed";
}

}  // namespace
