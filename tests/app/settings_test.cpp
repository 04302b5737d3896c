#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kSep(1, platform::kPathSeparator);

TEST(SettingsPath, IsVelkorIniBesideTheExecutableWhenItFits) {
  const std::string folder = kSep + std::string(245, 'd') + kSep;
  EXPECT_EQ(app::SettingsPathBeside((folder + "velkor-cli").c_str()), folder + "velkor.ini");
  EXPECT_EQ(app::SettingsPathBeside("velkor-cli"), "velkor.ini");
  // A path that would not fit its room is refused rather than cut.
  EXPECT_EQ(app::SettingsPathBeside((kSep + std::string(250, 'd') + kSep + "x").c_str()), "");
  EXPECT_STREQ(platform::FindFileName(app::DefaultSettingsPath().c_str()), "velkor.ini");
}

TEST(Settings, EveryKeyTakesItsDefaultWithoutAFile) {
  testsupport::TempFolder folder;
  for (const std::string& file : {folder.Path("velkor.ini"), std::string()}) {
    const job::ArchiverSettings archiver = app::ReadArchiverSettings(file);
    EXPECT_EQ(archiver.format, " ");
    EXPECT_EQ(archiver.program, "");
    EXPECT_EQ(archiver.hidden, 1);
    const app::WindowSettings window = app::ReadWindowSettings(file);
    EXPECT_EQ(window.posX, 2);
    EXPECT_EQ(window.posY, 2);
    EXPECT_TRUE(window.archive);
    EXPECT_TRUE(window.fix);
  }
}

TEST(Settings, ReadsEveryKey) {
  testsupport::TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "[Options]\r\n"
                                        "Com=a -y \"%s.7z\" \"%s\" \"%s\"\r\n"
                                        "Arc=C:\\Program Files\\7-Zip\\7z.exe\r\n"
                                        "Hidden=0\r\n"
                                        "PosX=-40\r\nPosY=300\r\nbArc=0\r\nbMSIE=7\r\n");
  const job::ArchiverSettings archiver = app::ReadArchiverSettings(file);
  EXPECT_EQ(archiver.format, " a -y \"%s.7z\" \"%s\" \"%s\"");
  EXPECT_EQ(archiver.program, "C:\\Program Files\\7-Zip\\7z.exe");
  EXPECT_EQ(archiver.hidden, 0);
  const app::WindowSettings window = app::ReadWindowSettings(file);
  EXPECT_EQ(window.posX, 2);  // negative
  EXPECT_EQ(window.posY, 300);
  EXPECT_FALSE(window.archive);
  EXPECT_TRUE(window.fix);

  // A "Com" without placeholders is taken as it is; a long one is cut so
  // that the format fits its 260 bytes.
  EXPECT_EQ(app::ReadArchiverSettings(folder.Write("a.ini", "[Options]\nCom=a x.zip\n")).format,
            " a x.zip");
  const std::string com(300, 'c');
  EXPECT_EQ(app::ReadArchiverSettings(folder.Write("b.ini", "[Options]\nCom=" + com + "\n")).format,
            " " + com.substr(0, app::kMaxComLength));
}

TEST(Settings, WritingTheWindowKeysKeepsEveryOtherKey) {
  testsupport::TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "; my archiver\n"
                                        "[Options]\n"
                                        "Com=a \"%s.7z\" \"%s\"\n"
                                        "PosX=10\n"
                                        "Mine=kept\n");
  app::WriteWindowPosition(file, 120, 0);
  app::WriteOptionBoxes(file, false, true);
  const app::WindowSettings window = app::ReadWindowSettings(file);
  EXPECT_EQ(window.posX, 120);
  EXPECT_EQ(window.posY, 0);
  EXPECT_FALSE(window.archive);
  EXPECT_TRUE(window.fix);
  EXPECT_EQ(app::ReadArchiverSettings(file).format, " a \"%s.7z\" \"%s\"");
  const std::string text = testsupport::ReadFile(file);
  for (const char* kept : {"; my archiver", "Mine=kept", "bArc=0", "bMSIE=1"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept << " in\n" << text;
  }

  // The first closing of the window creates the file.
  const std::string fresh = folder.Path("fresh.ini");
  app::WriteOptionBoxes(fresh, true, false);
  EXPECT_FALSE(app::ReadWindowSettings(fresh).fix);
}

}  // namespace
