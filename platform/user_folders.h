// Where this user's settings live by the system's custom, and the making of
// folders for them.
#pragma once

#include <string>

namespace platform {

// The folder in which this user's programs keep their settings, as a full
// path: the XDG configuration folder ($XDG_CONFIG_HOME when it holds an
// absolute path, else ~/.config). Empty on Windows, where the program,
// unpacked into any folder, keeps its settings beside itself; empty too
// when no home folder is known.
std::string UserSettingsFolder();

// Creates the folder `path` and every missing folder above it; those made
// are open to their owner alone, since they hold a user's settings. True
// when `path` is a folder afterwards.
bool CreateFolders(const char* path);

}  // namespace platform
