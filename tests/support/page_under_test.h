// A page with its "_files" folder alone in a fresh folder, its expected final
// form, and the job that the recovery tests interrupt, fail and repeat.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/files.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

class PageUnderTest {
 public:
  // A page of samples/, and its expected form.
  explicit PageUnderTest(const std::string& sample);
  // `bytes` as page `name` with a script beside it; its final form is what
  // the page's rewrite in memory makes of it.
  PageUnderTest(const std::string& name, const std::string& bytes);

  const TempFolder& folder() const { return folder_; }
  const std::string& name() const { return name_; }
  const std::string& original() const { return original_; }
  const std::string& final() const { return final_; }
  // The page under the name it has now (a job renames page.html to page.htm).
  std::string Path() const;
  std::string Current() const { return ReadFile(Path()); }
  // Every journal beside the page, set aside or not, by name.
  std::map<std::string, std::string> Journals() const;

  // One job on the page as it is now: links repaired, archived by an
  // archiver that cannot start, through `files` when given; `arm` and
  // `disarm` enclose the job alone.
  int32_t Process(bool sync = true, platform::FileSystem* files = nullptr,
                  void (*arm)() = nullptr, void (*disarm)() = nullptr) const;

 private:
  TempFolder folder_;
  std::string name_, original_, final_;
};

// A catalogue page that grows when tidied (each of its many images gains an
// attribute) and spans several 512-byte sectors.
std::string GrowingPage();

}  // namespace testsupport
