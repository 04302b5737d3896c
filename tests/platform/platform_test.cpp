#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/settings_file.h"
#include "platform/text.h"
#include "platform/utf16.h"
#include "tests/platform/process_test.h"
#include "tests/support/temp_folder.h"

namespace platform {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Pair = std::pair<const char*, const char*>;
using testsupport::ReadFile;
using testsupport::TempFolder;

// Cyrillic as Windows-1251 bytes, written as escapes.
TEST(CompareNoCase, FoldsAsciiAndEveryCyrillicPair) {
  // АБЯ/абя, Ё/ё, then Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Є Ї І Ѕ and their small letters.
  const Pair equal[] = {
      {"Index.HTM", "index.htm"}, {"\xC0\xC1\xDF", "\xE0\xE1\xFF"}, {"\xA8", "\xB8"},
      {"\x80", "\x90"}, {"\x81", "\x83"}, {"\x8A", "\x9A"}, {"\x8C", "\x9C"}, {"\x8D", "\x9D"},
      {"\x8E", "\x9E"}, {"\x8F", "\x9F"}, {"\xA1", "\xA2"}, {"\xA3", "\xBC"}, {"\xA5", "\xB4"},
      {"\xAA", "\xBA"}, {"\xAF", "\xBF"}, {"\xB2", "\xB3"}, {"\xBD", "\xBE"}};
  for (const auto& [a, b] : equal) {
    EXPECT_EQ(CompareNoCase(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(CompareNoCase(b, a), 0) << b << " vs " << a;
  }
  // A prefix is no match; Е is not Ё, quotation marks and brackets have no case, а is not Б.
  for (const auto& [a, b] : {Pair{"abc", "ABCD"}, Pair{"\xC5", "\xB8"}, Pair{"\x82", "\x84"},
                             Pair{"[", "{"}, Pair{"\xE0", "\xC1"}})
    EXPECT_NE(CompareNoCase(a, b), 0) << a << " vs " << b;
}

TEST(PathBuffers, RefuseOrCutWhatDoesNotFit) {
  char exact[9] = "abc";  // 8 characters and the NUL
  EXPECT_TRUE(AppendPath(exact, sizeof exact, "defg"));
  EXPECT_EQ(std::string(exact), "abc" + std::string(1, kPathSeparator) + "defg");
  char tight[8] = "abc";
  EXPECT_FALSE(AppendPath(tight, sizeof tight, "defg"));
  EXPECT_STREQ(tight, "abc") << "a refused join leaves the path";
  char copy[4];
  EXPECT_FALSE(CopyText(copy, sizeof copy, "abcd"));
  EXPECT_STREQ(copy, "abc") << "cut at capacity - 1";
}

// Under Wine the system's own table answers: a check of the one the POSIX build carries.
TEST(CodePage, Windows1251RoundTripsEveryByteAndLackingCharactersBecomeBlanks) {
  ASSERT_EQ(AnsiCodePage(), 1251u) << "under Wine: LC_ALL=ru_RU.UTF-8";
  // Привет, Ёё, №, €, the undefined 0x98, Ґ, the no-break space.
  std::vector<char16_t> units;
  ASSERT_TRUE(AnsiToUtf16("\xCF\xF0\xE8\xE2\xE5\xF2\xA8\xB8\xB9\x88\x98\xA5\xA0", units));
  EXPECT_EQ(units, (std::vector<char16_t>{0x041F, 0x0440, 0x0438, 0x0432, 0x0435, 0x0442, 0x0401,
                                          0x0451, 0x2116, 0x20AC, 0x0098, 0x0490, 0x00A0, 0}));
  for (unsigned byte = 1; byte < 256; ++byte) {
    const char text[] = {static_cast<char>(byte), '\0'};
    ASSERT_TRUE(AnsiToUtf16(text, units)) << byte;
    for (unsigned codePage : {kAnsiCodePageAlias, 1251u}) {
      char out = 0;
      bool usedDefault = true;  // a successful conversion must clear it
      ASSERT_TRUE(Utf16UnitToCodePage(codePage, units[0], out, usedDefault)) << byte;
      EXPECT_EQ(static_cast<unsigned char>(out), byte) << byte << " in code page " << codePage;
      EXPECT_FALSE(usedDefault) << byte;
    }
  }
  char out = 'x';
  bool usedDefault = false;
  ASSERT_TRUE(Utf16UnitToCodePage(kAnsiCodePageAlias, u'\u4E2D', out, usedDefault));  // 中
  EXPECT_EQ(out, ' ');
  EXPECT_TRUE(usedDefault);
}

// How Windows' names travel as the program's text: any name the system can store, a lone
// surrogate included, comes back as it was.
TEST(Utf16, CarriesEveryNameBothWaysAndRefusesWhatIsNoUtf8) {
  // ō, Ж, 宝, a character beyond U+FFFF (a pair) and a lone surrogate.
  const std::u16string wide =
      u"H\u014D\u0416\u5B9D\U0001F600" + std::u16string(1, char16_t{0xD800}) + u"x";
  const std::string utf8 = Utf16ToUtf8(wide);
  EXPECT_EQ(utf8, "H\xC5\x8D\xD0\x96\xE5\xAE\x9D\xF0\x9F\x98\x80\xED\xA0\x80x");
  std::u16string back;
  ASSERT_TRUE(Utf8ToUtf16(utf8, back));
  EXPECT_EQ(back, wide);
  char16_t room[4];
  ASSERT_TRUE(Utf8ToUtf16("ab\xC5\x8D", room, 4));
  EXPECT_EQ(std::u16string(room, 4), std::u16string(u"ab\u014D") + char16_t{0});
  EXPECT_FALSE(Utf8ToUtf16("abcd", room, 4)) << "no room for the terminator";
  for (const char* broken : {"\xC5", "\xC0\x80", "\xCF\xF0", "\xF4\x90\x80\x80", "\x80"})
    EXPECT_FALSE(Utf8ToUtf16(broken, back)) << broken;
  // A path's length as the system counts it: UTF-16 units on Windows, bytes elsewhere.
  EXPECT_EQ(PathLength("H\xC5\x8D\xF0\x9F\x98\x80"), kPathSeparator == '\\' ? 4u : 7u);
}

TEST(SplitArgumentText, FollowsTheWindowsQuotingRules) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"", {}}, {" a\t\tb  ", {"a", "b"}},
      {R"( "D:\My Pages\a b.htm" a"b c"d "" "open to the end)",
       {R"(D:\My Pages\a b.htm)", "ab cd", "", "open to the end"}},
      {R"( C:\dir\file \\server\share "C:\dir\\" trailing\)",
       {R"(C:\dir\file)", R"(\\server\share)", R"(C:\dir\)", R"(trailing\)"}},
      {R"( a\\\\"b c" a\"b a\\\"b)", {R"(a\\b c)", R"(a"b)", R"(a\"b)"}},
      // Classic rule: "" inside quotes closes and reopens the quoting.
      {R"( "a""b" c)", {"ab", "c"}},
      {" \xCF\xF0\xE8\xE2\xE5\xF2.7z", {"\xCF\xF0\xE8\xE2\xE5\xF2.7z"}},  // bytes above 0x7F
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(SplitArgumentText(text), expected) << "text [" << text << "]";
}

