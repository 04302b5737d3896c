#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using testsupport::ReadFile;
using testsupport::TempFolder;

constexpr size_t kCapacity = 260;

TEST(Settings, MissingFileGivesTheFallbacksAndIsNotCreated) {
  TempFolder folder;
  const std::string file = folder.Path("velkor.ini");
  EXPECT_EQ(ReadSettingString(file.c_str(), "Options", "Com", "", kCapacity), "");
  EXPECT_EQ(ReadSettingString(file.c_str(), "Options", "Arc", "none", kCapacity), "none");
  EXPECT_EQ(ReadSettingInt(file.c_str(), "Options", "Hidden", 1), 1);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(Settings, NamesIgnoreCaseAndValuesLoseBlanksAndMatchingQuotes) {
  TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "; archiver\r\n"
                                        "[options]\r\n"
                                        "ARC = \"C:\\Program Files\\7-Zip\\7z.exe\"  \r\n"
                                        "com='a \"%s\" -r'\r\n"
                                        "Odd=\"half'\r\n"
                                        "Plain=   two words   \r\n"
                                        "[Other]\r\n"
                                        "Arc=wrong\r\n");
  const char* path = file.c_str();
  EXPECT_EQ(ReadSettingString(path, "Options", "Arc", "", kCapacity),
            "C:\\Program Files\\7-Zip\\7z.exe");
  EXPECT_EQ(ReadSettingString(path, "OPTIONS", "Com", "", kCapacity), "a \"%s\" -r");
  EXPECT_EQ(ReadSettingString(path, "Options", "odd", "", kCapacity), "\"half'");
  EXPECT_EQ(ReadSettingString(path, "Options", "Plain", "", kCapacity), "two words");
  EXPECT_EQ(ReadSettingString(path, "Options", "Missing", "dflt", kCapacity), "dflt");
  EXPECT_EQ(ReadSettingString(path, "Absent", "Arc", "dflt", kCapacity), "dflt");
  EXPECT_EQ(ReadSettingString(path, "Options", "Plain", "", 4), "two") << "capacity - 1 bytes";
}

TEST(Settings, RepeatedKeyReadsItsFirstValue) {
  TempFolder folder;
  const std::string file = folder.Write("velkor.ini", "[Options]\nArc=first\nArc=second\n");
  EXPECT_EQ(ReadSettingString(file.c_str(), "Options", "Arc", "", kCapacity), "first");
}

TEST(Settings, IntegersReadAsTheProfileReaderReadsThem) {
  TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "[Options]\n"
                                        "PosX=-5\n"
                                        "PosY= 12abc\n"
                                        "bArc=+7\n"
                                        "bMSIE=abc\n"
                                        "Hidden=0\n"
                                        "Empty=\n"
                                        "Quoted=\"42\"\n");
  const char* path = file.c_str();
  EXPECT_EQ(ReadSettingInt(path, "Options", "PosX", 2), -5);
  EXPECT_EQ(ReadSettingInt(path, "Options", "PosY", 2), 12);
  EXPECT_EQ(ReadSettingInt(path, "Options", "bArc", 1), 7);
  EXPECT_EQ(ReadSettingInt(path, "Options", "bMSIE", 1), 0) << "present without digits";
  EXPECT_EQ(ReadSettingInt(path, "options", "hidden", 1), 0);
  EXPECT_EQ(ReadSettingInt(path, "Options", "Empty", 9), 9) << "empty reads as missing";
  EXPECT_EQ(ReadSettingInt(path, "Options", "Quoted", 9), 42);
  EXPECT_EQ(ReadSettingInt(path, "Options", "Missing", 9), 9);
}

TEST(Settings, WritesKeepCommentsAndOtherKeys) {
  TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "; the archiver, set by hand\n"
                                        "[Options]\n"
                                        "Com=a \"%s\" \"%s\"\n"
                                        "PosX=2\n"
                                        "[Extra]\n"
                                        "Key=kept\n"
                                        "; Com=x \"%s\" (an old format, kept for later)\n");
  const char* path = file.c_str();
  ASSERT_TRUE(WriteSettingString(path, "options", "posx", "140"));
  ASSERT_TRUE(WriteSettingString(path, "Options", "bArc", "0"));

  EXPECT_EQ(ReadSettingInt(path, "Options", "PosX", 2), 140);
  EXPECT_EQ(ReadSettingInt(path, "Options", "bArc", 1), 0);
  EXPECT_EQ(ReadSettingString(path, "Options", "Com", "", kCapacity), "a \"%s\" \"%s\"");
  EXPECT_EQ(ReadSettingString(path, "Extra", "Key", "", kCapacity), "kept");
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("; the archiver, set by hand"), std::string::npos) << text;
  EXPECT_NE(text.find("; Com=x \"%s\" (an old format, kept for later)"), std::string::npos)
      << "a comment after the last key survives:\n" << text;
  EXPECT_NE(text.find("PosX=140"), std::string::npos) << "the key keeps its spelling:\n" << text;
  EXPECT_EQ(text.find("posx"), std::string::npos) << text;
}

TEST(Settings, WritingCreatesTheFile) {
  TempFolder folder;
  const std::string file = folder.Path("velkor.ini");
  ASSERT_TRUE(WriteSettingString(file.c_str(), "Options", "PosY", "33"));
  EXPECT_EQ(ReadSettingInt(file.c_str(), "Options", "PosY", 2), 33);
  EXPECT_EQ(ReadSettingString(file.c_str(), "Options", "PosY", "", kCapacity), "33");
}

}  // namespace
}  // namespace platform
