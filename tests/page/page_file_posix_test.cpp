// What only POSIX has: modes, which a journal must share, and record locks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "page/journal.h"
#include "page/page_cleaner.h"
#include "page/title_marker.h"
#include "tests/support/forwarding_files.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

const std::string kPage = "<head>" + std::string(kTitleMarker) +
                          "</head><body>clutter<div class=\"g_content\">text</div>";
const WriteSettings kSettings{.repairLinks = false, .sync = false};

mode_t ModeOf(const std::string& path) {
  struct stat status = {};
  stat(path.c_str(), &status);
  return status.st_mode & 0777;
}

// Keeps every file it is asked to remove, so that the journal can be seen.
struct KeepingFiles final : testsupport::ForwardingFiles {
  bool RemoveFile(const char*) override { return false; }
};

TEST(PageFile, AJournalIsAsPrivateAsItsPageWhateverTheUmask) {
  const testsupport::TempFolder folder;
  const mode_t umaskWas = umask(022);
  for (const mode_t mode : {0600, 0640, 0666}) {
    const std::string path = folder.Write("Kaze.htm", kPage);
    const std::string journal = path + std::string(kJournalSuffix);
    chmod(path.c_str(), mode);
    {
      KeepingFiles files;
      const platform::ScopedFileSystem scoped(files);
      TitleInfo info;
      ASSERT_EQ(CleanPage(path.c_str(), kSettings, info), PageOutcome::Rewritten);
    }
    EXPECT_EQ(ModeOf(journal), mode) << std::oct << mode;
    // Set aside (the page was saved again since), it takes the page's mode too.
    chmod(journal.c_str(), 0644);
    folder.Write("Kaze.htm", kPage + "<p>saved again</p>");
    TitleInfo info;
    EXPECT_EQ(CleanPage(path.c_str(), kSettings, info), PageOutcome::JournalKept);
    EXPECT_EQ(ModeOf(KeptJournalPath(path, 1)), mode) << std::oct << mode;
    unlink(KeptJournalPath(path, 1).c_str());
  }
  umask(umaskWas);
}

// A record lock, a process's (as lockf takes) or an open file description's, on part of a page.
TEST(PageFile, APageUnderAnotherProgramsRecordLockIsHeld) {
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", kPage);
  for (const int command : {F_SETLK, F_OFD_SETLK}) {
    for (const short type : {short{F_WRLCK}, short{F_RDLCK}}) {
      // The child says whether it holds the lock, then waits for its pipe's end.
      int ready[2], release[2];
      ASSERT_TRUE(pipe(ready) == 0 && pipe(release) == 0);
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        close(release[1]);
        const int fd = open(path.c_str(), O_RDWR);
        struct flock range = {
            .l_type = type, .l_whence = SEEK_SET, .l_start = 10, .l_len = 20, .l_pid = 0};
        const char locked = fd >= 0 && fcntl(fd, command, &range) == 0 ? 'y' : 'n';
        _exit(write(ready[1], &locked, 1) == 1 && read(release[0], &range, 1) >= 0 ? 0 : 1);
      }
      close(release[0]);
      char locked = 0;
      ASSERT_EQ(read(ready[0], &locked, 1), 1);
      ASSERT_EQ(locked, 'y');
      TitleInfo info;
      EXPECT_EQ(CleanPage(path.c_str(), kSettings, info), PageOutcome::Busy)
          << "lock " << command << ", type " << type;
      EXPECT_EQ(testsupport::ReadFile(path), kPage);
      close(release[1]);
      ASSERT_EQ(waitpid(child, nullptr, 0), child);
      close(ready[0]);
      close(ready[1]);
    }
  }
  TitleInfo info;
  EXPECT_EQ(CleanPage(path.c_str(), kSettings, info), PageOutcome::Rewritten)
      << "free once the other program is gone";
}

}  // namespace
}  // namespace page
