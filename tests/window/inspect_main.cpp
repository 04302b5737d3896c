// velkor_inspect CAPTION [about]: waits for a Velkor window with that
// caption (in the ANSI code page), then prints its place on the screen and
// its log lines in UTF-8; with "about", opens the About box through the
// system menu and prints the About box's place too. For scripts that look
// at the window, such as the screenshot.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/window/inspector.h"

namespace {

std::string ToUtf8(const std::string& ansi) {
  std::wstring wide(ansi.size() + 1, L'\0');
  const int units =
      MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  std::string utf8(wide.size() * 3, '\0');
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), units, utf8.data(),
                                        static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(bytes > 0 ? static_cast<size_t>(bytes) - 1 : 0);
  return utf8;
}

}  // namespace

int main(int argc, char** argv) {
  const bool about = argc == 3 && std::string(argv[2]) == "about";
  if (argc != 2 && !about) {
    std::fputs("usage: velkor_inspect CAPTION [about]\n", stderr);
    return 2;
  }
  const HWND window = inspector::FindDialog(0, argv[1], 120000);
  if (window == nullptr) {
    std::fputs("velkor_inspect: no such window\n", stderr);
    return 1;
  }
  RECT place;
  GetWindowRect(window, &place);
  std::printf("rect=%ld,%ld,%ld,%ld\n", place.left, place.top, place.right, place.bottom);
  std::printf("caption=%s\n", ToUtf8(inspector::Caption(window)).c_str());
  for (const std::string& line : inspector::LogLines(window))
    std::printf("log=%s\n", ToUtf8(line).c_str());
  if (!about) return 0;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const HWND box = inspector::OpenAbout(window, process, 30000);
  if (box == nullptr) {
    std::fputs("velkor_inspect: no About box\n", stderr);
    return 1;
  }
  GetWindowRect(box, &place);
  std::printf("about=%ld,%ld,%ld,%ld\n", place.left, place.top, place.right, place.bottom);
  return 0;
}
