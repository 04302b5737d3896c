#include "platform/text.h"

#include <array>
#include <cstring>

namespace platform {
namespace {

// Maps every byte to its small letter: ASCII, and the Cyrillic letters of
// Windows-1251, whose capital/small pairs outside 0xC0-0xFF sit at
// irregular places.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> fold{};
  for (unsigned byte = 0; byte < 256; ++byte) fold[byte] = static_cast<unsigned char>(byte);
  for (unsigned byte = 'A'; byte <= 'Z'; ++byte) fold[byte] = static_cast<unsigned char>(byte + 32);
  for (unsigned byte = 0xC0; byte <= 0xDF; ++byte) {
    fold[byte] = static_cast<unsigned char>(byte + 32);
  }
  constexpr unsigned char kPairs[][2] = {
      {0x80, 0x90},  // Ђ ђ
      {0x81, 0x83},  // Ѓ ѓ
      {0x8A, 0x9A},  // Љ љ
      {0x8C, 0x9C},  // Њ њ
      {0x8D, 0x9D},  // Ќ ќ
      {0x8E, 0x9E},  // Ћ ћ
      {0x8F, 0x9F},  // Џ џ
      {0xA1, 0xA2},  // Ў ў
      {0xA3, 0xBC},  // Ј ј
      {0xA5, 0xB4},  // Ґ ґ
      {0xA8, 0xB8},  // Ё ё
      {0xAA, 0xBA},  // Є є
      {0xAF, 0xBF},  // Ї ї
      {0xB2, 0xB3},  // І і
      {0xBD, 0xBE},  // Ѕ ѕ
  };
  for (const auto& pair : kPairs) fold[pair[0]] = pair[1];
  return fold;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

template <typename Char>
Char* FindFileNameIn(Char* path) {
  Char* name = path;
  for (Char* at = path; *at != '\0'; ++at) {
#ifdef _WIN32
    if (IsPathSeparator(*at) || *at == ':') name = at + 1;
#else
    if (IsPathSeparator(*at)) name = at + 1;
#endif
  }
  return name;
}

template <typename Char>
Char* FindExtensionIn(Char* path) {
  Char* dot = nullptr;
  Char* at = path;
  for (; *at != '\0'; ++at) {
    if (IsPathSeparator(*at)) {
      dot = nullptr;
    } else if (*at == '.') {
      dot = at;
    }
  }
  return dot != nullptr ? dot : at;
}

}  // namespace

bool IsPathSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

int CompareNoCase(const char* a, const char* b) {
  const auto* left = reinterpret_cast<const unsigned char*>(a);
  const auto* right = reinterpret_cast<const unsigned char*>(b);
  for (;; ++left, ++right) {
    const int difference = kFold[*left] - kFold[*right];
    if (difference != 0 || *left == '\0') return difference;
  }
}

void TrimInPlace(char* text, const char* set) {
  const char* first = text;
  while (*first != '\0' && std::strchr(set, *first) != nullptr) ++first;
  size_t length = std::strlen(first);
  while (length > 0 && std::strchr(set, first[length - 1]) != nullptr) --length;
  std::memmove(text, first, length);
  text[length] = '\0';
}

const char* FindExtension(const char* path) { return FindExtensionIn(path); }
char* FindExtension(char* path) { return FindExtensionIn(path); }

const char* FindFileName(const char* path) { return FindFileNameIn(path); }
char* FindFileName(char* path) { return FindFileNameIn(path); }

bool AppendPath(char* path, size_t capacity, const char* name) {
  while (IsPathSeparator(*name)) ++name;
  const size_t pathLength = std::strlen(path);
  const size_t nameLength = std::strlen(name);
  const bool addSeparator =
      pathLength > 0 && nameLength > 0 && !IsPathSeparator(path[pathLength - 1]);
  const size_t total = pathLength + (addSeparator ? 1 : 0) + nameLength;
  if (capacity == 0 || total > capacity - 1) return false;
  char* end = path + pathLength;
  if (addSeparator) *end++ = kPathSeparator;
  std::memcpy(end, name, nameLength + 1);
  return true;
}

size_t PathLength(std::string_view path) {
#ifdef _WIN32
  // One unit for each character, two for one beyond U+FFFF.
  size_t units = 0;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
#else
  return path.size();
#endif
}

bool CopyText(char* dest, size_t capacity, const char* source) {
  const size_t length = std::strlen(source);
  const bool fits = length < capacity;
  const size_t copied = fits ? length : capacity - 1;
  std::memcpy(dest, source, copied);
  dest[copied] = '\0';
  return fits;
}

}  // namespace platform