TEST(WindowCommandLine, SkipsTheProgramNameSplitsAtBlanksAndGroupsQuotedPaths) {
  const std::pair<const char*, Names> cases[] = {
      {R"("D:\My Pages\a b.html" D:\x\c.htm)", {R"(D:\My Pages\a b.html)", R"(D:\x\c.htm)"}},
      {R"("D:\a.htm D:\b.htm)", {R"(D:\a.htm)", R"(D:\b.htm)"}},  // unclosed quote dropped
      {R"(   a.htm  "" b.htm "")", {"a.htm", "b.htm"}},
      {"a.htm\tb.htm", {"a.htm\tb.htm"}},  // a tab separates nothing
      {R"(x"y.htm "a b.htm"c.htm)", {R"(x"y.htm)", "a b.htm", "c.htm"}},
      {"/DdE", {}},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(SplitCommandLine(text), expected) << "[" << text << "]";
  // What follows the program's name, without leading blanks or tabs.
  const std::pair<const char*, const char*> commandLines[] = {
      {"Velkor.exe \t  a.htm  b.htm ", "a.htm  b.htm "},
      {R"("C:\Program Files\Velkor.exe" "D:\My Pages\a b.html")", R"("D:\My Pages\a b.html")"},
      {R"("C:\Velkor.exe"D:\x.htm)", R"(D:\x.htm)"},
      {R"("C:\never closed a.htm)", ""},
      {"C:\\Velkor.exe\t/dde", "/dde"},
  };
  for (const auto& [commandLine, arguments] : commandLines)
    EXPECT_STREQ(SkipProgramName(commandLine), arguments) << commandLine;
}

