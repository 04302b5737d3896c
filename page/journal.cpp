#include "page/journal.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace page {
namespace {

constexpr std::string_view kMagic = "VELKOR-JOURNAL ";
// Room for the longest header line; it also serves as its buffer's step.
constexpr int32_t kHeaderCapacity = 96;

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;

uint64_t RotateLeft(uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); }

uint64_t Word(const char* at) {
  uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

uint64_t Mix(uint64_t lane, uint64_t word) {
  return RotateLeft(lane + word * kPrime2, 31) * kPrime1;
}

// Takes "<key>=<value>" at `at` in the header; `at` moves past the value and
// its following blank or line end.
bool TakeField(std::string_view header, size_t& at, std::string_view key, int base,
               uint64_t& value) {
  if (header.substr(at, key.size()) != key || at + key.size() >= header.size() ||
      header[at + key.size()] != '=') {
    return false;
  }
  const char* first = header.data() + at + key.size() + 1;
  const char* last = header.data() + header.size();
  const auto [end, error] = std::from_chars(first, last, value, base);
  if (error != std::errc() || end == first || end == last || (*end != ' ' && *end != '\n')) {
    return false;
  }
  at = static_cast<size_t>(end - header.data()) + 1;
  return true;
}

// The hand-written hash of format 1, kept only to check the journals of the
// previous release. Four independent lanes; the tail and the length are
// folded in at the end, so that a journal cut anywhere gives another sum.
uint64_t LegacyChecksum(std::string_view bytes) {
  uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
  const char* at = bytes.data();
  const char* const end = at + bytes.size();
  for (; end - at >= 32; at += 32) {
    for (int lane = 0; lane < 4; ++lane) lanes[lane] = Mix(lanes[lane], Word(at + 8 * lane));
  }
  uint64_t sum = RotateLeft(lanes[0], 1) + RotateLeft(lanes[1], 7) + RotateLeft(lanes[2], 12) +
                 RotateLeft(lanes[3], 18);
  sum += bytes.size();
  for (; end - at >= 8; at += 8) sum = RotateLeft(sum ^ Mix(0, Word(at)), 27) * kPrime1 + kPrime3;
  for (; at < end; ++at) {
    sum = RotateLeft(sum ^ (static_cast<unsigned char>(*at) * kPrime3), 11) * kPrime1;
  }
  sum ^= sum >> 33;
  sum *= kPrime2;
  sum ^= sum >> 29;
  sum *= kPrime3;
  return sum ^ (sum >> 32);
}

// The header's checksum covers the job's choice too: a damaged flag would
// make the rewritten page look like another one.
uint64_t SumOf(std::string_view original, bool repairLinks, JournalFormat format) {
  if (format == JournalFormat::Legacy) {
    return LegacyChecksum(original) ^ (repairLinks ? kPrime3 : 0);
  }
  return XXH3_64bits_withSeed(original.data(), original.size(), repairLinks ? 1 : 0);
}

// The version and the checksum's key of each form.
std::string_view VersionOf(JournalFormat format) {
  return format == JournalFormat::Legacy ? "1 " : "2 ";
}
std::string_view ChecksumKey(JournalFormat format) {
  return format == JournalFormat::Legacy ? "checksum" : "xxh3";
}

}  // namespace

GrowBuffer JournalHeader(std::string_view original, bool repairLinks, JournalFormat format) {
  char header[kHeaderCapacity];
  char* at = std::copy(kMagic.begin(), kMagic.end(), header);
  const std::string_view version = VersionOf(format);
  at = std::copy(version.begin(), version.end(), at);
  at = std::copy_n(repairLinks ? "fix=1 length=" : "fix=0 length=", 13, at);
  at = std::to_chars(at, header + sizeof header, original.size()).ptr;
  *at++ = ' ';
  const std::string_view key = ChecksumKey(format);
  at = std::copy(key.begin(), key.end(), at);
  *at++ = '=';
  const uint64_t checksum = SumOf(original, repairLinks, format);
  // Fixed width, so that every header of one page's journal is as long.
  for (int shift = 60; shift >= 0; shift -= 4) *at++ = "0123456789abcdef"[(checksum >> shift) & 15];
  *at++ = '\n';
  GrowBuffer line;
  line.Append(std::string_view(header, static_cast<size_t>(at - header)), kHeaderCapacity);
  return line;
}

bool ParseJournal(std::string_view journal, JournalContents& contents) {
  if (!journal.starts_with(kMagic)) return false;
  const size_t lineEnd = journal.find('\n');
  if (lineEnd == std::string_view::npos) return false;
  const std::string_view header = journal.substr(0, lineEnd + 1);
  size_t at = kMagic.size();
  JournalFormat format = JournalFormat::Xxh3;
  if (header.substr(at).starts_with(VersionOf(JournalFormat::Legacy))) {
    format = JournalFormat::Legacy;
  } else if (!header.substr(at).starts_with(VersionOf(JournalFormat::Xxh3))) {
    return false;
  }
  at += VersionOf(format).size();
  uint64_t fix = 0, length = 0, checksum = 0;
  if (!TakeField(header, at, "fix", 10, fix) || fix > 1 ||
      !TakeField(header, at, "length", 10, length) ||
      !TakeField(header, at, ChecksumKey(format), 16, checksum) || at != header.size()) {
    return false;
  }
  const std::string_view original = journal.substr(header.size());
  if (original.size() != length || SumOf(original, fix == 1, format) != checksum) return false;
  contents.original = original;
  contents.repairLinks = fix == 1;
  return true;
}

std::string KeptJournalPath(std::string_view page, int age) {
  std::string path = std::string(page) += kKeptJournalSuffix;
  if (age > 1) path.append("-").append(std::to_string(age));
  return path;
}

bool IsJournalOfUntouchedPage(std::string_view journal, std::string_view page) {
  // The previous release's format too: a crash of it may have cut its own.
  for (const JournalFormat format : {JournalFormat::Xxh3, JournalFormat::Legacy}) {
    for (const bool repairLinks : {false, true}) {
      const GrowBuffer header = JournalHeader(page, repairLinks, format);
      const std::string_view head = header.View();
      if (head.empty() || journal.size() > head.size() + page.size()) continue;
      bool fits = true;
      for (size_t i = 0; i < journal.size() && fits; ++i) {
        const char expected = i < head.size() ? head[i] : page[i - head.size()];
        fits = journal[i] == expected || journal[i] == '\0';
      }
      if (fits) return true;
    }
  }
  return false;
}

}  // namespace page
