// A file system over a real folder that also keeps what a power cut would
// leave of it: for every file, the bytes that reached the disk (its last
// flush) and the writes and cuts made since; for every folder, the names
// that reached the disk (its last flush) and the names created, renamed and
// removed since. After each change it takes a snapshot; CutPower puts the
// folder in the state a cut right after one of them leaves. Permissions
// reach the disk at once; folders are not made.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/support/forwarding_files.h"

namespace testsupport {

class PowerLossFiles final : public ForwardingFiles {
 public:
  // Everything under `root` is on the disk as it stands now.
  explicit PowerLossFiles(const std::string& root);

  // What a cut does to what was not flushed.
  enum class Loss {
    KeepAll,  // everything stays: a killed process, whose writes the system keeps
    LoseAll,  // nothing stays
    Drawn,    // each write kept, lost or torn at a 512-byte sector (its start reaching the
              // disk), each change of a folder kept or lost, as the seed draws them
  };

  // Snapshots taken: the first before any change, then one after each.
  size_t cutPoints() const { return snapshots_.size(); }
  // Rewrites the folder as a cut right after snapshot `point` leaves it.
  void CutPower(size_t point, Loss loss, uint32_t seed) const;

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override;
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override;
  bool FlushFolderOf(const char* path) override;
  bool RemoveFile(const char* path) override;
  bool RenameNoReplace(const char* from, const char* to) override;
  bool RenameReplacing(const char* from, const char* to) override;

  // What the file of `id` went through (called by its open file).
  void Written(int id, uint64_t offset, std::string bytes);
  void Resized(int id, uint64_t size, bool changed);
  void Flushed(int id);
  void PermissionsSet(int id, uint32_t permissions, bool done);

 private:
  struct Change {  // to a file's bytes: a write, or a new length when `bytes` is unused
    bool resize = false;
    size_t at = 0;
    std::string bytes;
  };
  struct File {
    std::string flushed;
    std::vector<Change> since;
    uint32_t permissions = 0600;
  };
  struct NameChange {  // an id of -1 removes `name`; `to` renames it
    std::string name, to;
    int id = -1;
  };
  struct Folder {
    std::map<std::string, int> flushed;
    std::vector<NameChange> since;
  };
  struct Disk {
    std::map<int, File> files;
    std::map<std::string, Folder> folders;
  };

  void Snapshot() { snapshots_.push_back(disk_); }
  Folder& FolderOf(const std::string& path);
  void Renamed(const char* from, const char* to);

  std::string root_;
  Disk disk_;
  std::map<std::string, int> live_;  // the id under each path now
  int nextId_ = 0;
  std::vector<Disk> snapshots_;
};

}  // namespace testsupport
