// Why the archiver could not be started, in words for the user of the
// command line: each page's log line only asks to set the archiver up.
#pragma once

#include <string>

#include "app/settings.h"
#include "job/archiver.h"

namespace app::cli {

// What keeps the archiver of `settings`, read from `files`, from starting:
// "Arc" not set, too long, or naming no executable file; "Com" too long or
// refused. When none of these, the start itself failed (the system refused
// the program, or a page's names made its arguments too long), which is
// said too.
std::string ArchiverProblem(const job::ArchiverSettings& settings, const SettingsFiles& files);

}  // namespace app::cli
