#include "platform/command_line.h"

#include <cstring>
#include <utility>

#include "platform/text.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const char* SkipProgramName(const char* commandLine) {
  const char* at = commandLine;
  if (*at == '"') {
    ++at;
    while (*at != '\0' && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (*at != '\0' && *at != ' ' && *at != '\t') ++at;
  }
  while (*at == ' ' || *at == '\t') ++at;
  return at;
}

std::vector<std::string> SplitCommandLine(const char* text) {
  std::vector<std::string> paths;
  if (CompareNoCase(text, "/dde") == 0) return paths;
  // Empty paths (blanks at the end, a pair of quotes with nothing between)
  // would name nothing, so they are not kept.
  auto keep = [&paths](const char* from, const char* to) {
    if (to > from) paths.emplace_back(from, to);
  };
  const char* at = text;
  while (*at != '\0') {
    while (*at == ' ') ++at;
    if (*at == '"') {
      const char* closing = std::strchr(at + 1, '"');
      if (closing == nullptr) {
        ++at;  // the unmatched quote is dropped and the rest split at blanks
        continue;
      }
      keep(at + 1, closing);
      at = closing + 1;
      continue;
    }
    const char* blank = std::strchr(at, ' ');
    if (blank == nullptr) {
      keep(at, at + std::strlen(at));
      break;
    }
    keep(at, blank);
    at = blank + 1;
  }
  return paths;
}

// The rules of CommandLineToArgvW and the older Microsoft C runtimes; the
// later runtimes' reading of "" inside quotes as a literal quote is left out.
std::vector<std::string> SplitArgumentText(std::string_view text) {
  std::vector<std::string> arguments;
  size_t at = 0;
  for (;;) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at == text.size()) return arguments;

    std::string argument;
    bool quoted = false;
    while (at < text.size() && (quoted || !IsBlank(text[at]))) {
      size_t backslashes = 0;
      while (at < text.size() && text[at] == '\\') {
        ++backslashes;
        ++at;
      }
      if (at < text.size() && text[at] == '"') {
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
        if (backslashes == 0) argument += text[at++];
      }
    }
    arguments.push_back(std::move(argument));
  }
}

}  // namespace platform