TEST(FillArguments, PutsEachValueWholeInTheArgumentItsPlaceholderStandsIn) {
  using Strings = std::vector<std::string>;
  // Values without a quote, in quotes: the arguments Windows makes of the filled text.
  const Strings values[] = {{"/home/u/My Pages/Kaze [TV]", "/home/u/My Pages/p.htm", "a\\b c"},
                            {"C:\\Saved\\\xCF\xF0\xE8 [TV]", "C:\\a b\\p.htm", "100% \t x"}};
  for (const char* format : {R"( a -t7z "%s.7z" "%s" "%s\*")", R"( "%s" x%%y "pre %s post" "%s")",
                             R"( -o"%s" a\\"b c"\"q "%s" plain "%s")", " fixed text"}) {
    for (const Strings& triple : values) {
      const ArgumentFormat arguments{format, triple};
      EXPECT_EQ(FillArguments(arguments), SplitArgumentText(FillArgumentText(arguments)))
          << format << " with " << triple[0];
    }
  }
  // Quotes, blanks and backslashes of a value never end its argument or start another.
  const std::tuple<const char*, Strings, Strings> cases[] = {
      {R"( a "%s.7z" "%s")", {R"(k" -sdel "x)", R"(q\" -sdel \"r)"},
       {"a", R"(k" -sdel "x.7z)", R"(q\" -sdel \"r)"}},
      {R"( "%s" -p%s)", {"dir\\", "two words"}, {"dir\\", "-ptwo words"}},
      {" %%s %s %s", {"v"}, {"%s", "v"}},  // a "%s" without a value gives nothing
  };
  for (const auto& [format, given, expected] : cases)
    EXPECT_EQ(FillArguments({format, given}), expected) << format;
}

// Every name the search yields, sorted; empty when it failed.
static Names Find(const std::string& pattern) {
  Names names;
  const bool found = NativeFiles().FindEntries(pattern.c_str(), [&](const char* name) {
    names.emplace_back(name);
    return true;
  });
  EXPECT_EQ(found, !names.empty()) << pattern;
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FindEntries, MatchesWithoutCaseListingTheFolderFirstNeverEnteringFolders) {
  TempFolder folder;
  for (const char* name : {"A.JS", "b.js", "c.jsx", "d.js.txt", "p[1].htm", "sub/e.js"})
    folder.Write(name, "");
  EXPECT_EQ(Find(folder.Path("*.js")), (Names{"A.JS", "b.js"}));
  EXPECT_EQ(Find(folder.Path("a.js")), Names{"A.JS"}) << "a plain name finds its stored spelling";
  EXPECT_EQ(Find(folder.Path("p[1].htm")), Names{"p[1].htm"}) << "brackets are plain characters";
  EXPECT_EQ(Find(folder.Path("*")),
            (Names{".", "..", "A.JS", "b.js", "c.jsx", "d.js.txt", "p[1].htm", "sub"}))
      << "folders are listed";
  EXPECT_TRUE(Find(folder.Path("nowhere/*.js")).empty());

  // A folder lists its own entry first, then its parent, as Windows does; a root has neither.
  Names order;
  NativeFiles().FindEntries(folder.Path("*").c_str(), [&order](const char* name) {
    order.emplace_back(name);
    return order.size() < 2;
  });
  EXPECT_EQ(order, (Names{".", ".."}));
  const Names root = Find((folder.path().root_path() / "*").string());
  EXPECT_FALSE(root.empty());
  EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
  EXPECT_EQ(std::count(root.begin(), root.end(), ".."), 0);
}

