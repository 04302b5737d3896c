// A dialog template of the resource script as plain data, for window
// toolkits that cannot read Windows resources (res/tools/dialog_template.py
// writes the program's templates in this shape). Positions and sizes are in
// dialog units; texts are UTF-8.
#pragma once

#include <span>
#include <string_view>

namespace res {

struct ControlTemplate {
  int id;                      // -1 for controls the program never addresses
  const char* windowClass;     // "ListBox", "Button", "Static"
  const char* styles;          // the style names, blank-separated
  const char* extendedStyles;  // likewise
  const char* text;
  const char* image;  // the resource an SS_ICON static shows, by name
  int x, y, width, height;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int width, height;
  std::span<const ControlTemplate> controls;
};

struct StringResource {
  int id;
  const char* text;
};

// True when the blank-separated `names` hold `name`.
inline bool HasStyle(std::string_view names, std::string_view name) {
  while (!names.empty()) {
    const size_t blank = names.find(' ');
    if (names.substr(0, blank) == name) return true;
    if (blank == std::string_view::npos) break;
    names.remove_prefix(blank + 1);
  }
  return false;
}

}  // namespace res
