// velkor-cli where the system is POSIX: as a process of its own, ended by
// real signals; its settings as a pipe; Debian's 7-Zip as its archiver.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>

#include "platform/process.h"
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

const std::string kSevenZip = "/usr/bin/7zz";

// The names an archive holds, sorted.
Strings ArchivedNames(const std::string& archive) {
  const std::string values[] = {archive};
  const platform::ProcessResult listed = platform::NativeProcesses().Run(
      kSevenZip.c_str(), {"l -slt -ba \"%s\"", values}, {.captureOutput = true});
  Strings names;
  std::istringstream lines(listed.output);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("Path = ")) names.push_back(line.substr(7, line.find('\r') - 7));
  std::sort(names.begin(), names.end());
  return names;
}

// Pages named as switches, a list file or a wildcard, typed as they
// lie in the current folder, beside pages those would reach. 7-Zip runs with the example's
// arguments and deletes what it packs (-sdel), so anything else packed would be lost. One page
// at a time: 7-Zip looks a wildcard's name up in its folder's listing, and warns (exit code 1)
// of an entry another run deleted meanwhile.
TEST_F(CliRun, APageNamedLikeASwitchIsArchivedAloneAndNothingElseIsTouched) {
  const Strings hostile = {"-i!x.htm", "-sdel.htm", "@list.htm", "-r.htm", "--.htm", "a*.htm"};
  Strings left = {"ab.htm", "list.htm", "victim.htm", "victim_files", "x.htm"};
  for (const std::string& bystander : left) folder_.Write("hostile/" + bystander, "victim.htm\n");
  fs::remove(folder_.path() / "hostile/victim_files");
  folder_.Write("hostile/victim_files/a.css", "");
  const std::string example = ReadFile((kSamples.parent_path() / "examples/velkor.ini").string());
  const size_t com = example.find("\nCom=a ") + 6;
  const std::string switches = example.substr(com, example.find('\n', com) - com);
  Strings arguments = {"--ini",
                       folder_.Write("7zz.ini", "[Options]\nArc=" + kSevenZip + "\nCom=a -sdel" +
                                                    switches),
                       "--no-fix", "--archive", "--jobs", "1", "--"};
  std::string log;
  for (const std::string& page : hostile) {
    const std::string stem = page.substr(0, page.size() - 4);
    folder_.Write("hostile/" + page, "<html>" + stem + "</html>");
    folder_.Write("hostile/" + stem + "_files/a.css", stem);
    arguments.push_back(page);
    left.push_back(stem + ".7z");
    log += page + " [Ok]\n";
  }
  const fs::path previous = fs::current_path();
  fs::current_path(folder_.path() / "hostile");
  const int status = Run(arguments);
  fs::current_path(previous);
  EXPECT_EQ(status, 0) << err_;
  EXPECT_EQ(out_, log);
  Strings found;
  for (const auto& entry : fs::directory_iterator(folder_.path() / "hostile"))
    found.push_back(entry.path().filename().string());
  std::sort(found.begin(), found.end());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(found, left);
  for (const std::string& page : hostile) {
    const std::string stem = page.substr(0, page.size() - 4);
    EXPECT_EQ(ArchivedNames(folder_.Path("hostile/" + stem + ".7z")),
              (Strings{page, stem + "_files", stem + "_files/a.css"}));
  }
}

// Names that would forge a line, redraw the terminal or hide a blank: each page is cleaned under
// its own name and has one line, its name quoted as GNU tools quote it.
TEST_F(CliRun, ANameWithControlCharactersOrAnOuterBlankIsShownQuotedOnItsOwnLine) {
  const std::pair<std::string, std::string> names[] = {
      {"x.htm [Ok]\nforged.htm", "'x.htm [Ok]'$'\\n''forged.htm' [Ok]"},
      {"it's\x1b[2J\xC2\x9B.htm", "'it'\\''s'$'\\033''[2J'$'\\302\\233''.htm' [Ok]"},
      {" lead.htm", "' lead.htm' [Ok]"}};
  Strings arguments = {"--ini", folder_.Write("b", "[Options]\nbArc=0\n")};
  std::string log;
  for (const auto& [name, line] : names) {
    fs::copy_file(kSamples / "Frost Wind.htm", folder_.path() / name);
    arguments.push_back(folder_.Path(name));
    log += line + "\n";
  }
  EXPECT_EQ(Run(arguments), 0) << err_;
  EXPECT_EQ(out_, log);
  for (const auto& [name, line] : names)
    EXPECT_EQ(ReadFile(folder_.Path(name)), Expected("Frost Wind.htm")) << line;
}

// A pipe with no writer would hold an ordinary open for good.
TEST_F(CliRun, ASettingsFileThatIsAPipeIsRefusedWithoutWaitingOnIt) {
  const std::string fifo = folder_.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Run({"--ini", fifo, Page("Frost Wind.htm")}), 2);
  EXPECT_EQ(err_, "velkor-cli: the settings file " + fifo + " is not a regular file\n");
}

}  // namespace
