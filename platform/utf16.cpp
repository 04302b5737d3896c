#include "platform/utf16.h"

#include <new>

namespace platform {
namespace {

// Hands each UTF-16 unit of `text` to `emit`, which returns false to stop.
// False at the first byte that begins no sequence of the shortest form, and
// when `emit` stops.
template <typename Emit>
bool ForEachUnit(std::string_view text, Emit emit) {
  size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t value = lead;
    size_t tail = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead < 0xE0) {
      value = lead & 0x1F;
      tail = 1;
      least = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      value = lead & 0x0F;
      tail = 2;
      least = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      value = lead & 0x07;
      tail = 3;
      least = 0x10000;
    } else if (lead >= 0x80) {
      return false;
    }
    if (text.size() - at <= tail) return false;
    for (size_t k = 1; k <= tail; ++k) {
      const auto next = static_cast<unsigned char>(text[at + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF) return false;
    at += tail + 1;
    if (value < 0x10000) {
      if (!emit(static_cast<char16_t>(value))) return false;
    } else {
      value -= 0x10000;
      if (!emit(static_cast<char16_t>(0xD800 + (value >> 10))) ||
          !emit(static_cast<char16_t>(0xDC00 + (value & 0x3FF)))) {
        return false;
      }
    }
  }
  return true;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

}  // namespace

bool Utf8ToUtf16(std::string_view text, char16_t* out, size_t room) {
  size_t used = 0;
  // One unit is always kept for the terminator.
  const bool whole = ForEachUnit(text, [&](char16_t unit) {
    if (used + 1 >= room) return false;
    out[used++] = unit;
    return true;
  });
  if (!whole || room == 0) return false;
  out[used] = 0;
  return true;
}

bool Utf8ToUtf16(std::string_view text, std::u16string& out) {
  out.clear();
  try {
    return ForEachUnit(text, [&out](char16_t unit) {
      out += unit;
      return true;
    });
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size() && text[at] != 0; ++at) {
    char32_t value = text[at];
    if (IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
      value = 0x10000 + ((value - 0xD800) << 10) + (text[++at] - 0xDC00);
    }
    if (value < 0x80) {
      out += static_cast<char>(value);
    } else if (value < 0x800) {
      out += static_cast<char>(0xC0 | (value >> 6));
      out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
      out += static_cast<char>(0xE0 | (value >> 12));
      out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (value >> 18));
      out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (value & 0x3F));
    }
  }
  return out;
}

}  // namespace platform
