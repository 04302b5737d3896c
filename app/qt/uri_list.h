// What a drop from a file manager carries: a "text/uri-list" of URLs, one a
// line. Local file URLs become paths; anything else is refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qt {

struct DroppedUris {
  std::vector<std::string> paths;    // in the list's order
  std::vector<std::string> refused;  // the URLs as they were written
};

// Splits a text/uri-list (lines ending in CR LF or LF, "#" comment lines).
// A "file:" URL whose host is empty, "localhost" or `thisHost` gives its
// path, percent-decoded byte for byte: the bytes of the stored name,
// whatever its encoding. Other URLs, and file URLs that cannot name a file
// (of another host, without a path, holding %00), are refused.
DroppedUris ParseUriList(std::string_view uriList, std::string_view thisHost);

}  // namespace qt
