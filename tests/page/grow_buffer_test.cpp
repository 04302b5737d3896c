// The growth rule callers size their steps by, and nothing held once memory ran out.
#include "page/grow_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>

#include "platform/memory.h"

namespace page {
namespace {

struct NoMemory final : platform::Allocator {
  void* Reallocate(void*, size_t) override { return nullptr; }
};

// Every append ends with the spare byte written, where the sanitizers see a block too short.
TEST(AppendBytes, GrowsByTheStepOrByTheAppendPlusOneAndFreesTheBlockWhenItCannot) {
  char* data = nullptr;
  int32_t used = 0, capacity = 0;
  EXPECT_EQ(AppendBytes(data, used, "", 0, capacity, 32768), 1);
  EXPECT_EQ(data, nullptr);
  std::string expected;
  // Length, step, and the capacity after: one step too few, an append that would fill the block
  // exactly, one that fits, one that fills it exactly again.
  const std::tuple<int32_t, int32_t, int32_t> appends[] = {
      {40000, 32768, 40001}, {1, 32768, 72769}, {10, 16, 72769}, {32758, 16, 72785}};
  for (const auto& [length, step, grown] : appends) {
    const std::string piece(static_cast<size_t>(length), static_cast<char>('a' + used % 26));
    ASSERT_EQ(AppendBytes(data, used, piece.data(), length, capacity, step), 1) << length;
    expected += piece;
    EXPECT_EQ(capacity, grown) << length;
    data[used] = '\0';
  }
  EXPECT_EQ(std::string_view(data, static_cast<size_t>(used)), expected);

  NoMemory none;
  {
    const platform::ScopedAllocator scoped(none);
    EXPECT_EQ(AppendBytes(data, used, expected.data(), 50000, capacity, 16), 0);
  }
  EXPECT_EQ(data, nullptr) << "the block must be freed, not left reachable";
  EXPECT_EQ(used, static_cast<int32_t>(expected.size())) << "used must be left as it was";
  // Counts past INT32_MAX - 1 are refused the same way (set by hand: nothing is copied).
  data = static_cast<char*>(std::malloc(16));
  used = std::numeric_limits<int32_t>::max() - 11;
  capacity = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(AppendBytes(data, used, "0123456789ab", 12, capacity, 16), 0);
  EXPECT_EQ(data, nullptr) << "the refused buffer's block must be freed";
}

TEST(GrowBuffer, HoldsWhatWasAppendedAndNothingOnceAnAppendFailed) {
  GrowBuffer buffer;
  EXPECT_EQ(buffer.Terminate(), nullptr) << "nothing appended, no block";
  std::string expected;
  for (const size_t length : {10u, 6u, 16u, 1u, 40000u, 0u, 15u, 3u}) {
    std::string piece(length, static_cast<char>('a' + expected.size() % 26));
    if (length > 2) piece[1] = '\0';
    ASSERT_TRUE(buffer.Append(piece, 16)) << length;
    expected += piece;
    ASSERT_EQ(buffer.Terminate()[expected.size()], '\0');
  }
  EXPECT_EQ(buffer.View(), expected);
  buffer.CutTo(7);
  EXPECT_EQ(buffer.Terminate()[7], '\0');

  GrowBuffer moved = std::move(buffer);
  EXPECT_TRUE(buffer.View().empty());
  char* const room = moved.AppendRoom(3, 16);
  ASSERT_NE(room, nullptr);
  std::memcpy(room, "xyz", 3);
  EXPECT_EQ(moved.View(), expected.substr(0, 7) + "xyz");

  NoMemory none;
  {
    const platform::ScopedAllocator scoped(none);
    EXPECT_FALSE(moved.Append(std::string(50000, 'x'), 16));
  }
  EXPECT_TRUE(moved.RanOutOfMemory());
  EXPECT_TRUE(moved.View().empty()) << "a failed buffer holds no result";
  EXPECT_EQ(moved.Terminate(), nullptr);
  EXPECT_FALSE(moved.Append("x", 16)) << "once failed, it takes nothing more";
  EXPECT_EQ(moved.AppendRoom(1, 16), nullptr);
  EXPECT_FALSE(buffer.RanOutOfMemory());
}

}  // namespace
}  // namespace page
