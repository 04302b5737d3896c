#include <windows.h>

#include <new>

#include "platform/codepage.h"
#include "platform/win32/ansi_text.h"

namespace platform {

unsigned AnsiCodePage() { return GetACP(); }

bool AnsiToUtf16(const char* text, std::vector<char16_t>& units) {
  const UINT codePage = GetACP();
  const int needed = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (needed <= 0) return false;
  try {
    units.assign(static_cast<size_t>(needed), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return MultiByteToWideChar(codePage, 0, text, -1, reinterpret_cast<wchar_t*>(units.data()),
                             needed) == needed;
}

bool Utf16UnitToCodePage(unsigned codePage, char16_t unit, char& out, bool& usedDefault) {
  const auto wide = static_cast<wchar_t>(unit);
  char byte = 0;
  BOOL defaulted = FALSE;
  if (WideCharToMultiByte(codePage, 0, &wide, 1, &byte, 1, " ", &defaulted) == 0) return false;
  out = byte;
  usedDefault = defaulted != FALSE;
  return true;
}

bool WideToAnsi(const wchar_t* wide, std::string& ansi) {
  const UINT codePage = GetACP();
  // UTF-8 holds every character; the system refuses the flag and the
  // default character for it.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* const lacking = utf8 ? nullptr : "?";
  BOOL defaulted = FALSE;
  BOOL* const told = utf8 ? nullptr : &defaulted;
  const int needed = WideCharToMultiByte(codePage, flags, wide, -1, nullptr, 0, lacking, told);
  if (needed <= 0) {
    ansi.assign(1, '?');
    return false;
  }
  ansi.assign(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, flags, wide, -1, ansi.data(), needed, lacking, told);
  ansi.resize(static_cast<size_t>(needed) - 1);
  return defaulted == FALSE;
}

}  // namespace platform
