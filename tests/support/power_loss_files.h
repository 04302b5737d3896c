// A file system over a real folder that also keeps what a power cut would
// leave of it: of every file and folder, what its last flush put on the disk
// and the changes made since, in a snapshot after each change. Permissions
// reach the disk at once; folders are not made.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/forwarding_files.h"

namespace testsupport {

class PowerLossFiles final : public ForwardingFiles {
 public:
  // Everything under `root` is on the disk as it stands now.
  explicit PowerLossFiles(const std::string& root);

  // Cuts the power after each snapshot (the first before any change, then
  // one after each) in `patterns` ways: everything unflushed kept (as a kill
  // leaves it), all of it lost, then each write kept, lost or torn at a
  // 512-byte sector (its start reaching the disk) and each change of a folder
  // kept or lost, as a seeded draw has it. `check` gets what the cut was.
  void ForEachCut(uint32_t patterns, const std::function<void(const std::string&)>& check) const;
  size_t cutPoints() const { return snapshots_.size(); }

  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override;
  bool FlushFolderOf(const char* path) override;
  bool RemoveFile(const char* path) override;
  bool RenameNoReplace(const char* from, const char* to) override;
  bool RenameReplacing(const char* from, const char* to) override;

 protected:
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file,
                                                const char* path) override;

 private:
  friend class RecordingFile;  // tells the model what an open file does

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
  void CutPower(const Disk& disk, uint32_t pattern, uint32_t seed) const;
  static void Apply(const Change& change, std::string& bytes);
  static void Apply(const NameChange& change, std::map<std::string, int>& names);
  Folder& FolderOf(const std::string& path);
  bool Renamed(bool done, const char* from, const char* to);

  std::string root_;
  Disk disk_;
  std::map<std::string, int> live_;  // the id under each path now
  int nextId_ = 0;
  std::vector<Disk> snapshots_;
};

}  // namespace testsupport
