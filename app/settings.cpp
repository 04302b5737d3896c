#include "app/settings.h"

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/settings_file.h"
#include "platform/system.h"
#include "platform/text.h"

namespace app {
namespace {

constexpr const char* kSection = "Options";
// The archiver's values are read with more room than their fields hold, so
// that one too long is told apart from one that fits.
constexpr size_t kValueCapacity = 4096;

int ReadInt(const std::string& file, const char* key, int fallback) {
  if (file.empty()) return fallback;
  return platform::Settings().ReadInt(file.c_str(), kSection, key, fallback);
}

std::string ReadString(const std::string& file, const char* key) {
  if (file.empty()) return {};
  return platform::Settings().ReadString(file.c_str(), kSection, key, "", kValueCapacity);
}

// A failed write only returns false: the settings are a convenience, and
// the window closes all the same.
bool Write(const std::string& file, const char* key, const std::string& value) {
  if (file.empty()) return true;  // nowhere to store, by choice
  // The user's settings folder need not exist before the first closing.
  const std::string folder(file.c_str(), platform::FindFileName(file.c_str()));
  if (!folder.empty() && !platform::Files().CreateFolders(folder.c_str())) return false;
  return platform::Settings().WriteString(file.c_str(), kSection, key, value.c_str());
}

int PositionOrDefault(int value) { return value < 0 ? 2 : value; }

// The file that gives `key` a value, or null. A single file is read as it
// is, so that alone it behaves exactly as the profile functions do.
const std::string* Source(const SettingsFiles& files, const char* key) {
  if (files.systemWide.empty() || !ReadString(files.user, key).empty()) return &files.user;
  for (const std::string& file : files.systemWide) {
    if (!ReadString(file, key).empty()) return &file;
  }
  return nullptr;
}

int ReadInt(const SettingsFiles& files, const char* key, int fallback) {
  const std::string* source = Source(files, key);
  return source != nullptr ? ReadInt(*source, key, fallback) : fallback;
}

std::string ReadString(const SettingsFiles& files, const char* key) {
  const std::string* source = Source(files, key);
  return source != nullptr ? ReadString(*source, key) : std::string();
}

std::string SettingsPathIn(const std::string& folder) {
  char path[kSettingsPathCapacity];
  if (!platform::CopyText(path, sizeof path, folder.c_str()) ||
      !platform::AppendPath(path, sizeof path, "velkor") ||
      !platform::AppendPath(path, sizeof path, "velkor.ini")) {
    return {};
  }
  return path;
}

}  // namespace

std::string SettingsPathBeside(const char* executablePath) {
  // Its room counts characters as the system does; each takes at most three
  // bytes of UTF-8.
  char path[3 * kSettingsPathCapacity];
  if (!platform::CopyText(path, sizeof path, executablePath)) return {};
  *platform::FindFileName(path) = '\0';
  if (!platform::AppendPath(path, sizeof path, "velkor.ini") ||
      platform::PathLength(path) >= kSettingsPathCapacity) {
    return {};
  }
  return path;
}

std::string DefaultSettingsPath() {
  const std::string userFolder = platform::ThisProcess().UserSettingsFolder();
  if (userFolder.empty())
    return SettingsPathBeside(platform::ThisProcess().ExecutablePath().c_str());
  return SettingsPathIn(userFolder);
}

SettingsFiles DefaultSettingsFiles() {
  SettingsFiles files(DefaultSettingsPath());
  for (const std::string& folder : platform::ThisProcess().SystemSettingsFolders()) {
    // One too long to name is left out, as a folder that holds no file is.
    std::string file = SettingsPathIn(folder);
    if (!file.empty()) files.systemWide.push_back(std::move(file));
  }
  return files;
}

std::string SettingSource(const SettingsFiles& files, const char* key) {
  const std::string* source = Source(files, key);
  return source != nullptr && !ReadString(*source, key).empty() ? *source : std::string();
}

std::string DescribeSettingsFiles(const SettingsFiles& files) {
  std::string described;
  const auto add = [&described](const std::string& text) {
    described += described.empty() ? "" : ", ";
    described += text;
  };
  if (!files.user.empty()) {
    const bool exists = platform::Files().Kind(files.user.c_str()) == platform::PathKind::File;
    add(files.user + (exists ? "" : " (not there)"));
  }
  for (const std::string& file : files.systemWide) {
    if (platform::Files().Kind(file.c_str()) == platform::PathKind::File) add(file);
  }
  return described.empty() ? "none" : described;
}

SettingsRefusal FindSettingsRefusal(const SettingsFiles& files) {
  std::vector<std::string> all = files.systemWide;
  if (!files.user.empty()) all.insert(all.begin(), files.user);
  for (const std::string& file : all) {
    const platform::SettingsFileState state = platform::CheckSettingsFile(file.c_str());
    if (state != platform::SettingsFileState::Missing &&
        state != platform::SettingsFileState::Readable) {
      return {file, state};
    }
  }
  return {};
}

std::string SettingsFilesRefusal(const SettingsFiles& files) {
  const SettingsRefusal refusal = FindSettingsRefusal(files);
  switch (refusal.state) {
    case platform::SettingsFileState::Missing:
    case platform::SettingsFileState::Readable:
      return {};
    case platform::SettingsFileState::NotAFile:
      return "the settings file " + refusal.file + " is not a regular file";
    case platform::SettingsFileState::TooLarge:
      return "the settings file " + refusal.file + " is larger than 1 MB";
    case platform::SettingsFileState::Unreadable:
      return "the settings file " + refusal.file + " cannot be read";
  }
  return {};
}

std::string UnreadSettingsBesideProgram() {
  if (platform::ThisProcess().UserSettingsFolder().empty()) return {};
  const std::string beside = SettingsPathBeside(platform::ThisProcess().ExecutablePath().c_str());
  if (beside.empty() || platform::Files().Kind(beside.c_str()) != platform::PathKind::File ||
      platform::Files().Kind(DefaultSettingsPath().c_str()) != platform::PathKind::Missing) {
    return {};
  }
  return beside;
}

job::ArchiverSettings ReadArchiverSettings(const SettingsFiles& files) {
  job::ArchiverSettings settings;
  settings.format = ReadString(files, "Com");
  settings.program = ReadString(files, "Arc");
  // Counted as the system counts characters: on Windows a letter beyond
  // ASCII is one, as it was in the ANSI code page, not its bytes of UTF-8.
  if (platform::PathLength(settings.format) > kMaxComLength) {
    settings.tooLong = "Com";
  } else if (platform::PathLength(settings.program) > kMaxArcLength) {
    settings.tooLong = "Arc";
  }
  settings.hidden = ReadInt(files, "Hidden", 1);
  return settings;
}

job::JobSettings ReadJobSettings(const SettingsFiles& files) {
  job::JobSettings settings;
  settings.archiver = ReadArchiverSettings(files);
  settings.sync = ReadInt(files, "Sync", 1) != 0;
  return settings;
}

WindowSettings ReadWindowSettings(const SettingsFiles& files) {
  WindowSettings window;
  window.posX = PositionOrDefault(ReadInt(files, "PosX", 2));
  window.posY = PositionOrDefault(ReadInt(files, "PosY", 2));
  window.archive = ReadInt(files, "bArc", 1) != 0;
  window.fix = ReadInt(files, "bMSIE", 1) != 0;
  return window;
}

bool WriteWindowPosition(const std::string& file, int x, int y) {
  const bool xWritten = Write(file, "PosX", std::to_string(x));
  return Write(file, "PosY", std::to_string(y)) && xWritten;
}

bool WriteOptionBoxes(const std::string& file, bool archive, bool fix) {
  const bool archiveWritten = Write(file, "bArc", archive ? "1" : "0");
  return Write(file, "bMSIE", fix ? "1" : "0") && archiveWritten;
}

}  // namespace app
