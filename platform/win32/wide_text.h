// The program's UTF-8 text as the wide calls of Windows take it, and their
// UTF-16 back, for the Win32 files of the platform layer and the Win32 front
// end. wchar_t is a UTF-16 unit on Windows.
#pragma once

#include <string>

#include "platform/utf16.h"

namespace platform {

inline const wchar_t* AsWide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

inline std::string FromWide(const wchar_t* text) {
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
}

// A UTF-8 text as a NUL-terminated UTF-16 string for one call. Text that is
// no UTF-8 gives an empty string, and ok() false: it names nothing.
class WideText {
 public:
  explicit WideText(std::string_view text) : ok_(Utf8ToUtf16(text, text_)) {
    if (!ok_) text_.clear();
  }
  bool ok() const { return ok_; }
  const wchar_t* get() const { return AsWide(text_.c_str()); }

 private:
  std::u16string text_;
  bool ok_;
};

}  // namespace platform
