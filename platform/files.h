// File access for everything above the platform layer: one seam, so that
// tests can put a failing implementation in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/service.h"

namespace platform {

enum class PathKind { Missing, File, Folder };

// Why a file could not be opened or created.
enum class FileError {
  None,
  Missing,   // nothing of that name
  NotAFile,  // a folder, a device, a pipe, or a link that leads nowhere
  Linked,    // a symbolic link or a junction, which may lead anywhere: not followed
  Busy,      // held by another opener, or under another program's record lock
  ReadOnly,  // marked read-only
  Exists,    // a file to be created is there already
  Denied,    // the system refuses access
  Failed,    // any other reason (a full disk, a name too long...)
};

// What tells one state of a file from another without reading it: a writer
// that changes the file changes at least one of these.
struct FileStamp {
  uint64_t size = 0;
  int64_t modified = 0;  // last write, in the system's own ticks
  int64_t changed = 0;   // last change of contents or attributes, where kept
  uint32_t permissions = 0;  // the POSIX mode bits (rwx for owner, group, others); 0 on Windows
  bool operator==(const FileStamp&) const = default;
};

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
  // Writes `count` bytes at `offset`. Returns the number written, which is
  // less than `count` when the write stopped part-way, or -1 on failure.
  virtual int64_t WriteAt(uint64_t offset, const char* from, size_t count) = 0;
  // Writes `first` and right after it `second` at `offset`, as WriteAt would
  // write one and then the other, in one call where the system has a
  // gather write. Returns the number written in all, or -1 when the first
  // write failed. Built on WriteAt here, so that a file that stands in for
  // another and watches its writes sees these too.
  virtual int64_t WriteTwoAt(uint64_t offset, std::string_view first, std::string_view second);
  // Makes the file end after `length` bytes.
  virtual bool Truncate(uint64_t length) = 0;
  // Puts what was written so far on the disk itself, so that it survives a
  // power cut; returns once it is there.
  virtual bool Flush() = 0;
  // The file's stamp as it stands now; false when it cannot be read.
  virtual bool Stamp(FileStamp& stamp) = 0;
  // The stamp the open took of the file, where it took one and nothing has
  // been written through this file since (a writer that does not ask for
  // exclusivity may have changed it: only a check before writing, which
  // asks Stamp, can tell); otherwise Stamp. It saves asking the system
  // again for the stamp that goes with the file's first read.
  virtual bool OpenedStamp(FileStamp& stamp) { return Stamp(stamp); }
  // Gives the file the mode bits of a stamp, so that a copy is as private as
  // what it copies (its owner keeps reading and writing it). Nothing to do
  // on Windows, where a new file takes its folder's access rules.
  virtual bool SetPermissions(uint32_t permissions) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing regular file for reading and writing, exclusively.
  // A last component that is a symbolic link or a junction is not followed
  // (Linked; NotAFile when it leads nowhere). Null, with `error` telling why,
  // when it is missing, not a regular file, read-only, held by another
  // opener or under another program's lock.
  virtual std::unique_ptr<ExclusiveFile> OpenExclusive(const char* path, FileError& error) = 0;

  // Creates a new, empty file for reading and writing, exclusively (where
  // files have modes, open to its owner alone until SetPermissions says
  // otherwise); never opens or replaces one that exists (`error` is then
  // Exists).
  virtual std::unique_ptr<ExclusiveFile> CreateExclusive(const char* path, FileError& error) = 0;

  // Puts the folder holding `path` on the disk itself, so that files just
  // created or removed there stay so after a power cut. True where the
  // system keeps folders safe by itself.
  virtual bool FlushFolderOf(const char* path) = 0;

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

  // The name under which the last component of `path` is stored, as its
  // folder lists it; empty when there is none. Where names ignore letter
  // case and may be given in a short 8.3 form (Windows), the entry a search
  // for the component finds first: its long name in its stored case, or,
  // for a component with wildcards, the first match ("." for the folder
  // itself in any folder but a root). Where names are exact bytes (POSIX),
  // a component without wildcards is its own stored name, found or not: no
  // lookup is made, since one blind to letter case could find another file.
  virtual std::string StoredName(const char* path) = 0;

  // True when `path` itself is a symbolic link, a junction or any other
  // reparse point, whatever it leads to, if anywhere.
  virtual bool IsLink(const char* path) = 0;

  // Deletes one file; fails for folders and read-only files.
  virtual bool RemoveFile(const char* path) = 0;

  // Renames a file; never replaces an existing file of the new name.
  virtual bool RenameNoReplace(const char* from, const char* to) = 0;

  // Renames a file over `to` in one step: whoever looks finds the old file
  // or the new one under that name, never neither.
  virtual bool RenameReplacing(const char* from, const char* to) = 0;

  // Creates the folder `path` and every missing folder above it; those made
  // are open to their owner alone where the system allows, since they hold
  // a user's settings. True when `path` is a folder afterwards.
  virtual bool CreateFolders(const char* path) = 0;
};

// The first entry that FindEntries gives for `pattern`; empty when none.
std::string FirstEntry(FileSystem& files, const char* pattern);

FileSystem& NativeFiles();
// The implementation in use: the native one unless a test has put another
// in its place with a ScopedFileSystem.
inline FileSystem& Files() { return ServiceSlot<FileSystem>::Get(NativeFiles()); }
using ScopedFileSystem = ScopedService<FileSystem>;

}  // namespace platform
