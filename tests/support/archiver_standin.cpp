// `archiver_standin CODE [REPORT [ARG...]]`, the user's archiver in tests: writes one "arg="
// line per argument (on Windows also "cmdline=" and "show=") to REPORT, ends with CODE.
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  if (std::FILE* report = argc > 2 ? std::fopen(argv[2], "wb") : nullptr) {
#ifdef _WIN32
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::fprintf(report, "cmdline=%s\nshow=%d\n", GetCommandLineA(), show);
#endif
    for (int i = 1; i < argc; ++i) std::fprintf(report, "arg=%s\n", argv[i]);
    std::fclose(report);
  }
  return std::atoi(argv[1]);
}
