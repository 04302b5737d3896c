// A fresh folder under the system's temporary folder, removed with all it holds when it goes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The full path of `name` (UTF-8) inside the folder, as the program's text.
  std::string Path(std::string_view name) const;
  // Writes `bytes` to `name` (folders on the way are made) and returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// The whole content of a file, or "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);

// A path in the program's text, UTF-8, as the standard library takes one: on
// Windows it would read a std::string byte by byte.
std::filesystem::path PathOf(std::string_view utf8);

}  // namespace testsupport
