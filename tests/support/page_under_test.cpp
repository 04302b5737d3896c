#include "tests/support/page_under_test.h"

#include <filesystem>

#include "job/process_job.h"
#include "page/journal.h"
#include "page/page_rewrite.h"
#include "page/title_marker.h"
#include "platform/text.h"
#include "tests/support/fixtures.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

struct QuietSink final : job::ResultSink {
  void JobStarted(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult>) override { return true; }
};

std::string Stem(const std::string& name) { return fs::path(name).stem().string(); }

}  // namespace

PageUnderTest::PageUnderTest(const std::string& sample)
    : name_(sample), original_(Sample(sample)), final_(Expected(sample)) {
  CopySample(folder_, sample);
}

PageUnderTest::PageUnderTest(const std::string& name, const std::string& bytes)
    : name_(name), original_(bytes) {
  folder_.Write(name, bytes);
  folder_.Write(Stem(name) + "_files/player.js", "play();");
  page::RewrittenPage rewritten;
  page::TitleInfo info;
  page::RewritePage(bytes, true, rewritten, info);
  final_ = rewritten.bytes;
}

std::string PageUnderTest::Path() const {
  const std::string named = folder_.Path(name_);
  return fs::exists(named) ? named : folder_.Path(Stem(name_) + ".htm");
}

std::map<std::string, std::string> PageUnderTest::Journals() const {
  std::map<std::string, std::string> journals;
  for (const auto& entry : fs::directory_iterator(folder_.path())) {
    const std::string name = entry.path().filename().string();
    if (name.find(page::kJournalSuffix) != std::string::npos) {
      journals[name] = ReadFile(entry.path().string());
    }
  }
  return journals;
}

int32_t PageUnderTest::Process(bool sync, platform::FileSystem* files, void (*arm)(),
                               void (*disarm)()) const {
  job::JobRequest request;
  request.fix = 1;
  request.archive = 1;
  platform::CopyText(request.path, sizeof request.path, Path().c_str());
  job::JobSettings settings;
  settings.archiver.format = "%s %s %s";
  settings.archiver.program = "/nowhere/archiver";
  settings.sync = sync;
  QuietSink sink;
  const platform::ScopedFileSystem scoped(files != nullptr ? *files : platform::Files());
  if (arm != nullptr) arm();
  std::unique_ptr<job::JobResult> result = job::ProcessJob(request, sink, settings);
  if (disarm != nullptr) disarm();
  return result ? result->status : job::STATUS_PAGE_NO_MEMORY;
}

std::string GrowingPage() {
  std::string page = "<html><head><title>" + std::string(page::kTitleMarker) +
                     " Kiri</title></head><body><div class=\"g_section info\"><h2>Kiri</h2>"
                     "</div><div>Year 2004</div>";
  for (int image = 0; image < 120; ++image) {
    page += "<img src=\"Kiri_files/" + std::to_string(image) + ".png\" alt=\"\">\n";
  }
  return page + "</body></html>\n";
}

}  // namespace testsupport
