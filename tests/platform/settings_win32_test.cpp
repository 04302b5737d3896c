// The settings file as the wide profile calls read it on Windows.
#include <gtest/gtest.h>

#include <string>

#include "platform/settings_file.h"
#include "tests/support/temp_folder.h"

namespace {

// `text` as a file saved in UTF-16 with its byte-order mark (Windows is little-endian).
std::string Utf16File(const std::u16string& text) {
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(SettingsWin32, ReadsAnAnsiAUtf8AndAUtf16FileAlikeAndKeepsTheFilesCodeOnAWrite) {
  // "C:\Программы\7z.exe" (in UTF-8 and in Windows-1251) and "C:\宝石\7z.exe".
  const std::string cyrillic =
      "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B\\7z.exe";
  const std::string ansi = "C:\\\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB\\7z.exe";
  const std::string japanese = "C:\\\xE5\xAE\x9D\xE7\x9F\xB3\\7z.exe";
  const std::pair<std::string, std::string> cases[] = {
      // As velkor.ini has always been written; a key written is replaced, not added.
      {"[Options]\r\nposx=2\r\nArc=" + ansi + "\r\n", cyrillic},
      {"[Options]\r\nArc=" + cyrillic + "\r\n", cyrillic},  // UTF-8 without a mark (Notepad)
      {"[Options]\r\nArc=" + japanese + "\r\n", japanese},
      {Utf16File(u"[Options]\r\nArc=C:\\\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u044B"
                 u"\\7z.exe\r\n"),
       cyrillic},
  };
  const testsupport::TempFolder folder;
  for (const auto& [text, arc] : cases) {
    const std::string ini = folder.Write("velkor.ini", text);
    EXPECT_EQ(platform::Settings().ReadString(ini.c_str(), "Options", "Arc", "", 4096), arc);
    ASSERT_TRUE(platform::Settings().WriteString(ini.c_str(), "Options", "PosX", "5"));
    EXPECT_EQ(platform::Settings().ReadString(ini.c_str(), "Options", "Arc", "", 4096), arc);
    EXPECT_EQ(platform::Settings().ReadInt(ini.c_str(), "Options", "PosX", 2), 5);
  }
  // An ANSI file stays one.
  const std::string ini = folder.Write("velkor.ini", "[Options]\r\nArc=" + ansi + "\r\n");
  ASSERT_TRUE(platform::Settings().WriteString(ini.c_str(), "Options", "bArc", "0"));
  EXPECT_NE(testsupport::ReadFile(ini).find("Arc=" + ansi + "\r\n"), std::string::npos);
}

}  // namespace
