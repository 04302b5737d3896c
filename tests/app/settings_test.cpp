#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kSep(1, platform::kPathSeparator);

TEST(SettingsPath, IsVelkorIniBesideTheExecutable) {
  const std::string folder = kSep + "opt" + kSep + "velkor" + kSep;
  EXPECT_EQ(app::SettingsPathBeside((folder + "velkor-cli").c_str()), folder + "velkor.ini");
  EXPECT_EQ(app::SettingsPathBeside("velkor-cli"), "velkor.ini");
  // A path that would not fit its room is refused rather than cut.
  const std::string deep = kSep + std::string(245, 'd') + kSep;
  EXPECT_EQ(app::SettingsPathBeside((deep + "x").c_str()), deep + "velkor.ini");
  EXPECT_EQ(app::SettingsPathBeside((kSep + std::string(250, 'd') + kSep + "x").c_str()), "");

  const std::string own = app::DefaultSettingsPath();
  EXPECT_EQ(std::string(platform::FindFileName(own.c_str())), "velkor.ini");
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

TEST(Settings, ReadsTheArchiverKeys) {
  testsupport::TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "[Options]\r\n"
                                        "Com=a -y \"%s.7z\" \"%s\" \"%s\"\r\n"
                                        "Arc=C:\\Program Files\\7-Zip\\7z.exe\r\n"
                                        "Hidden=0\r\n");
  const job::ArchiverSettings archiver = app::ReadArchiverSettings(file);
  EXPECT_EQ(archiver.format, " a -y \"%s.7z\" \"%s\" \"%s\"");
  EXPECT_EQ(archiver.program, "C:\\Program Files\\7-Zip\\7z.exe");
  EXPECT_EQ(archiver.hidden, 0);

  const std::string fixed = folder.Write("fixed.ini", "[Options]\nCom=a archive.zip\nHidden=5\n");
  EXPECT_EQ(app::ReadArchiverSettings(fixed).format, " a archive.zip");
  EXPECT_EQ(app::ReadArchiverSettings(fixed).hidden, 5);
}

TEST(Settings, ALongComIsCutSoThatTheFormatFitsItsRoom) {
  testsupport::TempFolder folder;
  const std::string com(300, 'c');
  const std::string file = folder.Write("velkor.ini", "[Options]\nCom=" + com + "\n");
  const job::ArchiverSettings archiver = app::ReadArchiverSettings(file);
  EXPECT_EQ(archiver.format, " " + com.substr(0, app::kMaxComLength));
  EXPECT_EQ(archiver.format.size() + 1, 260u);
}

TEST(Settings, ReadsTheWindowKeysWithNegativePositionsAsTwo) {
  testsupport::TempFolder folder;
  const std::string file =
      folder.Write("velkor.ini", "[Options]\nPosX=-40\nPosY=300\nbArc=0\nbMSIE=7\n");
  const app::WindowSettings window = app::ReadWindowSettings(file);
  EXPECT_EQ(window.posX, 2);
  EXPECT_EQ(window.posY, 300);
  EXPECT_FALSE(window.archive);
  EXPECT_TRUE(window.fix);
}

TEST(Settings, WritingTheWindowKeysKeepsEveryOtherKey) {
  testsupport::TempFolder folder;
  const std::string file = folder.Write("velkor.ini",
                                        "; my archiver\n"
                                        "[Options]\n"
                                        "Com=a \"%s.7z\" \"%s\"\n"
                                        "Arc=/usr/bin/7z\n"
                                        "PosX=10\n"
                                        "Mine=kept\n");
  app::WriteWindowPosition(file, 120, 0);
  app::WriteOptionBoxes(file, false, true);

  const app::WindowSettings window = app::ReadWindowSettings(file);
  EXPECT_EQ(window.posX, 120);
  EXPECT_EQ(window.posY, 0);
  EXPECT_FALSE(window.archive);
  EXPECT_TRUE(window.fix);
  const job::ArchiverSettings archiver = app::ReadArchiverSettings(file);
  EXPECT_EQ(archiver.format, " a \"%s.7z\" \"%s\"");
  EXPECT_EQ(archiver.program, "/usr/bin/7z");
  const std::string text = testsupport::ReadFile(file);
  EXPECT_NE(text.find("Mine=kept"), std::string::npos) << text;
  EXPECT_NE(text.find("bArc=0"), std::string::npos) << text;
  EXPECT_NE(text.find("bMSIE=1"), std::string::npos) << text;
}

TEST(Settings, TheFirstWriteCreatesTheFile) {
  testsupport::TempFolder folder;
  const std::string file = folder.Path("velkor.ini");
  app::WriteWindowPosition(file, 5, 6);
  app::WriteOptionBoxes(file, true, false);
  const app::WindowSettings window = app::ReadWindowSettings(file);
  EXPECT_EQ(window.posX, 5);
  EXPECT_EQ(window.posY, 6);
  EXPECT_TRUE(window.archive);
  EXPECT_FALSE(window.fix);
}

}  // namespace
