#include <windows.h>

#include <algorithm>

#include "platform/files.h"

namespace platform {
namespace {

// Largest transfer asked of one ReadFile or WriteFile; the loops go on.
constexpr size_t kMaxChunk = DWORD{1} << 30;

bool SeekTo(HANDLE handle, uint64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != FALSE;
}

class Win32File final : public ExclusiveFile {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { CloseHandle(handle_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  bool Size(uint64_t& size) override {
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(handle_, &fileSize) || fileSize.QuadPart < 0) return false;
    size = static_cast<uint64_t>(fileSize.QuadPart);
    return true;
  }

  int64_t ReadFromStart(char* into, size_t count) override {
    if (!SeekTo(handle_, 0)) return -1;
    size_t done = 0;
    while (done < count) {
      DWORD got = 0;
      const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
      if (!ReadFile(handle_, into + done, chunk, &got, nullptr)) return -1;
      if (got == 0) break;
      done += got;
    }
    return static_cast<int64_t>(done);
  }

  int64_t WriteFromStart(const char* from, size_t count) override {
    if (!SeekTo(handle_, 0)) return -1;
    size_t done = 0;
    while (done < count) {
      DWORD put = 0;
      const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
      if (!WriteFile(handle_, from + done, chunk, &put, nullptr)) {
        return done == 0 ? -1 : static_cast<int64_t>(done);
      }
      if (put == 0) break;
      done += put;
    }
    return static_cast<int64_t>(done);
  }

  bool Truncate(uint64_t length) override {
    return SeekTo(handle_, length) && SetEndOfFile(handle_) != FALSE;
  }

 private:
  HANDLE handle_;
};

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<ExclusiveFile> OpenExclusive(const char* path) override {
    // Windows itself refuses to open a read-only file for writing; Wine run
    // as root does not, since it leaves that to the Unix permissions.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return nullptr;
    }
    // Share mode 0: no other opener, in any process, until this one closes.
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(handle);
  }

  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    // The system lists "." and ".." first in every folder but a drive's root.
    do {
      if (!visit(entry.cFileName)) break;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return true;
  }

  PathKind Kind(const char* path) override {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::File;
  }

  bool RemoveFile(const char* path) override { return DeleteFileA(path) != FALSE; }

  // MoveFileA never replaces an existing file.
  bool RenameNoReplace(const char* from, const char* to) override {
    return MoveFileA(from, to) != FALSE;
  }
};

}  // namespace

FileSystem& NativeFiles() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform
