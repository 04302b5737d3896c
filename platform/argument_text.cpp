#include <string>
#include <utility>
#include <vector>

#include "platform/process.h"

namespace platform {
namespace {

// Stands for a value while the format is split. No format holds it: the
// format is NUL-terminated text from the settings file.
constexpr char kValueSlot = '\0';

// The format with each "%s" that has a value replaced by `slot(value)` and
// "%%" by a percent sign.
template <typename Slot>
std::string Fill(const ArgumentFormat& arguments, Slot slot) {
  const std::string_view format = arguments.format;
  std::string text;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char conversion = format[++i];
      if (conversion == 's' && next < arguments.values.size()) {
        slot(text, arguments.values[next++]);
      } else if (conversion == '%') {
        text += '%';
      }
      continue;
    }
    text += format[i];
  }
  return text;
}

}  // namespace

std::string FillArgumentText(const ArgumentFormat& arguments) {
  return Fill(arguments, [](std::string& text, const std::string& value) { text += value; });
}

std::vector<std::string> FillArguments(const ArgumentFormat& arguments) {
  const std::string slotted =
      Fill(arguments, [](std::string& text, const std::string&) { text += kValueSlot; });
  std::vector<std::string> filled = SplitArgumentText(slotted);
  // The slots keep the order of their "%s", so the values go in turn.
  size_t next = 0;
  for (std::string& argument : filled) {
    std::string withValues;
    for (const char c : argument) {
      if (c == kValueSlot) {
        withValues += arguments.values[next++];
      } else {
        withValues += c;
      }
    }
    argument = std::move(withValues);
  }
  return filled;
}

}  // namespace platform
