#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "tests/support/temp_folder.h"

namespace platform {

TEST(Settings, ReadsNamesWithoutCaseValuesWithoutQuotesAndIntegersAsTheProfileReader) {
  testsupport::TempFolder folder;
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
  for (const auto& [section, key, value] : strings) {
    EXPECT_EQ(ReadSettingString(file.c_str(), section, key, "fallback", 260), value) << key;
  }
  EXPECT_EQ(ReadSettingString(file.c_str(), "Options", "Plain", "", 4), "two") << "capacity - 1";
  const std::pair<const char*, int> integers[] = {  // no digits read as 0, empty as missing
      {"PosX", -5}, {"posy", 12}, {"bArc", 7}, {"bMSIE", 0},
      {"Empty", 9}, {"Quoted", 42}, {"Missing", 9}};
  for (const auto& [key, value] : integers) {
    EXPECT_EQ(ReadSettingInt(file.c_str(), "Options", key, 9), value) << key;
  }
}

TEST(Settings, WritesKeepTheKeysSpellingOtherKeysCommentsAndLineEnds) {
  testsupport::TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "; set by hand\r\n[Options]\r\nCom=a \"%s\"\r\nPosX=2\r\n"
                                        "[Extra]\r\nKey=kept\r\n; Com=x (an old format)\r\n");
  ASSERT_TRUE(WriteSettingString(file.c_str(), "options", "posx", "140"));
  ASSERT_TRUE(WriteSettingString(file.c_str(), "Options", "bArc", "0"));
  EXPECT_EQ(ReadSettingInt(file.c_str(), "Options", "PosX", 0), 140) << "replaced, not added";
  const std::string text = testsupport::ReadFile(file);
  for (const char* kept : {"; set by hand\r\n", "\r\nCom=a \"%s\"\r\n", "\r\nPosX=140\r\n",
                           "\r\nbArc=0\r\n", "\r\nKey=kept\r\n", "\r\n; Com=x (an old format)"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept << " in\n" << text;
  }
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'))
      << "no bare line feeds:\n" << text;
}

}  // namespace platform
