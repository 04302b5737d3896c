// Text and path helpers shared by every layer. Pure functions over
// NUL-terminated 8-bit strings; the same on every platform except for the
// path separator.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for a character that separates path components: a backslash or a
// slash on Windows, a slash elsewhere.
bool IsPathSeparator(char c);

// Compares ignoring letter case: ASCII letters and the Windows-1251 Cyrillic
// capital/small pairs (А-Я/а-я, Ё/ё and the others of 0x80-0xBF) fold alike.
// <0, 0 or >0 like strcmp.
int CompareNoCase(const char* a, const char* b);

// Removes every leading and trailing byte that occurs in `set`, moving the
// rest to the start of `text`.
void TrimInPlace(char* text, const char* set);

// The "." that starts the extension of the path's last component, or the
// terminating NUL when that component has none.
const char* FindExtension(const char* path);
char* FindExtension(char* path);

// The last component of the path (after the last separator).
const char* FindFileName(const char* path);
char* FindFileName(char* path);

// Joins `name` to the path in `path` (capacity `capacity` bytes) with exactly
// one separator between them. False, with `path` unchanged, when the result
// would not fit.
bool AppendPath(char* path, size_t capacity, const char* name);

// The length of `path` as the system's own limits count it: UTF-16 units on
// Windows, whose names are UTF-16, bytes elsewhere.
size_t PathLength(std::string_view path);

// Copies `source` into `dest` (capacity bytes, at least 1), cutting it at
// capacity - 1 bytes. Returns false when it had to cut.
bool CopyText(char* dest, size_t capacity, const char* source);

}  // namespace platform
