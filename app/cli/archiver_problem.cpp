#include "app/cli/archiver_problem.h"

#include "platform/files.h"
#include "platform/system.h"

namespace app::cli {
namespace {

// A key as the user finds it: its name and the file that set it.
std::string KeyIn(const SettingsFiles& files, const char* key) {
  return std::string("\"") + key + "\" in " + SettingSource(files, key);
}

}  // namespace

std::string ArchiverProblem(const job::ArchiverSettings& settings, const SettingsFiles& files) {
  if (settings.program.empty()) return "\"Arc\" is not set, so no archiver is named";
  if (settings.tooLong == "Arc") {
    return KeyIn(files, "Arc") + " is longer than " + std::to_string(kMaxArcLength) +
           " characters";
  }
  if (settings.tooLong == "Com") {
    return KeyIn(files, "Com") + " is longer than " + std::to_string(kMaxComLength) +
           " characters";
  }
  if (!job::IsAcceptedFormat(settings.format)) {
    return KeyIn(files, "Com") +
           " is refused: it may hold \"%s\" three times at most, \"%%\", and no other \"%\"";
  }
  const std::string arc = KeyIn(files, "Arc") + " is " + settings.program;
  switch (platform::Files().Kind(settings.program.c_str())) {
    case platform::PathKind::Missing:
      return arc + ", which does not exist";
    case platform::PathKind::Folder:
      return arc + ", which is a folder";
    case platform::PathKind::File:
      break;
  }
  if (!platform::ThisProcess().IsProgramFile(settings.program.c_str())) {
    return arc + ", which is not an executable file";
  }
  return arc + ", which the system did not start, or a page's names made its arguments too long";
}

}  // namespace app::cli
