// File access for everything above the platform layer: one seam, so that
// tests can put a failing implementation in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

enum class PathKind { Missing, File, Folder };

// An open file that no other opener asking for exclusivity, in this process
// or another, can use until it is closed (on Windows no other opener at all;
// on POSIX the lock keeps out only programs that lock too). Closing happens
// in the destructor.
class ExclusiveFile {
 public:
  virtual ~ExclusiveFile() = default;

  // The file's size in bytes; false when it cannot be read.
  virtual bool Size(uint64_t& size) = 0;
  // Reads up to `count` bytes from offset 0 into `into`. Returns the number
  // of bytes read (fewer only at the end of the file), or -1 on failure.
  virtual int64_t ReadFromStart(char* into, size_t count) = 0;
  // Writes `count` bytes at offset 0. Returns the number written, which is
  // less than `count` when the write stopped part-way, or -1 on failure.
  virtual int64_t WriteFromStart(const char* from, size_t count) = 0;
  // Makes the file end after `length` bytes.
  virtual bool Truncate(uint64_t length) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file for reading and writing, exclusively. Null when
  // it is missing, a folder, not writable, or held by another opener.
  virtual std::unique_ptr<ExclusiveFile> OpenExclusive(const char* path) = 0;

  // Lists the entries of one folder whose names match the last component of
  // `pattern` ("*" and "?" wildcards, letter case ignored); a last component
  // without wildcards finds that one entry. Folders are not entered. As on
  // Windows, every folder but a root lists first its own entry "." and then
  // ".." (its parent), when the pattern matches them. `visit` gets each
  // stored name in turn and returns false to end the search early. Returns
  // false when nothing matched or the folder cannot be read.
  virtual bool FindEntries(const char* pattern,
                           const std::function<bool(const char* name)>& visit) = 0;

  virtual PathKind Kind(const char* path) = 0;

  // Deletes one file; fails for folders and read-only files.
  virtual bool RemoveFile(const char* path) = 0;

  // Renames a file; never replaces an existing file of the new name.
  virtual bool RenameNoReplace(const char* from, const char* to) = 0;
};

// The implementation in use: the native one unless a test has put another
// in its place.
FileSystem& Files();
FileSystem& NativeFiles();

// Puts `replacement` in place of the current implementation for the life of
// this object. Tests only, and never while another thread uses files.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& replacement);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace platform
