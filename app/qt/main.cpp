// velkor, the Velkor window on Linux.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/qt/page_app.h"
#include "app/qt/window_options.h"
#include "platform/system.h"

#ifndef VELKOR_VERSION
#error "VELKOR_VERSION names the program's version"
#endif

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version need no display, so they are answered before Qt
  // looks for one.
  switch (qt::ParseWindowArguments(Arguments(argc, argv)).action) {
    case qt::WindowOptions::Action::Help:
      std::fputs(qt::WindowUsageText(), stdout);
      return 0;
    case qt::WindowOptions::Action::Version:
      std::fputs("Velkor " VELKOR_VERSION "\n", stdout);
      return 0;
    default:
      break;
  }
  platform::ThisProcess().KeepFreedMemoryForReuse();
  QApplication application(argc, argv);  // takes Qt's own options out of argv
  // Wayland shells find the window's icon and name through this.
  QGuiApplication::setDesktopFileName("velkor");
  const qt::WindowOptions options = qt::ParseWindowArguments(Arguments(argc, argv));
  if (options.action == qt::WindowOptions::Action::UsageError) {
    std::fprintf(stderr, "velkor: %s (see --help)\n", options.error.c_str());
    return 2;
  }

  qt::CPageApp app;
  if (!app.InitInstance(qt::WindowSettingsFiles(options.ini), options.paths)) return 1;
  QApplication::exec();
  return app.ExitInstance();
}
