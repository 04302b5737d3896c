// velkor-cli as a process of its own, ended by real signals, its standard
// output and error going to files.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "tests/app/cli_run.h"

extern char** environ;

namespace {

using namespace clitest;

// velkor-cli as a process of its own, its standard output and error going to files.
pid_t StartCli(const Strings& arguments, const std::string& out, const std::string& err) {
  std::vector<std::string> words = {VELKOR_CLI};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, VELKOR_CLI, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CliRun, ArchiverOutputNeverReachesTheLogAndASignalEndsTheRunInOrder) {
  const std::string frost = Page("Frost Wind.htm"), quiet = Page("Quiet Valley.htm");
  const std::string out = folder_.Path("out"), err = folder_.Path("err");
  EXPECT_EQ(ExitStatus(StartCli({"--ini", Ini("4:0"), frost, quiet}, out, err)), 0);
  EXPECT_EQ(ReadFile(out), "Frost Wind.htm [Ok]\nQuiet Valley.htm [Ok]\n");
  EXPECT_EQ(ReadFile(err), "");

  // Quiet Valley as saved again, and never begun after the signal.
  const std::string original = Sample("Quiet Valley.htm");
  folder_.Write("pages/Quiet Valley.htm", original);
  const std::pair<int, const char*> signals[] = {{SIGTERM, "terminated"}, {SIGINT, "interrupted"}};
  for (const auto& [number, said] : signals) {
    SCOPED_TRACE(said);
    const std::string report = Page(kFrostReport);
    fs::remove(report);
    testsupport::StandinHanging hanging;
    const pid_t cli = StartCli({"--ini", Ini("hang"), "--jobs", "1", frost, quiet}, out, err);
    EXPECT_TRUE(hanging.Wait()) << "the stand-in never came to hang";
    kill(cli, number);
    EXPECT_EQ(ExitStatus(cli), 128 + number);
    EXPECT_EQ(ReadFile(out),
              "Frost Wind.htm [Прервано: архивирование не завершено]\n    hanging\n");
    EXPECT_EQ(ReadFile(err), "velkor-cli: " + std::string(said) +
                                 " after 1 of 2 pages; the others were not touched\n");
    ExpectStandinEnded(report);
    EXPECT_EQ(ReadFile(frost), Expected("Frost Wind"));
    EXPECT_TRUE(ReadFile(quiet) == original) << "a page after the signal was begun";
  }
}

}  // namespace
