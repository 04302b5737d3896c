// What the tests set up and read back alike.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/settings_file.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

// A path of the build machine as the program under test names it: under
// Wine a host path lies on drive Z:.
inline std::string HostPath(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
  return path;
}

inline const std::filesystem::path kSamples = VELKOR_SAMPLES_DIR;

// The bytes of samples/`name` (UTF-8).
inline std::string Sample(const std::string& name) {
  return ReadFile(VELKOR_SAMPLES_DIR "/" + name);
}
// The cleaned form expected of the sample page `page` (under samples/, UTF-8),
// or of the one whose name without extension that is: a web archive keeps
// its name, a saved page's ends in ".htm".
inline std::string Expected(const std::string& page) {
  const size_t slash = page.rfind('/') + 1;  // 0 when there is none
  const std::string folder = page.substr(0, slash), name = page.substr(slash);
  const std::string kept = folder + "expected/" + name;
  if (std::filesystem::exists(PathOf(VELKOR_SAMPLES_DIR "/" + kept))) return Sample(kept);
  return Sample(folder + "expected/" + name.substr(0, name.rfind('.')) + ".htm");
}

// Copies the sample page `page` (under samples/, UTF-8) and its "_files"
// folder, where it has one, into `folder` (into its subfolder `into`, when
// given); the copy's path.
inline std::string CopySample(const TempFolder& folder, const std::string& page,
                              const std::string& into = "") {
  namespace fs = std::filesystem;
  const std::string name = page.substr(page.rfind('/') + 1);
  const std::string copy = folder.Path(into.empty() ? name : into + "/" + name);
  fs::create_directories(PathOf(copy).parent_path());
  fs::copy_file(PathOf(VELKOR_SAMPLES_DIR "/" + page), PathOf(copy));
  const std::string files = page.substr(0, page.rfind('.')) + "_files";
  if (fs::exists(PathOf(VELKOR_SAMPLES_DIR "/" + files))) {
    fs::copy(PathOf(VELKOR_SAMPLES_DIR "/" + files),
             PathOf(copy.substr(0, copy.rfind('.')) + "_files"), fs::copy_options::recursive);
  }
  return copy;
}

// The stand-in's path as the program under test names files.
inline std::string ArchiverStandinPath() { return HostPath(VELKOR_ARCHIVER_STANDIN); }

// Settings whose archiver is the stand-in, run as `code` (see
// archiver_standin.cpp) and reporting to "<archive>.report" beside the
// archive it would make; then `keys`.
inline std::string StandinSettings(const std::string& code, const std::string& keys = "") {
  return "[Options]\nArc=" + ArchiverStandinPath() + "\nCom=" + code +
         " \"%s.report\" \"%s\" \"%s\"\nHidden=1\n" + keys;
}

// The values of the report's lines that begin with `key` "=", in order.
inline std::vector<std::string> ReportValues(const std::string& report, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(key + "=")) values.push_back(line.substr(key.size() + 1));
  return values;
}

// The values of PosX, PosY, bArc and bMSIE in the settings file `file`.
inline std::vector<std::string> StoredWindowKeys(const std::string& file) {
  std::vector<std::string> values;
  for (const char* key : {"PosX", "PosY", "bArc", "bMSIE"}) {
    values.push_back(
        platform::Settings().ReadString(file.c_str(), "Options", key, "<absent>", 260));
  }
  return values;
}

}  // namespace testsupport
