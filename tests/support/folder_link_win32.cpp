#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "tests/support/folder_link.h"

namespace testsupport {

namespace fs = std::filesystem;

// A junction, as "mklink /j" makes one. Wine 8 refuses FSCTL_SET_REPARSE_POINT (and its
// CreateSymbolicLink makes nothing).
bool MakeFolderLink(const std::string& link, const std::string& target) {
  if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
  const std::wstring wideTarget = fs::path(target).wstring();
  const std::wstring substitute = L"\\??\\" + wideTarget;
  const auto bytes = [](const std::wstring& text) { return text.size() * sizeof(wchar_t); };
  // REPARSE_DATA_BUFFER for a mount point: tag, length, reserved, then four offsets and
  // lengths, then both names, each ended by a NUL.
  std::vector<char> buffer(16 + bytes(substitute) + bytes(wideTarget) + 4, 0);
  const auto put16 = [&](size_t at, size_t value) {
    const auto word = static_cast<WORD>(value);
    std::memcpy(&buffer[at], &word, sizeof word);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(&buffer[0], &tag, sizeof tag);
  put16(4, buffer.size() - 8);
  put16(8, 0);
  put16(10, bytes(substitute));
  put16(12, bytes(substitute) + 2);
  put16(14, bytes(wideTarget));
  std::memcpy(&buffer[16], substitute.c_str(), bytes(substitute));
  std::memcpy(&buffer[16 + bytes(substitute) + 2], wideTarget.c_str(), bytes(wideTarget));
  const HANDLE folder =
      CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD returned = 0;
  const bool made = folder != INVALID_HANDLE_VALUE &&
                    DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                    static_cast<DWORD>(buffer.size()), nullptr, 0, &returned,
                                    nullptr) != FALSE;
  if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
  if (!made) RemoveDirectoryA(link.c_str());
  return made;
}

}  // namespace testsupport
