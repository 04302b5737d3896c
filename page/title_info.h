// The title, English name and type of the work a page describes, read from
// the page text, and the text operations that make such values usable in a
// file name.
#pragma once

#include <cstddef>

#include "page/charset.h"

namespace page {

// The three values as the page writes them, in its own charset, which they
// keep until they become part of a file name.
struct TitleInfo {
  char title[1024] = {};
  char english[1024] = {};
  char type[100] = {};
  PageCharset charset = PageCharset::Other;

  void Clear() {
    title[0] = english[0] = type[0] = '\0';
    charset = PageCharset::Other;
  }
};

// Fills the (empty) fields from the NUL-terminated, writable working text of
// a page in `charset`, writing NULs into it where values end; `length`, where
// given, is the text's (the place of its first NUL).
void ExtractTitleInfo(char* text, size_t length, PageCharset charset, TitleInfo& info);
void ExtractTitleInfo(char* text, PageCharset charset, TitleInfo& info);

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
