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
  char byte = 0;
  BOOL defaulted = FALSE;
  if (WideCharToMultiByte(codePage, 0, &wide, 1, &byte, 1, " ", &defaulted) == 0) return false;
  out = byte;
  usedDefault = defaulted != FALSE;
  return true;
}

}  // namespace platform
