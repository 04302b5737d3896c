// The settings file "velkor.ini", section "Options": the archiver's three
// keys, which only the user edits, and the window's four, which the window
// writes back when it closes. Windows keeps the file beside the program;
// Linux in the user's configuration folder, ~/.config/velkor/velkor.ini,
// with the system's defaults beneath it (/etc/xdg/velkor/velkor.ini).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "job/archiver.h"
#include "job/process_job.h"
#include "platform/settings_file.h"

namespace app {

// Room of the settings path, terminator included. This room and the two
// lengths below count characters as the system does (platform::PathLength).
inline constexpr size_t kSettingsPathCapacity = 260;
// The longest "Com" taken: with the blank the Windows command line puts
// before it, and its terminator, it must fit 260 characters.
inline constexpr size_t kMaxComLength = 258;
// The longest "Arc" taken: its field holds 260 characters with the terminator.
inline constexpr size_t kMaxArcLength = 259;

// "velkor.ini" in the folder of `executablePath`; empty when the result
// would not fit its room. An empty settings path means: every key takes its
// default, and nothing is written.
std::string SettingsPathBeside(const char* executablePath);

// The settings path of the running program: "velkor/velkor.ini" in the
// user's settings folder where the system has one, else beside the program.
std::string DefaultSettingsPath();

// Where the settings live in the user's folder, a "velkor.ini" beside the
// program is never read: its path, when there is one and the user's file
// does not exist yet, so that the user can be told; empty otherwise.
std::string UnreadSettingsBesideProgram();

// The files the settings are read from. Each key is taken from the first
// of them that gives it a value (a key left empty counts as not set), so
// that the user's file wins key by key over the system's defaults. Only
// `user` is ever written. A file named by --ini stands alone.
struct SettingsFiles {
  SettingsFiles(std::string userFile = {}, std::vector<std::string> systemFiles = {})
      : user(std::move(userFile)), systemWide(std::move(systemFiles)) {}

  std::string user;  // empty: every key takes its default, nothing is written
  std::vector<std::string> systemWide;  // most important first
};

// The user's file (DefaultSettingsPath) over "velkor/velkor.ini" in each
// of the system's settings folders.
SettingsFiles DefaultSettingsFiles();

// The file that gives `key` its value; empty when none does.
std::string SettingSource(const SettingsFiles& files, const char* key);

// The files as read, for a message: the user's file, marked when it does not
// exist, and each system-wide one that exists.
std::string DescribeSettingsFiles(const SettingsFiles& files);

// The first of `files` that exists and is no regular file, holds more than
// 1 MB or cannot be read, and which of these it is: such a file is never
// read, so its keys take their defaults. State Readable, and no file, when
// each one is readable or missing.
struct SettingsRefusal {
  std::string file;
  platform::SettingsFileState state = platform::SettingsFileState::Readable;
};
SettingsRefusal FindSettingsRefusal(const SettingsFiles& files);

// The same in words, as velkor-cli says it; empty when none is refused.
std::string SettingsFilesRefusal(const SettingsFiles& files);

// "Com" as written, "Arc" and "Hidden" (default 1).
// A "Com" or "Arc" longer than its field holds is named in `tooLong`, never
// cut.
job::ArchiverSettings ReadArchiverSettings(const SettingsFiles& files);

// The archiver's keys and "Sync" (default 1; 0 trades the safety of each
// page's write against a power cut for speed, keeping it against a killed
// program).
job::JobSettings ReadJobSettings(const SettingsFiles& files);

// What the window restores when it opens.
struct WindowSettings {
  int posX = 2;
  int posY = 2;
  bool archive = true;  // "bArc"
  bool fix = true;      // "bMSIE"
};

// "PosX" and "PosY" (default 2; a negative value counts as 2), "bArc" and
// "bMSIE" (default 1; any non-zero value checks the box).
WindowSettings ReadWindowSettings(const SettingsFiles& files);

// Writes "PosX" and then "PosY" as decimal text, keeping the other keys.
// The file and its folder are made when missing. False when a key could not
// be written.
bool WriteWindowPosition(const std::string& file, int x, int y);

// Writes "bArc" and then "bMSIE" as "1" or "0", likewise.
bool WriteOptionBoxes(const std::string& file, bool archive, bool fix);

}  // namespace app
