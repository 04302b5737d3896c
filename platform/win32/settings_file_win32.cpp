#include <windows.h>

#include <string>
#include <vector>

#include "platform/settings_file.h"
#include "platform/utf16.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// The bytes the system read a value from, where it read them in the ANSI
// code page; empty when a character has no byte of its own there (or the
// ANSI code page is UTF-8, which the system reads as such).
std::string AnsiBytes(const std::wstring& value) {
  const auto length = static_cast<int>(value.size());
  BOOL lacking = FALSE;
  const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, value.c_str(), length,
                                         nullptr, 0, nullptr, &lacking);
  if (needed <= 0 || lacking) return std::string();
  std::string bytes(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, value.c_str(), length, bytes.data(), needed,
                      nullptr, nullptr);
  return bytes;
}

// A value as the program's UTF-8. The profile functions read a file without
// a byte-order mark in the ANSI code page, as velkor.ini has always been
// written, and one with the UTF-16 mark as Unicode. A file saved in UTF-8
// without a mark (as Notepad saves by default) is read as ANSI text too:
// a value whose bytes are then well-formed UTF-8 with a character beyond
// ASCII was written in UTF-8, since ANSI text practically never is.
std::string ProgramText(const std::wstring& value) {
  const std::string bytes = AnsiBytes(value);
  std::u16string unused;
  for (const char byte : bytes) {
    if (static_cast<unsigned char>(byte) >= 0x80) {
      if (Utf8ToUtf16(bytes, unused)) return bytes;
      break;
    }
  }
  return FromWide(value.c_str());
}

// The profile functions look for a file without a folder in the Windows
// folder: callers pass full paths.
class ProfileFunctions final : public SettingsStore {
 public:
  std::string ReadString(const char* file, const char* section, const char* key,
                         const char* fallback, size_t capacity) override {
    if (capacity == 0) return std::string();
    const auto room = static_cast<DWORD>(capacity > MAXDWORD ? MAXDWORD : capacity);
    std::wstring buffer(room, L'\0');
    const DWORD length =
        GetPrivateProfileStringW(WideText(section).get(), WideText(key).get(),
                                 WideText(fallback).get(), buffer.data(), room,
                                 WideText(file).get());
    buffer.resize(length);
    return ProgramText(buffer);
  }

  int ReadInt(const char* file, const char* section, const char* key, int fallback) override {
    return static_cast<int>(GetPrivateProfileIntW(WideText(section).get(), WideText(key).get(),
                                                  fallback, WideText(file).get()));
  }

  bool WriteString(const char* file, const char* section, const char* key,
                   const char* value) override {
    return WritePrivateProfileStringW(WideText(section).get(), WideText(key).get(),
                                      WideText(value).get(), WideText(file).get()) != FALSE;
  }
};

}  // namespace

SettingsStore& NativeSettings() {
  static ProfileFunctions settings;
  return settings;
}

}  // namespace platform
