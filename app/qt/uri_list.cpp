#include "app/qt/uri_list.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace qt {
namespace {

// Schemes and host names ignore ASCII letter case.
bool EqualNoCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&lower](char x, char y) { return lower(x) == lower(y); });
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Every "%XX" decoded; a "%" without two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low >= 0) {
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The path a file URL names on this machine, or nothing.
std::optional<std::string> LocalPath(std::string_view uri, std::string_view thisHost) {
  constexpr std::string_view kScheme = "file:";
  if (uri.size() < kScheme.size() || !EqualNoCase(uri.substr(0, kScheme.size()), kScheme)) {
    return std::nullopt;
  }
  std::string_view rest = uri.substr(kScheme.size());
  if (rest.substr(0, 2) == "//") {  // an authority: the host, up to the path
    rest.remove_prefix(2);
    const size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !EqualNoCase(host, "localhost") && !EqualNoCase(host, thisHost)) {
      return std::nullopt;
    }
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  // A query or a fragment is no part of a file's name.
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.empty() || rest[0] != '/') return std::nullopt;
  std::string path = PercentDecoded(rest);
  // A NUL would end the path early and name another file.
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return path;
}

}  // namespace

DroppedUris ParseUriList(std::string_view uriList, std::string_view thisHost) {
  DroppedUris dropped;
  while (!uriList.empty()) {
    const size_t end = uriList.find('\n');
    std::string_view line = uriList.substr(0, end);
    uriList = end == std::string_view::npos ? std::string_view() : uriList.substr(end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.remove_suffix(1);
    }
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') continue;
    if (std::optional<std::string> path = LocalPath(line, thisHost)) {
      dropped.paths.push_back(std::move(*path));
    } else {
      dropped.refused.emplace_back(line);
    }
  }
  return dropped;
}

}  // namespace qt
