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

}  // namespace

// Makes `change` to the names of a folder.
void PowerLossFiles::Apply(const NameChange& change, std::map<std::string, int>& names) {
  if (change.to.empty()) {
    if (change.id < 0) {
      names.erase(change.name);
    } else {
      names[change.name] = change.id;
    }
  } else if (const auto from = names.find(change.name); from != names.end()) {
    names[change.to] = from->second;
    names.erase(from);
  }
}

void PowerLossFiles::Apply(const Change& change, std::string& bytes) {
  if (change.resize) {
    bytes.resize(change.at, '\0');
  } else {
    WriteInto(bytes, change.at, change.bytes);
  }
}

// The open file: the real one, and what it does told to the model.
class RecordingFile final : public ForwardingFile {
 public:
  RecordingFile(PowerLossFiles& owner, PowerLossFiles::File& file,
                std::unique_ptr<platform::ExclusiveFile> inner)
      : ForwardingFile(std::move(inner)), owner_(owner), file_(file) {}

  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    const int64_t written = inner_->WriteAt(offset, from, count);
    if (written > 0) {
      file_.since.push_back({false, offset, std::string(from, static_cast<size_t>(written))});
    }
    owner_.Snapshot();
    return written;
  }
  bool Truncate(uint64_t length) override {
    uint64_t size = 0;
    const bool known = inner_->Size(size);
    const bool done = inner_->Truncate(length);
    // A cut to the length the file has changes nothing a power cut could lose.
    if (done && (!known || size != length)) file_.since.push_back({true, length, {}});
    owner_.Snapshot();
    return done;
  }
  bool Flush() override {
    const bool done = inner_->Flush();
    if (done) {
      for (const PowerLossFiles::Change& change : file_.since) owner_.Apply(change, file_.flushed);
      file_.since.clear();
    }
    owner_.Snapshot();
    return done;
  }
  bool SetPermissions(uint32_t permissions) override {
    const bool done = inner_->SetPermissions(permissions);
    if (done) file_.permissions = permissions | 0600;
    owner_.Snapshot();
    return done;
  }

 private:
  PowerLossFiles& owner_;
  PowerLossFiles::File& file_;
};

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

// A file opened or created under the root tells the model what it does.
std::unique_ptr<platform::ExclusiveFile> PowerLossFiles::Wrap(
    std::unique_ptr<platform::ExclusiveFile> file, const char* path) {
  const auto known = live_.find(path);
  if (!file || known == live_.end()) return file;
  return std::make_unique<RecordingFile>(*this, disk_.files[known->second], std::move(file));
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
  return Wrap(std::move(file), path);
}

bool PowerLossFiles::FlushFolderOf(const char* path) {
  const bool done = inner_.FlushFolderOf(path);
  if (done) {
    Folder& folder = FolderOf(path);
    for (const NameChange& change : folder.since) Apply(change, folder.flushed);
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

bool PowerLossFiles::Renamed(bool done, const char* from, const char* to) {
  const auto known = live_.find(from);
  if (done && known != live_.end()) {
    const int id = known->second;
    live_.erase(known);
    live_[to] = id;
    // Velkor renames within a folder only.
    FolderOf(from).since.push_back({NameOf(from), NameOf(to), id});
  }
  Snapshot();
  return done;
}

bool PowerLossFiles::RenameNoReplace(const char* from, const char* to) {
  return Renamed(inner_.RenameNoReplace(from, to), from, to);
}

bool PowerLossFiles::RenameReplacing(const char* from, const char* to) {
  return Renamed(inner_.RenameReplacing(from, to), from, to);
}

void PowerLossFiles::ForEachCut(uint32_t patterns,
                                const std::function<void(const std::string&)>& check) const {
  for (size_t point = 0; point < snapshots_.size(); ++point) {
    for (uint32_t pattern = 0; pattern < patterns; ++pattern) {
      const uint32_t seed = static_cast<uint32_t>(point * 1000 + pattern);
      CutPower(snapshots_[point], pattern, seed);
      check("cut after change " + std::to_string(point) + ", loss pattern " +
            std::to_string(pattern) + " (seed " + std::to_string(seed) + ")");
    }
  }
}

void PowerLossFiles::CutPower(const Disk& disk, uint32_t pattern, uint32_t seed) const {
  std::mt19937 draw(seed);
  // 0: kept, 1: lost, 2: torn; pattern 0 keeps everything, 1 loses it.
  const auto fate = [&](int choices) {
    return pattern < 2 ? static_cast<int>(pattern)
                       : static_cast<int>(draw() % static_cast<unsigned>(choices));
  };
  for (const auto& entry : fs::directory_iterator(root_)) fs::remove_all(entry.path());
  for (const auto& [path, folder] : disk.folders) {
    fs::create_directories(path);
    std::map<std::string, int> names = folder.flushed;
    for (const NameChange& change : folder.since) {
      if (fate(2) == 0) Apply(change, names);
    }
    for (const auto& [name, id] : names) {
      const File& file = disk.files.at(id);
      std::string bytes = file.flushed;
      for (const Change& change : file.since) {
        const int what = fate(change.resize ? 2 : 3);
        if (what == 0) Apply(change, bytes);
        if (what < 2) continue;
        // Torn: the sectors from its start up to one of the sector
        // boundaries inside it reached the disk; none inside, none did.
        const size_t first = change.at / kSector + 1;
        const size_t last = (change.at + change.bytes.size() - 1) / kSector;
        if (first > last) continue;
        const size_t boundary = (first + draw() % (last - first + 1)) * kSector;
        WriteInto(bytes, change.at, std::string_view(change.bytes).substr(0, boundary - change.at));
      }
      const std::string target = (fs::path(path) / name).string();
      std::ofstream(target, std::ios::binary).write(bytes.data(), std::ssize(bytes));
      fs::permissions(target, static_cast<fs::perms>(file.permissions));
    }
  }
}

}  // namespace testsupport
