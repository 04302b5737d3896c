#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/system.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using testsupport::ReadFile;
using testsupport::TempFolder;

// The helper program built beside this test program.
std::string ArgvEcho() {
  std::string path = ExecutablePath();
  path.resize(static_cast<size_t>(FindFileName(path.c_str()) - path.c_str()));
  return path + ARGV_ECHO_NAME;
}

TEST(RunProcess, PassesTheSplitArgumentsAndReturnsTheExitCode) {
  ASSERT_TRUE(std::filesystem::exists(ArgvEcho())) << ArgvEcho();
  TempFolder folder;
  const std::string out = folder.Path("args.txt");
  const std::string text = " \"" + out + "\" 3 plain \"with space\" a\\\"b \"C:\\dir\\\\\"";
  EXPECT_EQ(RunProcess(ArgvEcho().c_str(), text.c_str(), true), 3);
  EXPECT_EQ(ReadFile(out), "plain\nwith space\na\"b\nC:\\dir\\\n");

  EXPECT_EQ(RunProcess(ArgvEcho().c_str(), (" \"" + out + "\" 0").c_str(), false), 0);
  EXPECT_EQ(ReadFile(out), "");
}

TEST(RunProcess, TakesTheProgramPathVerbatimEvenWithBlanks) {
  TempFolder folder;
  const std::string copy = folder.Path("my archiver") + std::string(1, kPathSeparator) +
                           std::filesystem::path(ArgvEcho()).filename().string();
  std::filesystem::create_directories(std::filesystem::path(copy).parent_path());
  std::filesystem::copy_file(ArgvEcho(), copy);
  const std::string out = folder.Path("args.txt");
  EXPECT_EQ(RunProcess(copy.c_str(), (" \"" + out + "\" 7 x").c_str(), true), 7);
  EXPECT_EQ(ReadFile(out), "x\n");
}

TEST(RunProcess, GivesMinusOneWhenTheProgramCannotBeStarted) {
  TempFolder folder;
  EXPECT_EQ(RunProcess(folder.Path("missing.exe").c_str(), " a", true), -1);
  EXPECT_EQ(RunProcess("", " a", true), -1);
  const std::string text = folder.Write("notes.txt", "not a program\n");
  std::filesystem::permissions(text, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(RunProcess(text.c_str(), " a", true), -1);
  EXPECT_EQ(RunProcess(folder.path().string().c_str(), " a", true), -1) << "a folder";
#ifdef _WIN32
  const char* onSearchPath = "cmd.exe";
#else
  const char* onSearchPath = "sh";
#endif
  EXPECT_EQ(RunProcess(onSearchPath, " /c exit 0", true), -1) << "no search along PATH";
}

}  // namespace
}  // namespace platform