// Reading and rewriting pages are checked end to end by the page and velkor-cli tests.
TEST(ExclusiveFiles, SayWhyAFileCannotBeHadRefuseFoldersAndReadOnlyFilesAndAreMadeOnlyNew) {
  TempFolder folder;
  const std::string page = folder.Write("page.htm", "");
  FileError error = FileError::None;
  {
    const auto held = NativeFiles().OpenExclusive(page.c_str(), error);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(NativeFiles().OpenExclusive(page.c_str(), error), nullptr) << "held: a second open";
    EXPECT_EQ(error, FileError::Busy);
  }
  EXPECT_NE(NativeFiles().OpenExclusive(page.c_str(), error), nullptr) << "closing releases it";
  EXPECT_TRUE(NativeFiles().RemoveFile(page.c_str()));
  EXPECT_EQ(NativeFiles().Kind(page.c_str()), PathKind::Missing);
  EXPECT_EQ(NativeFiles().OpenExclusive(page.c_str(), error), nullptr);
  EXPECT_EQ(error, FileError::Missing);
  const std::string sub = folder.Path("sub.js");
  fs::create_directory(sub);
  EXPECT_FALSE(NativeFiles().RemoveFile(sub.c_str()));
  EXPECT_EQ(NativeFiles().OpenExclusive(sub.c_str(), error), nullptr);
  EXPECT_EQ(error, FileError::NotAFile);
  // Writable again afterwards: Windows removes no read-only file with its folder.
  const std::string kept = folder.Write("kept.js", "keep");
  const auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(kept, writeBits, fs::perm_options::remove);
  EXPECT_FALSE(NativeFiles().RemoveFile(kept.c_str()));
  EXPECT_EQ(NativeFiles().OpenExclusive(kept.c_str(), error), nullptr) << "nor opened for writing";
  EXPECT_EQ(error, FileError::ReadOnly);
  fs::permissions(kept, writeBits, fs::perm_options::add);
  EXPECT_EQ(ReadFile(kept), "keep");

  // CreateExclusive makes only new files, whose writes and stamps show.
  const std::string old = folder.Write("old", "old");
  EXPECT_EQ(NativeFiles().CreateExclusive(old.c_str(), error), nullptr);
  EXPECT_EQ(error, FileError::Exists);
  EXPECT_EQ(ReadFile(old), "old") << "an existing file is never opened nor emptied";

  const std::string made = folder.Path("new");
  auto file = NativeFiles().CreateExclusive(made.c_str(), error);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(NativeFiles().OpenExclusive(made.c_str(), error), nullptr) << "held from the start";
  FileStamp empty, written;
  ASSERT_TRUE(file->Stamp(empty));
  EXPECT_EQ(file->WriteAt(3, "def", 3), 3);
  EXPECT_EQ(file->WriteAt(0, "abc", 3), 3);
  EXPECT_TRUE(file->Flush());
  ASSERT_TRUE(file->Stamp(written));
  EXPECT_EQ(written.size, 6u);
  EXPECT_FALSE(written == empty);
  EXPECT_TRUE(NativeFiles().FlushFolderOf(made.c_str()));
  file.reset();
  EXPECT_EQ(ReadFile(made), "abcdef");
}

TEST(Settings, ReadLikeTheProfileReader) {
  TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "[options]\r\nARC = \"C:\\Program Files\\7z.exe\"  \r\n"
                                        "com='a \"%s\" -r'\r\nOdd=\"half'\r\n"
                                        "Plain=   two words   \r\nplain=repeated\r\n"
                                        "PosX=-5\r\nPosY= 12abc\r\nbArc=+7\r\nbMSIE=abc\r\n"
                                        "Empty=\r\nQuoted=\"42\"\r\n[Other]\r\nArc=wrong\r\n");
  const char* const strings[][3] = {  // section, key, value; a repeated key reads its first
      {"Options", "Arc", "C:\\Program Files\\7z.exe"}, {"OPTIONS", "Com", "a \"%s\" -r"},
      {"Options", "odd", "\"half'"},                   {"Options", "Plain", "two words"},
      {"Options", "Missing", "fallback"},              {"Absent", "Arc", "fallback"}};
  for (const auto& [section, key, value] : strings)
    EXPECT_EQ(Settings().ReadString(file.c_str(), section, key, "fallback", 260), value) << key;
  EXPECT_EQ(Settings().ReadString(file.c_str(), "Options", "Plain", "", 4), "two")
      << "capacity - 1";
  const std::pair<const char*, int> integers[] = {  // no digits read as 0, empty as missing
      {"PosX", -5}, {"posy", 12}, {"bArc", 7}, {"bMSIE", 0},
      {"Empty", 9}, {"Quoted", 42}, {"Missing", 9}};
  for (const auto& [key, value] : integers)
    EXPECT_EQ(Settings().ReadInt(file.c_str(), "Options", key, 9), value) << key;
}

