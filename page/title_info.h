// The title, English name and type of the work a page describes, read from
// the page text, and the text operations that make such values usable in a
// file name.
#pragma once

#include <cstddef>

namespace page {

struct TitleInfo {
  char title[1024] = {};
  char english[1024] = {};
  char type[100] = {};

  void Clear() { title[0] = english[0] = type[0] = '\0'; }
};

// Fills the (empty) fields from the NUL-terminated, writable working text,
// writing NULs into it where values end. `utf8` tells that the page declares
// UTF-8, whose English name is then converted to the ANSI code page.
void ExtractTitleInfo(char* text, bool utf8, TitleInfo& info);

// Empties English when it equals Title, letter case ignored.
void ApplyClosingRule(TitleInfo& info);

// Rewrites a NUL-terminated text in place for use in a file name, in the
// buffer of `capacity` bytes that holds it: the result, at most 4095 bytes,
// is cut to `capacity` - 1 bytes and then loses its outer blanks and tabs.
void SanitizeName(char* text, size_t capacity);

// Removes markup (everything between "<" and its ">", nesting counted) from a
// NUL-terminated text in place.
void StripTags(char* text);

}  // namespace page
