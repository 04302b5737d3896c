// The program's text is UTF-8 on every system; Windows names files, command
// lines and window texts in UTF-16. These convert between the two, for the
// Win32 side of the platform layer and the Win32 front end.
//
// A Windows name may hold a lone surrogate, which no UTF-8 text can: such a
// unit is carried as the three bytes its value would take (as the
// "generalised" UTF-8 of other runtimes does), so that every stored name
// comes back as the name it was and names that file again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The UTF-16 units of `text` and a terminating 0 unit in `out`, which has
// room for `room` units. False, with `out` unspecified, when `text` is not
// UTF-8 in the sense above or does not fit.
bool Utf8ToUtf16(std::string_view text, char16_t* out, size_t room);

// The same into a string, without the terminator (which the string keeps
// behind its end). False when `text` is not UTF-8 or memory runs out.
bool Utf8ToUtf16(std::string_view text, std::u16string& out);

// The UTF-8 of the units of `text` up to its first 0 unit (or its end).
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
