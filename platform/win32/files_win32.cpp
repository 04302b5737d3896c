#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf16.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// Largest transfer asked of one ReadFile or WriteFile; the loops go on.
constexpr size_t kMaxChunk = DWORD{1} << 30;

bool SeekTo(HANDLE handle, uint64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != FALSE;
}

FileError ErrorOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return FileError::Missing;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileError::Exists;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileError::Busy;
    case ERROR_ACCESS_DENIED:
      return FileError::Denied;
    case ERROR_WRITE_PROTECT:
      return FileError::ReadOnly;
    default:
      return FileError::Failed;
  }
}

// A path as the wide calls take it. Those take a full path of any length in
// its extended form, \\?\ before it, where the plain form stops short of
// MAX_PATH characters: a page whose path fits could otherwise have a journal
// whose longer name does not. That form is taken as it stands, without the
// usual clean-up, so only long paths get it. Built on the stack: removing a
// journal must take no memory.
class WideName {
 public:
  explicit WideName(const char* path) {
    const size_t length = PathLength(path);
    const char16_t* prefix = u"";
    const char* rest = path;
    if (length >= MAX_PATH && length > 2 && path[1] == ':' && path[2] == '\\') {
      prefix = u"\\\\?\\";
    } else if (length >= MAX_PATH && path[0] == '\\' && path[1] == '\\' && path[2] != '?' &&
               path[2] != '.') {
      prefix = u"\\\\?\\UNC";  // \\server\share becomes \\?\UNC\server\share
      rest = path + 1;
    }
    const size_t prefixLength = std::char_traits<char16_t>::length(prefix);
    std::char_traits<char16_t>::copy(name_, prefix, prefixLength);
    // A path that does not fit, or is no UTF-8, names nothing, and every
    // call on it fails.
    if (!Utf8ToUtf16(rest, name_ + prefixLength, kRoom - prefixLength)) name_[0] = 0;
  }
  const wchar_t* get() const { return AsWide(name_); }

 private:
  static constexpr size_t kRoom = 4096;
  char16_t name_[kRoom];
};

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

  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    if (!SeekTo(handle_, offset)) return -1;
    return WriteHere(from, count);
  }

  // Writes `count` bytes at the file's current position, as WriteAt does.
  int64_t WriteHere(const char* from, size_t count) {
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

  // Windows' gather write wants unbuffered, page-aligned transfers: the two
  // parts are written one after the other from one seek.
  int64_t WriteTwoAt(uint64_t offset, std::string_view first, std::string_view second) override {
    const int64_t put = WriteAt(offset, first.data(), first.size());
    if (put != static_cast<int64_t>(first.size())) return put;
    const int64_t rest = WriteHere(second.data(), second.size());
    return rest < 0 ? put : put + rest;
  }

  bool Truncate(uint64_t length) override {
    return SeekTo(handle_, length) && SetEndOfFile(handle_) != FALSE;
  }

  bool Flush() override { return FlushFileBuffers(handle_) != FALSE; }

  // Windows keeps no separate change time; the last write time and the size
  // tell every change of contents.
  bool Stamp(FileStamp& stamp) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_, &info)) return false;
    stamp.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    stamp.modified = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                          info.ftLastWriteTime.dwLowDateTime);
    stamp.changed = 0;
    stamp.permissions = 0;
    return true;
  }

  // A new file takes its folder's access rules, as the page beside it did.
  bool SetPermissions(uint32_t) override { return true; }

 private:
  HANDLE handle_;
};

// True for a symbolic link or a junction: a reparse point that stands for
// another name. Other reparse points (a cloud drive's placeholders, a
// deduplicated file) are the file itself; a tag Windows does not tell counts
// as a link.
bool IsNameSurrogate(const wchar_t* path) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(path, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (entry.dwReserved0 == 0 || IsReparseTagNameSurrogate(entry.dwReserved0));
}

// The open file `handle` as an ExclusiveFile; without memory for it the
// file is closed before std::bad_alloc goes on.
std::unique_ptr<ExclusiveFile> Hold(HANDLE handle) {
  Win32File* file = new (std::nothrow) Win32File(handle);
  if (file == nullptr) {
    CloseHandle(handle);
    throw std::bad_alloc();
  }
  return std::unique_ptr<ExclusiveFile>(file);
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<ExclusiveFile> OpenExclusive(const char* path, FileError& error) override {
    const DWORD attributes = GetFileAttributesW(WideName(path).get());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      error = ErrorOf(GetLastError());
      return nullptr;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      error = FileError::NotAFile;
      return nullptr;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLink(path)) {
      error = FileError::Linked;
      return nullptr;
    }
    // Windows itself refuses to open a read-only file for writing; Wine run
    // as root does not, since it leaves that to the Unix permissions.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      error = FileError::ReadOnly;
      return nullptr;
    }
    // Share mode 0: no other opener, in any process, until this one closes.
    HANDLE handle = CreateFileW(WideName(path).get(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = ErrorOf(GetLastError());
      return nullptr;
    }
    // A device or a pipe that answers to a file name is no page.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
      CloseHandle(handle);
      error = FileError::NotAFile;
      return nullptr;
    }
    error = FileError::None;
    return Hold(handle);
  }

  std::unique_ptr<ExclusiveFile> CreateExclusive(const char* path, FileError& error) override {
    HANDLE handle = CreateFileW(WideName(path).get(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = ErrorOf(GetLastError());
      return nullptr;
    }
    error = FileError::None;
    try {
      return Hold(handle);
    } catch (const std::bad_alloc&) {
      DeleteFileW(WideName(path).get());
      throw;
    }
  }

  // NTFS logs the changes of its folders itself; a file flushed with
  // FlushFileBuffers is found under its name after a power cut.
  bool FlushFolderOf(const char*) override { return true; }

  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(WideName(pattern).get(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    // The system lists "." and ".." first in every folder but a drive's root.
    do {
      if (!visit(FromWide(entry.cFileName).c_str())) break;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return true;
  }

  PathKind Kind(const char* path) override {
    const DWORD attributes = GetFileAttributesW(WideName(path).get());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::File;
  }

  // The attributes of a reparse point are its own, never its target's.
  bool IsLink(const char* path) override { return IsNameSurrogate(WideName(path).get()); }

  // A symbolic link is deleted itself, never what it leads to.
  bool RemoveFile(const char* path) override { return DeleteFileW(WideName(path).get()) != FALSE; }

  // The search's first entry: the long name, in its stored letter case.
  std::string StoredName(const char* path) override { return FirstEntry(*this, path); }

  bool CreateFolders(const char* path) override {
    const std::string full = path;
    // Every folder on the way, from the top; a drive or share that cannot be
    // made is simply there, and one that is missing shows in the final test.
    for (size_t end = full.find_first_of("\\/", 1);; end = full.find_first_of("\\/", end + 1)) {
      const std::string folder = full.substr(0, end);
      if (!folder.empty() && Kind(folder.c_str()) == PathKind::Missing) {
        CreateDirectoryW(WideName(folder.c_str()).get(), nullptr);
      }
      if (end == std::string::npos) break;
    }
    return Kind(path) == PathKind::Folder;
  }

  // MoveFileW never replaces an existing file.
  bool RenameNoReplace(const char* from, const char* to) override {
    return MoveFileW(WideName(from).get(), WideName(to).get()) != FALSE;
  }

  bool RenameReplacing(const char* from, const char* to) override {
    return MoveFileExW(WideName(from).get(), WideName(to).get(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
};

}  // namespace

FileSystem& NativeFiles() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform
