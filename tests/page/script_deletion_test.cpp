// The script deletion never reaches outside the page's own "_files" folder: not through a
// "_files" that is a link or a junction, not through a script that is a link.
#include "page/script_deletion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>
#endif

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

#ifdef _WIN32
// Makes `link` a junction to the folder `target`, as "mklink /j" does. False where the system
// cannot: Wine 8 refuses FSCTL_SET_REPARSE_POINT (and its CreateSymbolicLink makes nothing).
bool MakeJunction(const std::string& link, const std::string& target) {
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
#endif

// A page "Linked.htm" whose "Linked_files" leads to a folder "elsewhere" holding two scripts;
// the folder holding both, or empty when no link can be made here.
fs::path LinkedPage(const testsupport::TempFolder& folder) {
#ifdef _WIN32
  if (MakeJunction(folder.Path("Linked_files"), folder.Path("elsewhere"))) return folder.path();
#ifdef VELKOR_HOST_LINK_DIR
  // Under Wine: a link made on the host by the test's set-up, which Wine shows as a reparse
  // point.
  std::cout << "no junction can be made here; a folder link made on the host stands in\n";
  const fs::path host = "Z:" VELKOR_HOST_LINK_DIR;
  fs::remove_all(host / "elsewhere");
  fs::create_directories(host / "elsewhere");
  return host;
#else
  return {};
#endif
#else
  fs::create_directory_symlink("elsewhere", folder.path() / "Linked_files");
  return folder.path();
#endif
}

TEST(DeleteScripts, NeverLeavesThePagesOwnFolder) {
  testsupport::TempFolder folder;
  fs::create_directory(folder.path() / "elsewhere");
  const fs::path place = LinkedPage(folder);
  ASSERT_FALSE(place.empty()) << "no folder link can be made here";
  for (const char* script : {"app.js", "lib.js"}) {
    std::ofstream(place / "elsewhere" / script) << "kept";
  }
  DeleteScripts((place / "Linked.htm").string().c_str());
  for (const char* script : {"app.js", "lib.js"}) {
    EXPECT_EQ(ReadFile((place / "elsewhere" / script).string()), "kept") << script;
  }
#ifndef _WIN32
  // In a "_files" of its own, a script that is a link goes as a link; what it leads to stays.
  folder.Write("Own_files/site.js", "x");
  fs::create_symlink(place / "elsewhere" / "lib.js", folder.path() / "Own_files" / "shared.js");
  DeleteScripts(folder.Path("Own.htm").c_str());
  EXPECT_TRUE(fs::is_empty(folder.path() / "Own_files"));
  EXPECT_EQ(ReadFile((place / "elsewhere" / "lib.js").string()), "kept");
#endif
}

}  // namespace
}  // namespace page
