#include <windows.h>

#include <new>

#include "platform/codepage.h"

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
  // Never a look-alike ("best fit"): a character the code page lacks is the
  // default blank, on Windows as elsewhere. UTF-8 refuses the flag.
  const UINT actual = codePage == CP_ACP ? GetACP() : codePage;
  const DWORD flags = actual == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  char byte = 0;
  BOOL defaulted = FALSE;
  if (WideCharToMultiByte(codePage, flags, &wide, 1, &byte, 1, " ", &defaulted) == 0) return false;
  out = byte;
  usedDefault = defaulted != FALSE;
  return true;
}

}  // namespace platform
