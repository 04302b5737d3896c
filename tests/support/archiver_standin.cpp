// A stand-in for the user's archiver, for the tests of the archiver launch:
//   archiver_standin CODE REPORT [ARGUMENT...]
// writes what it was given to the file REPORT, one "key=value" line each,
// and ends with the exit code CODE. On Windows it also reports its raw
// command line and the show-window state it was started with.
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  std::FILE* report = std::fopen(argv[2], "wb");
  if (report == nullptr) return 101;
#ifdef _WIN32
  std::fprintf(report, "cmdline=%s\n", GetCommandLineA());
  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) {
    std::fprintf(report, "show=%d\n", static_cast<int>(startup.wShowWindow));
  } else {
    std::fputs("show=none\n", report);
  }
#endif
  for (int i = 1; i < argc; ++i) std::fprintf(report, "arg=%s\n", argv[i]);
  std::fclose(report);
  return std::atoi(argv[1]);
}
