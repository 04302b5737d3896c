// What the tests set up and read back alike: host paths as the program
// under test names them, the sample pages of the source tree, the archiver
// stand-in (archiver_standin.cpp) and its report, and the keys a window
// stores.
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

// The bytes of samples/`name`.
inline std::string Sample(const std::string& name) { return ReadFile((kSamples / name).string()); }
// The cleaned form expected of the sample page `page` (or of the one whose
// name without extension that is): a web archive keeps its name, a saved
// page's ends in ".htm".
inline std::string Expected(const std::string& page) {
  const std::string kept = "expected/" + page;
  if (std::filesystem::exists(kSamples / kept)) return Sample(kept);
  return Sample("expected/" + std::filesystem::path(page).stem().string() + ".htm");
}

// Copies the sample page `page` and its "_files" folder, where it has one,
// into `folder` (into its subfolder `into`, when given); the copy's path.
inline std::string CopySample(const TempFolder& folder, const std::string& page,
                              const std::string& into = "") {
  namespace fs = std::filesystem;
  const std::string files = fs::path(page).stem().string() + "_files";
  const fs::path place = folder.path() / into;
  fs::create_directories(place);
  fs::copy_file(kSamples / page, place / page);
  if (fs::exists(kSamples / files)) {
    fs::copy(kSamples / files, place / files, fs::copy_options::recursive);
  }
  return (place / page).make_preferred().string();
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
