#include "page/grow_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

using page::AppendBytes;
using page::GrowBuffer;

TEST(GrowBuffer, EmptyAppendToFreshBufferSucceedsWithoutStorage) {
  char* data = nullptr;
  int32_t used = 0;
  int32_t capacity = 0;
  EXPECT_EQ(AppendBytes(data, used, "x", 0, capacity, 32768), 1);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(used, 0);
  EXPECT_EQ(capacity, 0);
}

TEST(GrowBuffer, GrowsByTheStepOrByTheLengthPlusOne) {
  struct Case {
    const char* name;
    std::vector<int32_t> appends;
    int32_t step;
    int32_t capacity;
  };
  const Case cases[] = {
      {"one small append takes one step", {10}, 32768, 32768},
      {"an append larger than a step takes its length plus one", {40000}, 32768, 40001},
      {"filling the block exactly still grows it", {40000, 1}, 32768, 72769},
      {"an append that reaches the step exactly keeps a spare byte", {16}, 16, 17},
      {"small appends grow linearly", {16, 1, 15, 1}, 16, 49},
  };
  for (const Case& c : cases) {
    GrowBuffer buffer;
    int32_t total = 0;
    for (const int32_t length : c.appends) {
      const std::string bytes(static_cast<size_t>(length), static_cast<char>('a' + total % 26));
      ASSERT_TRUE(buffer.Append(bytes, c.step)) << c.name;
      total += length;
      // The spare byte lets a caller terminate in place.
      ASSERT_GT(buffer.capacity, buffer.used) << c.name;
      buffer.data[buffer.used] = '\0';
    }
    EXPECT_EQ(buffer.used, total) << c.name;
    EXPECT_EQ(buffer.capacity, c.capacity) << c.name;
  }
}

TEST(GrowBuffer, KeepsEveryByteAcrossMovesAndHandsTheBlockOn) {
  GrowBuffer buffer;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    std::string piece = std::to_string(i) + std::string(1, '\0') + ",";
    ASSERT_TRUE(buffer.Append(piece, 64));
    expected += piece;
  }
  EXPECT_EQ(buffer.View(), expected);

  const page::HeapBytes block = buffer.Release();
  EXPECT_EQ(std::string(block.get(), expected.size()), expected);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.used, 0);
  EXPECT_EQ(buffer.capacity, 0);
}

void* g_offeredBlock = nullptr;
void* FailingRealloc(void* block, size_t) {
  g_offeredBlock = block;
  return nullptr;
}

TEST(GrowBuffer, FailedReallocationFreesTheBlockAndReportsFailure) {
  GrowBuffer buffer;
  ASSERT_TRUE(buffer.Append("first", 8));
  const char* before = buffer.data;

  const auto previous = page::testing::SetGrowBufferRealloc(FailingRealloc);
  const int result =
      AppendBytes(buffer.data, buffer.used, "more than a step", 16, buffer.capacity, 8);
  page::testing::SetGrowBufferRealloc(previous);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(buffer.data, nullptr) << "the freed block must not stay reachable";
  EXPECT_EQ(g_offeredBlock, before) << "the old block was not the one to grow";
  EXPECT_EQ(buffer.used, 5) << "used must be left as it was";
}

TEST(GrowBuffer, FailedFirstAllocationLeavesNoStorage) {
  GrowBuffer buffer;
  const auto previous = page::testing::SetGrowBufferRealloc(FailingRealloc);
  const bool appended = buffer.Append("abc", 32768);
  page::testing::SetGrowBufferRealloc(previous);
  EXPECT_FALSE(appended);
  EXPECT_EQ(buffer.data, nullptr);
}

TEST(GrowBuffer, RefusesToCountPastTheSigned32BitRange) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  // The counts are set by hand: no block of that size is ever touched,
  // because the refusal comes before any copy.
  for (const int32_t used : {kMax - 1, kMax - 10}) {
    char* data = static_cast<char*>(std::malloc(16));
    int32_t usedCount = used;
    int32_t capacity = kMax;
    EXPECT_EQ(AppendBytes(data, usedCount, "0123456789ab", 12, capacity, 32768), 0) << used;
    EXPECT_EQ(data, nullptr) << "the refused buffer's block must be freed, used " << used;
    EXPECT_EQ(usedCount, used);
  }
}

}  // namespace
