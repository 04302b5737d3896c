#include "tests/support/power_loss_files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "tests/support/temp_folder.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

constexpr size_t kSector = 512;

std::string ParentOf(const std::string& path) { return fs::path(path).parent_path().string(); }
std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

void WriteInto(std::string& bytes, size_t at, std::string_view written) {
  if (bytes.size() < at + written.size()) bytes.resize(at + written.size(), '\0');
  bytes.replace(at, written.size(), written);
}

// The open file: the real one, and what it does told to the model.
class RecordingFile final : public ForwardingFile {
 public:
  RecordingFile(PowerLossFiles& owner, int id, std::unique_ptr<platform::ExclusiveFile> inner)
      : ForwardingFile(std::move(inner)), owner_(owner), id_(id) {}

  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    const int64_t written = inner_->WriteAt(offset, from, count);
    owner_.Written(id_, offset, std::string(from, written > 0 ? static_cast<size_t>(written) : 0));
    return written;
  }
  bool Truncate(uint64_t length) override {
    uint64_t size = 0;
    const bool known = inner_->Size(size);
    const bool done = inner_->Truncate(length);
    // A cut to the length the file has changes nothing a power cut could lose.
    owner_.Resized(id_, length, done && (!known || size != length));
    return done;
  }
  bool Flush() override {
    const bool done = inner_->Flush();
    if (done) owner_.Flushed(id_);
    return done;
  }
  bool SetPermissions(uint32_t permissions) override {
    const bool done = inner_->SetPermissions(permissions);
    owner_.PermissionsSet(id_, permissions | 0600, done);
    return done;
  }

 private:
  PowerLossFiles& owner_;
  int id_;
};

}  // namespace

PowerLossFiles::PowerLossFiles(const std::string& root) : root_(root) {
  disk_.folders[root_];
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    const std::string path = entry.path().string();
    if (entry.is_directory()) {
      disk_.folders[path];
    } else if (entry.is_regular_file()) {
      File& file = disk_.files[nextId_];
      file.flushed = ReadFile(path);
      file.permissions = static_cast<uint32_t>(entry.status().permissions() & fs::perms::all);
      FolderOf(path).flushed[NameOf(path)] = nextId_;
      live_[path] = nextId_++;
    }
  }
  Snapshot();
}

PowerLossFiles::Folder& PowerLossFiles::FolderOf(const std::string& path) {
  return disk_.folders[ParentOf(path)];
}

std::unique_ptr<platform::ExclusiveFile> PowerLossFiles::OpenExclusive(
    const char* path, platform::FileError& error) {
  std::unique_ptr<platform::ExclusiveFile> file = inner_.OpenExclusive(path, error);
  const auto known = live_.find(path);
  if (!file || known == live_.end()) return file;
  return std::make_unique<RecordingFile>(*this, known->second, std::move(file));
}

std::unique_ptr<platform::ExclusiveFile> PowerLossFiles::CreateExclusive(
    const char* path, platform::FileError& error) {
  std::unique_ptr<platform::ExclusiveFile> file = inner_.CreateExclusive(path, error);
  if (!file) return nullptr;
  const int id = nextId_++;
  disk_.files[id];
  live_[path] = id;
  FolderOf(path).since.push_back({NameOf(path), "", id});
  Snapshot();
  return std::make_unique<RecordingFile>(*this, id, std::move(file));
}

void PowerLossFiles::Written(int id, uint64_t offset, std::string bytes) {
  if (!bytes.empty()) {
    disk_.files[id].since.push_back({false, static_cast<size_t>(offset), std::move(bytes)});
  }
  Snapshot();
}

void PowerLossFiles::Resized(int id, uint64_t size, bool changed) {
  if (changed) disk_.files[id].since.push_back({true, static_cast<size_t>(size), {}});
  Snapshot();
}

void PowerLossFiles::Flushed(int id) {
  File& file = disk_.files[id];
  for (const Change& change : file.since) {
    if (change.resize) {
      file.flushed.resize(change.at, '\0');
    } else {
      WriteInto(file.flushed, change.at, change.bytes);
    }
  }
  file.since.clear();
  Snapshot();
}

