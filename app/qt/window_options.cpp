#include "app/qt/window_options.h"


namespace qt {

WindowOptions ParseWindowArguments(const std::vector<std::string>& arguments) {
  WindowOptions options;
  // The window has no options of its own.
  app::ParseProgramArguments(
      arguments, [](const std::vector<std::string>&, size_t&, std::string&) { return false; },
      options);
  return options;
}

const char* WindowUsageText() {
  return "Usage: velkor [--ini FILE] [PATH...]\n"
         "The Velkor window: tidies pages saved from the catalogue site. Drop pages\n"
         "or folders of them onto it, or name them here; after a run over named\n"
         "PATHs in which every page succeeded the window closes itself.\n"
         "\n"
         "  --ini FILE          the settings file (default:\n"
         "                      ~/.config/velkor/velkor.ini); the window stores its\n"
         "                      place and boxes there when it closes\n"
         "  --help, --version   print this text, or the version, and exit\n"
         "\n"
         "Qt's own options (-platform NAME, -style NAME...) are taken as well.\n";
}

}  // namespace qt
