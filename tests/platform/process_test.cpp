#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace platform {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempFolder;

TEST(SplitArgumentText, FollowsTheWindowsQuotingRules) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      // Blanks and tabs separate; the leading blank of the program-name part goes.
      {"", {}}, {" a\t\tb  ", {"a", "b"}},
      // Double quotes group, also inside an argument, and may be left open.
      {R"( "D:\My Pages\a b.htm" a"b c"d "" "open to the end)",
       {R"(D:\My Pages\a b.htm)", "ab cd", "", "open to the end"}},
      // Backslashes are literal unless a quote follows them.
      {R"( C:\dir\file \\server\share "C:\dir\\" trailing\)",
       {R"(C:\dir\file)", R"(\\server\share)", R"(C:\dir\)", R"(trailing\)"}},
      {R"( a\\\\"b c" a\"b a\\\"b)", {R"(a\\b c)", R"(a"b)", R"(a\"b)"}},
      // Classic rule: "" inside quotes closes and reopens the quoting.
      {R"( "a""b" c)", {"ab", "c"}},
      {" \xCF\xF0\xE8\xE2\xE5\xF2.7z", {"\xCF\xF0\xE8\xE2\xE5\xF2.7z"}},  // bytes above 0x7F
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(SplitArgumentText(text), expected) << "text [" << text << "]";
  }
}

TEST(RunProcess, StartsThePathAsGivenAndReturnsTheExitCodeOrMinusOne) {
  TempFolder folder;
  // A copy of the helper program built beside this one, in a folder with a blank.
  const std::string program = folder.Path("my archiver") + kPathSeparator + ARGV_ECHO_NAME;
  fs::create_directories(folder.Path("my archiver"));
  fs::copy_file(fs::path(ExecutablePath()).replace_filename(ARGV_ECHO_NAME), program);
  const std::string out = folder.Path("args.txt");
  const std::string text = " \"" + out + "\" 3 plain \"with space\" a\\\"b \"C:\\dir\\\\\"";
  EXPECT_EQ(RunProcess(program.c_str(), text.c_str(), true), 3);
  EXPECT_EQ(ReadFile(out), "plain\nwith space\na\"b\nC:\\dir\\\n");

  EXPECT_EQ(RunProcess(folder.Path("missing.exe").c_str(), " a", true), -1);
  const std::string notes = folder.Write("notes.txt", "not a program\n");
  fs::permissions(notes, fs::perms::owner_exec, fs::perm_options::add);
  EXPECT_EQ(RunProcess(notes.c_str(), " a", true), -1) << "not a program";
  const char* const onPath = kPathSeparator == '\\' ? "cmd.exe" : "sh";
  EXPECT_EQ(RunProcess(onPath, " /c exit 0", false), -1) << "no search along PATH";
}

}  // namespace platform