// Whatever refuses a start only for a moment is asked again, twice at most; nothing else is.
TEST(StartAskingAgain, AsksAgainOnlyAfterARefusalForAMomentThreeTimesAtMost) {
  using Ending = ProcessResult::Ending;
  const ProcessResult forNow{Ending::NotStarted, -1, "", true};
  const ProcessResult forGood{Ending::NotStarted, -1, "", false};
  const ProcessResult exited{Ending::Exited, 4, "out"};
  const std::tuple<std::vector<ProcessResult>, int, Ending> cases[] = {
      {{forNow, forNow, exited}, 3, Ending::Exited},
      {{forNow, forNow, forNow, exited}, 3, Ending::NotStarted},
      {{forNow, forGood, exited}, 2, Ending::NotStarted},
      {{exited, forNow}, 1, Ending::Exited},
      {{{Ending::Stopped, -1, "", true}, exited}, 1, Ending::Stopped},
  };
  for (const auto& [answers, starts, ending] : cases) {
    int asked = 0;
    const ProcessResult result = StartAskingAgain([&, &answers = answers] {
      return answers[asked++];
    });
    EXPECT_EQ(asked, starts);
    EXPECT_EQ(result.ending, ending) << starts;
    EXPECT_EQ(result.output, answers[asked - 1].output);
  }
}

// The archiver's start with real programs: the project's stand-in, which reports its arguments,
// and programs that cannot be started.
TEST(RunProcess, StartsThePathAsGivenSplitsItsArgumentsAndGivesItsExitCode) {
  testsupport::TempFolder folder;
  // The stand-in, copied to a folder with a blank, exits with its first value, reports to the
  // next.
  const std::string standin = folder.Path("my archiver/standin.exe");
  const std::string report = folder.Path("r");
  fs::create_directory(folder.Path("my archiver"));
  fs::copy_file(testsupport::ArchiverStandinPath(), standin);
  // A missing program, a file marked executable that is no program, and a name that only a
  // search along PATH would find.
  const std::string notes = folder.Write("notes", "not a program\n");
  fs::permissions(notes, fs::perms::owner_exec, fs::perm_options::add);
  const std::string onPath = kPathSeparator == '\\' ? "cmd.exe" : "sh";
  for (const std::string& program : {folder.Path("none"), notes, onPath}) {
    const ProcessResult refused = RunText(program, "/c exit 0");
    EXPECT_EQ(refused.ending, ProcessResult::Ending::NotStarted) << program;
    EXPECT_FALSE(refused.mayStartLater) << program;
  }
  {
    // A program file still being written (or, on Windows, held by a scanner) may start later.
    std::ofstream writing(standin, std::ios::binary | std::ios::app);
    const ProcessResult refused = RunText(standin, "0");
    EXPECT_EQ(refused.ending, ProcessResult::Ending::NotStarted);
    EXPECT_TRUE(refused.mayStartLater);
  }
  const std::string text = "3 \"" + report + "\" plain \"with space\"  a\\\"b \"C:\\dir\\\\\"";
  const ProcessResult run = RunText(standin, text);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(Reported(report, "arg"),
            (std::vector<std::string>{"3", report, "plain", "with space", "a\"b", "C:\\dir\\"}));
  EXPECT_EQ(run.output, "") << "output is captured only when asked for";
  const ProcessResult captured = RunText(standin, "3:4", {.captureOutput = true});
  EXPECT_EQ(captured.exitCode, 4);
  EXPECT_NE(captured.output.find("line 1"), std::string::npos) << captured.output;
  EXPECT_NE(captured.output.find("line 2"), std::string::npos) << captured.output;
}

}  // namespace platform
