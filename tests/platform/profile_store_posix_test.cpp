// The settings file where the system has no profile functions of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/posix/profile_store.h"
#include "tests/support/temp_folder.h"

namespace platform {

// A file that exists but cannot be read (write-only, say: the tests run as root, who reads
// anything, so the reading is made to fail) is never overwritten: its other keys would go.
TEST(ProfileStore, NeverWritesOverAFileItCannotRead) {
  testsupport::TempFolder folder;
  const std::string text = "[Options]\nArc=/usr/bin/7zz\nCom=a \"%s.7z\" \"%s\" \"%s\"\n";
  const std::string file = folder.Write("velkor.ini", text);
  ProfileStore unreadable([](const char*, bool& exists) -> std::optional<std::string> {
    exists = true;
    return std::nullopt;
  });
  EXPECT_FALSE(unreadable.WriteString(file.c_str(), "Options", "PosX", "40"));
  EXPECT_EQ(testsupport::ReadFile(file), text);
  EXPECT_EQ(unreadable.ReadInt(file.c_str(), "Options", "PosX", 2), 2);
  // The same file, readable, takes the key and keeps the others.
  ProfileStore readable(ReadWholeText);
  EXPECT_TRUE(readable.WriteString(file.c_str(), "Options", "PosX", "40"));
  EXPECT_EQ(readable.ReadInt(file.c_str(), "Options", "PosX", 2), 40);
  EXPECT_EQ(readable.ReadString(file.c_str(), "Options", "Arc", "", 260), "/usr/bin/7zz");
  // Neither is a file larger than 1 MB, nor a pipe, which is never waited on.
  const std::string big = folder.Write("big.ini", text + std::string(kMaxSettingsFileSize, ';'));
  const std::string fifo = folder.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& refused : {big, fifo}) {
    EXPECT_EQ(readable.ReadString(refused.c_str(), "Options", "Arc", "none", 260), "none");
    EXPECT_FALSE(readable.WriteString(refused.c_str(), "Options", "PosX", "40"));
  }
  EXPECT_EQ(testsupport::ReadFile(big), text + std::string(kMaxSettingsFileSize, ';'));
}

}  // namespace platform
