// The physical floor of velkor-cli's work on a batch: for each page it opens
// the file, reads it whole, writes the same bytes back from offset 0, cuts
// the file to that length and lists the page's "_files" folder, on one
// thread, with one buffer kept for the whole batch. Nothing faster can
// rewrite every page in place, so velkor-cli's time over this program's is
// what its rules, its journal and its care cost.
//   floor [--journal] PATH...
// Each PATH is a page, or a folder whose pages ("*.*htm*", without
// subfolders) are taken, as velkor-cli takes them. --journal also writes
// the page's bytes to a new file beside it before the write-back and removes
// that file after it: the least that a rewrite which keeps the original
// until the new bytes are in place can cost.
// Prints the pages and bytes done; exits with 1 when any page failed.
//
// A Linux benchmark, not product code: it calls POSIX directly.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Totals {
  long pages = 0;
  long long bytes = 0;
  long folderEntries = 0;
  int failures = 0;
};

// True for a name whose extension holds "htm" in any letter case: the
// folder pattern "*.*htm*" of velkor-cli.
bool IsPageName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(c | 0x20);
  return extension.find("htm") != std::string::npos;
}

void Fail(Totals& totals, const std::string& path, const char* what) {
  std::fprintf(stderr, "floor: %s: %s: %s\n", path.c_str(), what, std::strerror(errno));
  ++totals.failures;
}

// Counts the entries of the page's "_files" folder, if it has one.
void ListFilesFolder(const std::string& page, Totals& totals) {
  const size_t slash = page.rfind('/');
  const size_t dot = page.rfind('.');
  const size_t stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                          ? dot
                          : page.size();
  const std::string folder = page.substr(0, stem) + "_files";
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;  // a page without a folder is normal
  while (readdir(dir) != nullptr) ++totals.folderEntries;
  closedir(dir);
}

// The batch's one buffer, grown to the largest page and never filled with
// zeros first: the read itself is the first touch of its memory.
struct Buffer {
  std::unique_ptr<char[]> bytes;
  size_t capacity = 0;

  char* Hold(size_t size) {
    if (size > capacity) {
      bytes.reset();  // the old bytes are not kept, so never two blocks at once
      bytes.reset(new char[size]);
      capacity = size;
    }
    return bytes.get();
  }
};

// Writes `size` bytes at `offset` onwards; false on a failure (errno says).
bool WriteAll(int fd, const char* bytes, size_t size, off_t offset) {
  size_t written = 0;
  while (written < size) {
    const ssize_t put = pwrite(fd, bytes + written, size - written,
                               offset + static_cast<off_t>(written));
    if (put <= 0) {
      if (put < 0 && errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(put);
  }
  return true;
}

// Puts `size` bytes into a new file `path`.
bool WriteNewFile(const std::string& path, const char* bytes, size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes, size, 0);
  return close(fd) == 0 && written;
}

// Reads the page whole into `buffer`, writes the bytes back and cuts the
// file to their length; with `journal`, through a copy beside it.
void RewritePage(const std::string& path, bool journal, Buffer& buffer, Totals& totals) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Fail(totals, path, "open");
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    close(fd);
    return Fail(totals, path, "fstat");
  }
  const size_t size = static_cast<size_t>(info.st_size);
  char* const bytes = buffer.Hold(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t got = read(fd, bytes + done, size - done);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      close(fd);
      return Fail(totals, path, "read");
    }
    done += static_cast<size_t>(got);
  }
  const std::string journalPath = path + ".floor-journal";
  if (journal && !WriteNewFile(journalPath, bytes, size)) {
    close(fd);
    return Fail(totals, journalPath, "write");
  }
  if (!WriteAll(fd, bytes, size, 0)) {
    close(fd);
    return Fail(totals, path, "write");
  }
  if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
    close(fd);
    return Fail(totals, path, "truncate");
  }
  close(fd);
  if (journal && unlink(journalPath.c_str()) != 0) return Fail(totals, journalPath, "unlink");
  ++totals.pages;
  totals.bytes += static_cast<long long>(size);
  ListFilesFolder(path, totals);
}

// The pages directly in `folder`: regular files (or links to them) named
// like a page.
std::vector<std::string> PagesIn(const std::string& folder, Totals& totals) {
  std::vector<std::string> pages;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    Fail(totals, folder, "opendir");
    return pages;
  }
  while (const dirent* entry = readdir(dir)) {
    if (!IsPageName(entry->d_name)) continue;
    std::string path = folder + "/" + entry->d_name;
    bool isFile = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      isFile = stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    }
    if (isFile) pages.push_back(std::move(path));
  }
  closedir(dir);
  return pages;
}

}  // namespace

int main(int argc, char** argv) {
  bool journal = false;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--journal") {
      journal = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "floor: unknown option %s\nusage: floor [--journal] PATH...\n", argv[i]);
      return 2;
    } else {
      paths.emplace_back(argument);
    }
  }
  if (paths.empty()) {
    std::fputs("usage: floor [--journal] PATH...\n", stderr);
    return 2;
  }

  Totals totals;
  Buffer buffer;
  for (const std::string& path : paths) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
      Fail(totals, path, "stat");
    } else if (S_ISDIR(info.st_mode)) {
      for (const std::string& page : PagesIn(path, totals)) {
        RewritePage(page, journal, buffer, totals);
      }
    } else {
      RewritePage(path, journal, buffer, totals);
    }
  }
  std::printf("floor: %ld pages, %lld bytes rewritten, %ld entries of their _files folders\n",
              totals.pages, totals.bytes, totals.folderEntries);
  return totals.failures == 0 && totals.pages > 0 ? 0 : 1;
}
