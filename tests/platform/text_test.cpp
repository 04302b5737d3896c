#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace platform {
namespace {

// Cyrillic is written as Windows-1251 bytes: the test sources are compiled
// with different execution character sets on different builds.
struct FoldCase {
  const char* a;
  const char* b;
};

TEST(CompareNoCase, FoldsAsciiAndEveryCyrillicPair) {
  const FoldCase equal[] = {
      {"", ""},
      {"Index.HTM", "index.htm"},
      {"\xC0\xC1\xC2\xDF", "\xE0\xE1\xE2\xFF"},  // АБВЯ / абвя
      {"\xA8", "\xB8"},                          // Ё / ё
      {"\x80", "\x90"}, {"\x81", "\x83"}, {"\x8A", "\x9A"}, {"\x8C", "\x9C"},
      {"\x8D", "\x9D"}, {"\x8E", "\x9E"}, {"\x8F", "\x9F"}, {"\xA1", "\xA2"},
      {"\xA3", "\xBC"}, {"\xA5", "\xB4"}, {"\xAA", "\xBA"}, {"\xAF", "\xBF"},
      {"\xB2", "\xB3"}, {"\xBD", "\xBE"},
  };
  for (const FoldCase& c : equal) {
    EXPECT_EQ(CompareNoCase(c.a, c.b), 0) << c.a << " vs " << c.b;
    EXPECT_EQ(CompareNoCase(c.b, c.a), 0) << c.b << " vs " << c.a;
  }
  const FoldCase different[] = {
      {"a", "b"},
      {"abc", "abcd"},
      {"\xC5", "\xB8"},  // Е is not Ё
      {"\x82", "\x84"},  // quotation marks have no case
      {"[", "{"},        // only letters fold
      {"\xE0", "\xC1"},  // а is not Б
  };
  for (const FoldCase& c : different) {
    EXPECT_NE(CompareNoCase(c.a, c.b), 0) << c.a << " vs " << c.b;
  }
  // Signs as strcmp gives them for the folded bytes.
  EXPECT_LT(CompareNoCase("Apple", "banana"), 0);
  EXPECT_LT(CompareNoCase("abc", "ABCD"), 0);
  EXPECT_GT(CompareNoCase("\xE0", "Z"), 0);
}

TEST(TrimInPlace, RemovesSetMembersFromBothEndsOnly) {
  struct Case {
    const char* input;
    const char* set;
    const char* expected;
  } const cases[] = {
      {" \tutf-8\t ", " \t", "utf-8"},
      {"utf 8", " ", "utf 8"},
      {"   ", " ", ""},
      {"", " ", ""},
      {"\r\nx\r\n", " \t", "\r\nx\r\n"},
      {"xxaxbxx", "x", "axb"},
      {"abc", "", "abc"},
  };
  for (const Case& c : cases) {
    char buffer[32];
    std::strcpy(buffer, c.input);
    TrimInPlace(buffer, c.set);
    EXPECT_STREQ(buffer, c.expected) << "input '" << c.input << "'";
  }
}

#ifdef _WIN32
#define SEP "\\"
#else
#define SEP "/"
#endif

TEST(FindExtension, IsTheLastDotOfTheLastComponent) {
  struct Case {
    const char* path;
    const char* extension;
  } const cases[] = {
      {"page.htm", ".htm"},
      {"a" SEP "b.c" SEP "page.tar.gz", ".gz"},
      {"a" SEP "b.c" SEP "page", ""},
      {"a.b" SEP, ""},
      {".htaccess", ".htaccess"},
      {"page.", "."},
      {"", ""},
  };
  for (const Case& c : cases) {
    const char* found = FindExtension(c.path);
    EXPECT_STREQ(found, c.extension) << c.path;
    EXPECT_EQ(found + std::strlen(found), c.path + std::strlen(c.path)) << c.path;
  }
  char writable[] = "x" SEP "y.html";
  *FindExtension(writable) = '\0';
  EXPECT_STREQ(writable, "x" SEP "y");
}

TEST(FindFileName, IsWhatFollowsTheLastSeparator) {
  EXPECT_STREQ(FindFileName("a" SEP "b" SEP "page.htm"), "page.htm");
  EXPECT_STREQ(FindFileName("page.htm"), "page.htm");
  EXPECT_STREQ(FindFileName("a" SEP), "");
#ifdef _WIN32
  EXPECT_STREQ(FindFileName("C:page.htm"), "page.htm");
  EXPECT_STREQ(FindFileName("C:\\dir/page.htm"), "page.htm");
#endif
  char writable[] = "dir" SEP "velkor.exe";
  *FindFileName(writable) = '\0';
  EXPECT_STREQ(writable, "dir" SEP);
}

TEST(AppendPath, JoinsWithExactlyOneSeparator) {
  struct Case {
    const char* path;
    const char* name;
    const char* expected;
  } const cases[] = {
      {"dir", "x.js", "dir" SEP "x.js"},
      {"dir" SEP, "x.js", "dir" SEP "x.js"},
      {"dir", SEP "x.js", "dir" SEP "x.js"},
      {"dir" SEP, SEP SEP "x.js", "dir" SEP "x.js"},
      {"", "x.js", "x.js"},
      {"dir", "", "dir"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.path);
    EXPECT_TRUE(AppendPath(buffer, sizeof buffer, c.name)) << c.path << " + " << c.name;
    EXPECT_STREQ(buffer, c.expected) << c.path << " + " << c.name;
  }
}

TEST(AppendPath, RefusesWhatDoesNotFitAndLeavesThePath) {
  char exact[9] = "abc";
  EXPECT_TRUE(AppendPath(exact, sizeof exact, "defg"));  // 8 characters and the NUL
  EXPECT_STREQ(exact, "abc" SEP "defg");

  char tight[8] = "abc";
  EXPECT_FALSE(AppendPath(tight, sizeof tight, "defg"));
  EXPECT_STREQ(tight, "abc");
}

TEST(CopyText, CutsAtCapacityAndSaysSo) {
  char buffer[4];
  EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abc"));
  EXPECT_STREQ(buffer, "abc");
  EXPECT_FALSE(CopyText(buffer, sizeof buffer, "abcd"));
  EXPECT_STREQ(buffer, "abc");
  char one[1] = {'x'};
  EXPECT_FALSE(CopyText(one, sizeof one, "a"));
  EXPECT_EQ(one[0], '\0');
  EXPECT_TRUE(CopyText(one, sizeof one, ""));
}

}  // namespace
}  // namespace platform