void PowerLossFiles::PermissionsSet(int id, uint32_t permissions, bool done) {
  if (done) disk_.files[id].permissions = permissions;
  Snapshot();
}

bool PowerLossFiles::FlushFolderOf(const char* path) {
  const bool done = inner_.FlushFolderOf(path);
  if (done) {
    Folder& folder = FolderOf(path);
    for (const NameChange& change : folder.since) {
      if (!change.to.empty()) {
        folder.flushed[change.to] = folder.flushed[change.name];
        folder.flushed.erase(change.name);
      } else if (change.id < 0) {
        folder.flushed.erase(change.name);
      } else {
        folder.flushed[change.name] = change.id;
      }
    }
    folder.since.clear();
  }
  Snapshot();
  return done;
}

bool PowerLossFiles::RemoveFile(const char* path) {
  const bool done = inner_.RemoveFile(path);
  if (done && live_.erase(path) > 0) FolderOf(path).since.push_back({NameOf(path), "", -1});
  Snapshot();
  return done;
}

void PowerLossFiles::Renamed(const char* from, const char* to) {
  const auto known = live_.find(from);
  if (known != live_.end()) {
    const int id = known->second;
    live_.erase(known);
    live_[to] = id;
    // Velkor renames within a folder only.
    FolderOf(from).since.push_back({NameOf(from), NameOf(to), id});
  }
  Snapshot();
}

bool PowerLossFiles::RenameNoReplace(const char* from, const char* to) {
  const bool done = inner_.RenameNoReplace(from, to);
  done ? Renamed(from, to) : Snapshot();
  return done;
}

bool PowerLossFiles::RenameReplacing(const char* from, const char* to) {
  const bool done = inner_.RenameReplacing(from, to);
  done ? Renamed(from, to) : Snapshot();
  return done;
}

void PowerLossFiles::CutPower(size_t point, Loss loss, uint32_t seed) const {
  const Disk& disk = snapshots_.at(point);
  std::mt19937 draw(seed);
  // 0: kept, 1: lost, 2: torn.
  const auto fate = [&](int choices) {
    if (loss == Loss::KeepAll) return 0;
    if (loss == Loss::LoseAll) return 1;
    return static_cast<int>(draw() % static_cast<unsigned>(choices));
  };
  for (const auto& entry : fs::directory_iterator(root_)) fs::remove_all(entry.path());
  for (const auto& [path, folder] : disk.folders) {
    fs::create_directories(path);
    std::map<std::string, int> names = folder.flushed;
    for (const NameChange& change : folder.since) {
      if (fate(2) != 0) continue;
      if (!change.to.empty()) {
        const auto from = names.find(change.name);
        if (from == names.end()) continue;
        names[change.to] = from->second;
        names.erase(change.name);
      } else if (change.id < 0) {
        names.erase(change.name);
      } else {
        names[change.name] = change.id;
      }
    }
    for (const auto& [name, id] : names) {
      const File& file = disk.files.at(id);
      std::string bytes = file.flushed;
      for (const Change& change : file.since) {
        const int what = fate(change.resize ? 2 : 3);
        if (what == 1) continue;
        if (change.resize) {
          bytes.resize(change.at, '\0');
          continue;
        }
        std::string_view written = change.bytes;
        if (what == 2) {
          // Torn: the sectors from its start up to one of the sector
          // boundaries inside it reached the disk; none inside, none did.
          const size_t first = change.at / kSector + 1;
          const size_t last = (change.at + written.size() - 1) / kSector;
          if (first > last) continue;
          const size_t boundary = (first + draw() % (last - first + 1)) * kSector;
          written = written.substr(0, boundary - change.at);
        }
        WriteInto(bytes, change.at, written);
      }
      const std::string target = (fs::path(path) / name).string();
      std::ofstream(target, std::ios::binary).write(bytes.data(), std::ssize(bytes));
      fs::permissions(target, static_cast<fs::perms>(file.permissions));
    }
  }
}

}  // namespace testsupport
