#include <string>
#include <utility>
#include <vector>

#include "platform/process.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// The rules of CommandLineToArgvW and the older Microsoft C runtimes; the
// later runtimes' reading of "" inside quotes as a literal quote is left out.
std::vector<std::string> SplitArgumentText(const char* text) {
  std::vector<std::string> arguments;
  const char* at = text;
  for (;;) {
    while (IsBlank(*at)) ++at;
    if (*at == '\0') return arguments;

    std::string argument;
    bool quoted = false;
    while (*at != '\0' && (quoted || !IsBlank(*at))) {
      size_t backslashes = 0;
      while (*at == '\\') {
        ++backslashes;
        ++at;
      }
      if (*at == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 0) {
          quoted = !quoted;
        } else {
          argument += '"';
        }
        ++at;
      } else {
        argument.append(backslashes, '\\');
        // A run of backslashes may end the text or be followed by a blank;
        // the loop condition handles both.
        if (backslashes == 0) argument += *at++;
      }
    }
    arguments.push_back(std::move(argument));
  }
}

}  // namespace platform
