#include "app/settings.h"

#include <string>

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
  char path[kSettingsPathCapacity];
  if (!platform::CopyText(path, sizeof path, userFolder.c_str()) ||
      !platform::AppendPath(path, sizeof path, "velkor") ||
      !platform::AppendPath(path, sizeof path, "velkor.ini")) {
    return {};
  }
  return path;
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

job::ArchiverSettings ReadArchiverSettings(const std::string& file) {
  job::ArchiverSettings settings;
  settings.format = ReadString(file, "Com");
  settings.program = ReadString(file, "Arc");
  // Counted as the system counts characters: on Windows a letter beyond
  // ASCII is one, as it was in the ANSI code page, not its bytes of UTF-8.
  if (platform::PathLength(settings.format) > kMaxComLength) {
    settings.tooLong = "Com";
  } else if (platform::PathLength(settings.program) > kMaxArcLength) {
    settings.tooLong = "Arc";
  }
  settings.hidden = ReadInt(file, "Hidden", 1);
  return settings;
}

job::JobSettings ReadJobSettings(const std::string& file) {
  job::JobSettings settings;
  settings.archiver = ReadArchiverSettings(file);
  settings.sync = ReadInt(file, "Sync", 1) != 0;
  return settings;
}

WindowSettings ReadWindowSettings(const std::string& file) {
  WindowSettings window;
  window.posX = PositionOrDefault(ReadInt(file, "PosX", 2));
  window.posY = PositionOrDefault(ReadInt(file, "PosY", 2));
  window.archive = ReadInt(file, "bArc", 1) != 0;
  window.fix = ReadInt(file, "bMSIE", 1) != 0;
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
