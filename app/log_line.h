// The line the log shows for one finished job; shared by every front end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace app {

// Room of a log line, terminator included; a longer name is cut from its
// front, never the outcome in brackets.
inline constexpr size_t kLogLineCapacity = 1024;

// "name [Ok]" for status 0, "name [Ошибка: N]" for an archiver's exit
// code N, "name [what happened]" for a page that could not be done, for an
// archiver ended for its time or by an interrupt, and for an entry the
// intake refused (its path for the name), and a hint without the name for a
// job with nothing to do (-2) or an archiver that could not be started
// (-1). UTF-8, as all of the program's text.
std::string LogLine(int32_t status, const char* name);

}  // namespace app
