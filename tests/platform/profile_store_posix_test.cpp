// The settings file where the system has no profile functions of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "platform/posix/profile_store.h"
#include "tests/support/faulty_files.h"
#include "tests/support/power_loss_files.h"
#include "tests/support/temp_folder.h"

namespace platform {

// The window's write changes its key's value where it stands, or adds the
// key after the last one of its section; every other byte stays as the user
// wrote it, and the reader finds the value written. A file that exists but
// cannot be read is never overwritten (its other keys would go); nor is one
// that is read-only, larger than 1 MB, or a pipe, which is never waited on.
TEST(ProfileStore, WritesItsKeyKeepingEveryOtherByteAndNeverAFileItCannotReadOrWrite) {
  const std::string example = testsupport::ReadFile(VELKOR_EXAMPLE_SETTINGS);
  std::string exampleAfter = example;
  exampleAfter.replace(exampleAfter.find("bMSIE=1"), 7, "bMSIE=0");
  exampleAfter.insert(exampleAfter.find("Sync=1\n") + 7, "PosX=40\n");
  const std::tuple<std::string, const char*, const char*, std::string> cases[] = {
      {"", "PosX", "3", "[Options]\nPosX=3\n"},
      {"; only a comment", "PosX", "3", "; only a comment\n[Options]\nPosX=3\n"},
      {"[Options]\r\nArc=x\r\n", "PosX", "5", "[Options]\r\nArc=x\r\nPosX=5\r\n"},
      {"[other]\nPosX=1\n[ options ]\n  posx = 7 \n", "PosX", "40",
       "[other]\nPosX=1\n[ options ]\n  posx = 40 \n"},
      {"[Options]\nArc=a\n\n; about Next\n[Next]\nk=v\n", "PosY", "9",
       "[Options]\nArc=a\nPosY=9\n\n; about Next\n[Next]\nk=v\n"},
      {"\xEF\xBB\xBF[Options]\nbArc=1", "bArc", "0", "\xEF\xBB\xBF[Options]\nbArc=0"},
      {"[Options]\nPosX=\nPosX=8\n", "PosX", "4", "[Options]\nPosX=4\nPosX=8\n"},
  };
  testsupport::TempFolder folder;
  ProfileStore store(ReadWholeText);
  for (const auto& [before, key, value, after] : cases) {
    const std::string file = folder.Write("velkor.ini", before);
    EXPECT_TRUE(store.WriteString(file.c_str(), "Options", key, value)) << before;
    EXPECT_EQ(testsupport::ReadFile(file), after) << before;
    EXPECT_EQ(store.ReadString(file.c_str(), "Options", key, "", 260), value) << before;
  }
  const std::string file = folder.Write("velkor.ini", example);
  for (const auto& [key, value] : {std::pair{"PosX", "40"}, {"bArc", "1"}, {"bMSIE", "0"}})
    EXPECT_TRUE(store.WriteString(file.c_str(), "Options", key, value));
  EXPECT_EQ(testsupport::ReadFile(file), exampleAfter) << "the commented example, edited";

  chmod(file.c_str(), 0444);
  EXPECT_FALSE(store.WriteString(file.c_str(), "Options", "PosX", "1")) << "a read-only file";
  EXPECT_EQ(testsupport::ReadFile(file), exampleAfter);
  // The tests run as root, who reads anything: the reading is made to fail.
  ProfileStore unreadable([](const char*, bool& exists) -> std::optional<std::string> {
    exists = true;
    return std::nullopt;
  });
  const std::string text = "[Options]\nArc=/usr/bin/7zz\nCom=a \"%s.7z\" \"%s\" \"%s\"\n";
  const std::string unread = folder.Write("unread.ini", text);
  EXPECT_FALSE(unreadable.WriteString(unread.c_str(), "Options", "PosX", "40"));
  EXPECT_EQ(testsupport::ReadFile(unread), text);
  EXPECT_EQ(unreadable.ReadInt(unread.c_str(), "Options", "PosX", 2), 2);
  const std::string big = folder.Write("big.ini", text + std::string(kMaxSettingsFileSize, ';'));
  const std::string fifo = folder.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& refused : {big, fifo}) {
    EXPECT_EQ(store.ReadString(refused.c_str(), "Options", "Arc", "none", 260), "none");
    EXPECT_FALSE(store.WriteString(refused.c_str(), "Options", "PosX", "40"));
  }
  EXPECT_EQ(testsupport::ReadFile(big), text + std::string(kMaxSettingsFileSize, ';'));
}

// The write puts a new file in place of the old one: a failure at any of its
// steps (once, from then on, a full disk), or a power cut or kill after any
// of them, leaves the old file or the new one byte for byte, with its mode,
// and the next write goes through. A file that is a link stays one.
TEST(ProfileStore, AWriteFailedOrCutOffAnywhereLeavesTheOldFileOrTheNewOne) {
  namespace fs = std::filesystem;
  const std::string old = "[Options]\n; placed by the window\nPosX=2\n";
  const std::string fresh = "[Options]\n; placed by the window\nPosX=40\n";
  testsupport::TempFolder folder;
  const std::string file = folder.Path("velkor.ini");
  ProfileStore store(ReadWholeText);
  const auto expectOldOrNew = [&](const std::string& what) {
    const std::string now = testsupport::ReadFile(file);
    EXPECT_TRUE(now == old || now == fresh) << what << ": " << now;
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0640)) << what;
    EXPECT_TRUE(store.WriteString(file.c_str(), "Options", "PosX", "40")) << what;
    EXPECT_EQ(testsupport::ReadFile(file), fresh) << what;
  };
  const auto placeOld = [&] {
    for (const auto& entry : fs::directory_iterator(folder.path())) fs::remove(entry.path());
    folder.Write("velkor.ini", old);
    fs::permissions(file, fs::perms(0640));
  };
  testsupport::FaultyFiles::Sweep(
      [&](testsupport::FaultyFiles& files) {
        placeOld();
        const ScopedFileSystem scoped(files);
        if (store.WriteString(file.c_str(), "Options", "PosX", "40")) {
          EXPECT_EQ(testsupport::ReadFile(file), fresh) << "written, it says";
        }
      },
      expectOldOrNew);
  placeOld();
  testsupport::PowerLossFiles files(folder.path().string());
  {
    const ScopedFileSystem scoped(files);
    ASSERT_TRUE(store.WriteString(file.c_str(), "Options", "PosX", "40"));
  }
  ASSERT_GT(files.cutPoints(), 4u) << "the write goes through the file system's seam";
  files.ForEachCut(4, expectOldOrNew);

  const std::string target = folder.Write("kept/velkor.ini", old);
  fs::remove(file);
  fs::create_symlink(target, file);
  EXPECT_TRUE(store.WriteString(file.c_str(), "Options", "PosX", "40"));
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(testsupport::ReadFile(target), fresh);
}

}  // namespace platform
