#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>  // RENAME_NOREPLACE
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace platform {
namespace {

// Largest transfer asked of one read or write; the loops go on from there.
constexpr size_t kMaxChunk = size_t{1} << 30;

// Windows marks a file read-only with an attribute that stops both writing
// and deletion, whoever asks. The nearest POSIX sign is a missing owner-write
// bit; checking it ourselves also holds for root, whom the kernel would let
// through.
bool IsReadOnly(const struct stat& status) { return (status.st_mode & S_IWUSR) == 0; }

int64_t Nanoseconds(const timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileError ErrorOf(int number) {
  switch (number) {
    case ENOENT:
    case ENOTDIR:
      return FileError::Missing;
    case EEXIST:
      return FileError::Exists;
    case EACCES:
    case EPERM:
      return FileError::Denied;
    case EROFS:
      return FileError::ReadOnly;
    case EISDIR:
    case ENXIO:
    case ENODEV:
    case ELOOP:
      return FileError::NotAFile;
    case EWOULDBLOCK:
      return FileError::Busy;
    default:
      return FileError::Failed;
  }
}

// Asks once for the locks that keep out every other opener asking for them:
// the whole-file lock (flock) and a record lock over every byte. The second
// is what programs that lock with fcntl or lockf hold, and holding one of
// those is how such a program says the file is in use; flock does not see it.
// False, with errno EWOULDBLOCK when another holds either, otherwise why.
bool TryLockExclusive(int fd) {
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return false;
#ifdef F_OFD_SETLK
  // An open file description's lock, unlike a process's, is not let go when
  // another descriptor of the same file closes in this process.
  struct flock range = {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  do {
    result = fcntl(fd, F_OFD_SETLK, &range);
  } while (result != 0 && errno == EINTR);
  if (result != 0 && (errno == EAGAIN || errno == EACCES)) errno = EWOULDBLOCK;
  // Without the call (older kernels), another's record lock is only looked
  // for.
  if (result != 0 && errno == EINVAL) {
    range.l_type = F_WRLCK;
    result = fcntl(fd, F_GETLK, &range);
    if (result == 0 && range.l_type != F_UNLCK) {
      result = -1;
      errno = EWOULDBLOCK;
    }
  }
#endif
  return result == 0;
}

// A child being started holds a copy of every descriptor of this process
// until it runs its program, and with it the locks of the files other
// workers had open at that moment. So a page that one worker has just let
// go of may look held for an instant while another worker starts its
// archiver; the locks are asked again for a short while before the page is
// called busy. `waited` tells whether another held them first.
bool LockExclusive(int fd, bool& waited) {
  constexpr int kTries = 50;
  constexpr timespec kPause{0, 2 * 1000 * 1000};
  waited = false;
  for (int tried = 1;; ++tried) {
    if (TryLockExclusive(fd)) return true;
    if (errno != EWOULDBLOCK || tried == kTries) return false;
    waited = true;
    nanosleep(&kPause, nullptr);
  }
}

FileStamp StampOf(const struct stat& status) {
  FileStamp stamp;
  stamp.size = static_cast<uint64_t>(status.st_size);
  stamp.modified = Nanoseconds(status.st_mtim);
  stamp.changed = Nanoseconds(status.st_ctim);
  stamp.permissions = status.st_mode & 0777;
  return stamp;
}

class PosixFile final : public ExclusiveFile {
 public:
  // `opened`: the file's status as its open found it, if it took one.
  PosixFile(int fd, const struct stat* opened) : fd_(fd) {
    if (opened != nullptr && opened->st_size >= 0) opened_ = StampOf(*opened);
  }
  ~PosixFile() override { close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  bool Size(uint64_t& size) override {
    struct stat status;
    if (fstat(fd_, &status) != 0 || status.st_size < 0) return false;
    size = static_cast<uint64_t>(status.st_size);
    return true;
  }

  int64_t ReadFromStart(char* into, size_t count) override {
    size_t done = 0;
    while (done < count) {
      const ssize_t got =
          pread(fd_, into + done, std::min(count - done, kMaxChunk), static_cast<off_t>(done));
      if (got < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
  }

  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    opened_.reset();
    if (offset + count > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return -1;
    size_t done = 0;
    while (done < count) {
      const ssize_t put = pwrite(fd_, from + done, std::min(count - done, kMaxChunk),
                                 static_cast<off_t>(offset + done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return done == 0 ? -1 : static_cast<int64_t>(done);
      }
      if (put == 0) break;
      done += static_cast<size_t>(put);
    }
    return static_cast<int64_t>(done);
  }

  // pwritev: both parts in one call. A write that stops part-way goes on as
  // WriteAt's own loop would.
  int64_t WriteTwoAt(uint64_t offset, std::string_view first, std::string_view second) override {
    const size_t total = first.size() + second.size();
    if (total > kMaxChunk) return ExclusiveFile::WriteTwoAt(offset, first, second);
    opened_.reset();
    if (offset + total > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return -1;
    iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                      {const_cast<char*>(second.data()), second.size()}};
    ssize_t put;
    do {
      put = pwritev(fd_, parts, 2, static_cast<off_t>(offset));
    } while (put < 0 && errno == EINTR);
    if (put < 0) return -1;
    const auto done = static_cast<size_t>(put);
    if (done == total || done == 0) return put;
    const int64_t rest =
        done < first.size()
            ? ExclusiveFile::WriteTwoAt(offset + done, first.substr(done), second)
            : WriteAt(offset + done, second.data() + (done - first.size()), total - done);
    return rest < 0 ? put : put + rest;
  }

  bool Truncate(uint64_t length) override {
    opened_.reset();
    if (length > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return false;
    int result;
    do {
      result = ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }

  // fdatasync: the contents and the length, not the times, which a reader
  // after a power cut does not need.
  bool Flush() override { return fdatasync(fd_) == 0; }

  bool Stamp(FileStamp& stamp) override {
    struct stat status;
    if (fstat(fd_, &status) != 0 || status.st_size < 0) return false;
    stamp = StampOf(status);
    return true;
  }

  bool OpenedStamp(FileStamp& stamp) override {
    if (!opened_) return Stamp(stamp);
    stamp = *opened_;
    return true;
  }

  bool SetPermissions(uint32_t permissions) override {
    opened_.reset();
    return fchmod(fd_, static_cast<mode_t>((permissions & 0777) | S_IRUSR | S_IWUSR)) == 0;
  }

 private:
  int fd_;
  std::optional<FileStamp> opened_;  // until the first write through this file
};

// Makes a Windows wildcard pattern ("*" and "?" only) safe for fnmatch: a
// "[" in a file name is a literal there, not the start of a bracket
// expression; backslashes are literal through FNM_NOESCAPE.
std::string ToFnmatchPattern(const char* wildcards) {
  std::string pattern;
  for (const char* at = wildcards; *at != '\0'; ++at) {
    if (*at == '[') {
      pattern += "[[]";
    } else {
      pattern += *at;
    }
  }
  return pattern;
}

// Orders names as an NTFS folder lists them: without regard to ASCII letter
// case, then by bytes, so that a folder is always walked in the same order.
bool ListsBefore(const std::string& a, const std::string& b) {
  const int folded = strcasecmp(a.c_str(), b.c_str());
  return folded != 0 ? folded < 0 : a < b;
}

// True when `folder` is the file system's root, however it is written.
bool IsRoot(const char* folder) {
  struct stat status, root;
  return stat(folder, &status) == 0 && stat("/", &root) == 0 && status.st_dev == root.st_dev &&
         status.st_ino == root.st_ino;
}

int RenameWithoutReplacing(const char* from, const char* to) {
#if defined(SYS_renameat2) && defined(RENAME_NOREPLACE)
  if (syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  // Older kernels and some file systems lack the call; anything else is a
  // real refusal (the target exists, no permission...).
  if (errno != ENOSYS && errno != EINVAL) return -1;
#endif
  // A hard link fails when the target exists, so nothing is ever replaced;
  // it does not move folders, which this program never renames.
  if (link(from, to) != 0) return -1;
  if (unlink(from) != 0) {
    const int saved = errno;
    unlink(to);
    errno = saved;
    return -1;
  }
  return 0;
}

// The open file `fd` as an ExclusiveFile; without memory for it the file is
// closed (and its lock with it) before std::bad_alloc goes on.
// `opened`: its status as the open found it, where the open took one.
std::unique_ptr<ExclusiveFile> Hold(int fd, const struct stat* opened = nullptr) {
  PosixFile* file = new (std::nothrow) PosixFile(fd, opened);
  if (file == nullptr) {
    close(fd);
    throw std::bad_alloc();
  }
  return std::unique_ptr<ExclusiveFile>(file);
}

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<ExclusiveFile> OpenExclusive(const char* path, FileError& error) override {
    // Whatever is not a regular file is refused before it is opened: opening
    // a device can have effects of its own.
    struct stat status;
    if (lstat(path, &status) != 0) {
      error = ErrorOf(errno);
      return nullptr;
    }
    if (S_ISLNK(status.st_mode)) {
      // A link that leads nowhere is there, just not as a page.
      error = stat(path, &status) == 0 ? FileError::Linked : FileError::NotAFile;
      return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
      error = FileError::NotAFile;
      return nullptr;
    }
    // O_NONBLOCK keeps the open from hanging should a pipe have taken the
    // file's place since; it is refused below like any other non-file, and
    // a link put there since is not followed.
    const int fd = open(path, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
      error = errno == ELOOP ? FileError::Linked : ErrorOf(errno);
      return nullptr;
    }
    error = FileError::None;
    bool waited = false;
    if (fstat(fd, &status) != 0) {
      error = FileError::Failed;
    } else if (!S_ISREG(status.st_mode)) {
      error = FileError::NotAFile;
    } else if (IsReadOnly(status)) {
      error = FileError::ReadOnly;
    } else if (!LockExclusive(fd, waited)) {
      // The locks are advisory: they keep out every opener that asks for
      // them (our own, in any process), not a program that never does.
      error = errno == EWOULDBLOCK ? FileError::Busy : FileError::Failed;
    } else if (waited && fstat(fd, &status) != 0) {
      // Whoever held the file may have written it: the stamp is taken anew.
      error = FileError::Failed;
    }
    if (error != FileError::None) {
      close(fd);
      return nullptr;
    }
    return Hold(fd, &status);
  }

  std::unique_ptr<ExclusiveFile> CreateExclusive(const char* path, FileError& error) override {
    const int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
      error = ErrorOf(errno);
      return nullptr;
    }
    bool waited = false;
    if (!LockExclusive(fd, waited)) {
      close(fd);
      unlink(path);
      error = FileError::Failed;
      return nullptr;
    }
    error = FileError::None;
    try {
      return Hold(fd);
    } catch (const std::bad_alloc&) {
      unlink(path);
      throw;
    }
  }

  bool FlushFolderOf(const char* path) override {
    const char* slash = std::strrchr(path, '/');
    const std::string folder =
        slash == nullptr ? "." : std::string(path, slash == path ? 1 : slash - path);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = fsync(fd) == 0;
    close(fd);
    return flushed;
  }

  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    const char* slash = std::strrchr(pattern, '/');
    std::string folder;
    const char* namePattern = pattern;
    if (slash == nullptr) {
      folder = ".";
    } else {
      folder.assign(pattern, slash == pattern ? 1 : static_cast<size_t>(slash - pattern));
      namePattern = slash + 1;
    }
    if (*namePattern == '\0') return false;
    const std::string wildcards = ToFnmatchPattern(namePattern);

    auto matches = [&wildcards](const char* name) {
      return fnmatch(wildcards.c_str(), name, FNM_CASEFOLD | FNM_NOESCAPE) == 0;
    };
    std::vector<std::string> names;
    // Closed on every way out, std::bad_alloc from the list of names included.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return false;
    while (const dirent* entry = readdir(dir.get())) {
      const char* name = entry->d_name;
      // "." and ".." take their place below, whatever readdir's order.
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      if (matches(name)) names.emplace_back(name);
    }
    std::sort(names.begin(), names.end(), ListsBefore);

    // Windows lists a folder's "." and ".." before its other entries, except
    // in a drive's root; the root "/" stands for a drive's root here. The
    // root is looked for only when a pattern takes them ("*", not "*.js").
    for (const char* dot : {"..", "."}) {
      if (matches(dot) && !IsRoot(folder.c_str())) names.insert(names.begin(), dot);
    }
    for (const std::string& name : names) {
      if (!visit(name.c_str())) break;
    }
    return !names.empty();
  }

  PathKind Kind(const char* path) override {
    struct stat status;
    if (stat(path, &status) != 0) return PathKind::Missing;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::File;
  }

  bool IsLink(const char* path) override {
    struct stat status;
    return lstat(path, &status) == 0 && S_ISLNK(status.st_mode);
  }

  bool RemoveFile(const char* path) override {
    // lstat: a symbolic link is removed itself, whatever it points to.
    struct stat status;
    if (lstat(path, &status) != 0 || S_ISDIR(status.st_mode)) return false;
    if (!S_ISLNK(status.st_mode) && IsReadOnly(status)) return false;
    return unlink(path) == 0;
  }

  bool RenameNoReplace(const char* from, const char* to) override {
    return RenameWithoutReplacing(from, to) == 0;
  }

  bool RenameReplacing(const char* from, const char* to) override {
    return rename(from, to) == 0;
  }

  std::string StoredName(const char* path) override {
    const char* name = FindFileName(path);
    if (std::strpbrk(name, "*?") == nullptr) return name;
    return FirstEntry(*this, path);
  }

  bool CreateFolders(const char* path) override {
    const std::string full = path;
    // Every folder on the way, from the top; one that cannot be made shows
    // in the final test.
    for (size_t end = full.find('/', 1);; end = full.find('/', end + 1)) {
      const std::string folder = full.substr(0, end);
      if (!folder.empty() && Kind(folder.c_str()) != PathKind::Folder) mkdir(folder.c_str(), 0700);
      if (end == std::string::npos) break;
    }
    return Kind(path) == PathKind::Folder;
  }
};

}  // namespace

FileSystem& NativeFiles() {
  static PosixFileSystem files;
  return files;
}

}  // namespace platform
