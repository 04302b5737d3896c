// The line the log shows for one finished job; shared by every front end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// Room of a log line, terminator included; a longer name is cut from its
// front, never the outcome in brackets.
inline constexpr size_t kLogLineCapacity = 1024;

// "name [Ok]" for status 0, "name [Ошибка: N]" for an archiver's exit
// code N, "name [what happened]" for a page that could not be done, for an
// archiver ended for its time or by an interrupt, and for an entry the
// intake refused (its path for the name), and a hint without the name for a
// job with nothing to do (-2) or an archiver that could not be started
// (-1). UTF-8, as all of the program's text. The name shown through
// ShownName.
std::string LogLine(int32_t status, const char* name);

// A file's name as a line shows it: as it is, unless it holds a control
// character (a line break would print a line of its own, an escape sequence
// could redraw the terminal) or begins or ends with a blank, which a reader
// would not see. Such a name is quoted as GNU tools quote one: in single
// quotes, each run of control characters outside them as $'\n' or
// $'\033', and a single quote as \'. So "a<LF>b.htm" shows as
// 'a'$'\n''b.htm' and " x.htm" as ' x.htm'. Text in UTF-8 has its C1
// controls (U+0080 to U+009F) quoted too.
std::string ShownName(std::string_view name);

}  // namespace app
