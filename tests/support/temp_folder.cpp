#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

namespace testsupport {

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("velkor-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Path(std::string_view name) const {
  const std::u8string utf8 = (path_ / PathOf(name)).make_preferred().u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const {
  const std::string full = Path(name);
  std::filesystem::create_directories(PathOf(full).parent_path());
  std::ofstream(PathOf(full), std::ios::binary).write(bytes.data(), std::ssize(bytes));
  return full;
}

std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return "<missing>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace testsupport
