#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace platform {
namespace {

using Arguments = std::vector<std::string>;

struct SplitCase {
  const char* text;
  Arguments expected;
};

TEST(SplitArgumentText, FollowsTheWindowsQuotingRules) {
  const SplitCase cases[] = {
      // Blanks and tabs separate; the leading blank of the program-name part goes.
      {"", {}},
      {"   \t ", {}},
      {" a b", {"a", "b"}},
      {" a\t\tb  ", {"a", "b"}},
      // Double quotes group, also in the middle of an argument.
      {R"( "D:\My Pages\a b.htm" x)", {R"(D:\My Pages\a b.htm)", "x"}},
      {R"( a"b c"d)", {"ab cd"}},
      {R"( "" x)", {"", "x"}},
      {R"( "open to the end)", {"open to the end"}},
      // Backslashes are literal unless a quote follows them.
      {R"( C:\dir\file \\server\share)", {R"(C:\dir\file)", R"(\\server\share)"}},
      {R"( "C:\dir\\" next)", {R"(C:\dir\)", "next"}},
      {R"( a\\\\"b c")", {R"(a\\b c)"}},
      {R"( a\"b)", {R"(a"b)"}},
      {R"( a\\\"b)", {R"(a\"b)"}},
      {R"( "a \" b")", {R"(a " b)"}},
      {R"( trailing\)", {R"(trailing\)"}},
      // Classic rule: "" inside quotes closes and reopens the quoting.
      {R"( "a""b" c)", {"ab", "c"}},
      // Bytes above 0x7F are ordinary characters.
      {" \xCF\xF0\xE8\xE2\xE5\xF2.7z", {"\xCF\xF0\xE8\xE2\xE5\xF2.7z"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitArgumentText(c.text), c.expected) << "text [" << c.text << "]";
  }
}

}  // namespace
}  // namespace platform
