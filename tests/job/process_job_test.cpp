#include "job/process_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

// Not a catalogue page: the cleaner leaves it as it is.
const std::string kPlainPage = "<html><body>plain page</body></html>";

class RecordingSink final : public job::ResultSink {
 public:
  void SetCaption(const char* name) override { captions.push_back(name); }
  bool Deliver(std::unique_ptr<job::JobResult>) override { return true; }
  std::vector<std::string> captions;
};

job::JobRequest Request(const std::string& path, int archive, int fix) {
  job::JobRequest request;
  platform::CopyText(request.path, sizeof request.path, path.c_str());
  request.archive = archive;
  request.fix = fix;
  return request;
}

TEST(ProcessJob, GivesThePageTheExtensionHtm) {
  const struct {
    const char* name;
    const char* renamed;
  } cases[] = {
      {"a.html", "a.htm"}, {"b.shtml", "b.htm"}, {"c.HTML", "c.htm"},
      {"d.HTM", "d.HTM"},  {"e.Htm", "e.Htm"},   {"f.htm", "f.htm"},
  };
  testsupport::TempFolder folder;
  for (const auto& c : cases) {
    const std::string page = folder.Write(c.name, kPlainPage);
    job::JobRequest request = Request(page, 0, 1);
    RecordingSink sink;
    const auto result = job::ProcessJob(request, sink, {});
    ASSERT_NE(result, nullptr);
    EXPECT_STREQ(result->name, c.renamed);
    EXPECT_EQ(std::string(request.path), folder.Path(c.renamed));
    EXPECT_EQ(testsupport::ReadFile(folder.Path(c.renamed)), kPlainPage) << c.name;
    EXPECT_EQ(std::filesystem::exists(page), std::string(c.name) == c.renamed) << c.name;
    EXPECT_EQ(sink.captions, std::vector<std::string>{c.renamed});
  }
}

TEST(ProcessJob, NeverReplacesAnExistingPageOfTheNewName) {
  testsupport::TempFolder folder;
  const std::string html = folder.Write("x.html", kPlainPage);
  const std::string htm = folder.Write("x.htm", "the page saved before");
  job::JobRequest request = Request(html, 0, 1);
  RecordingSink sink;
  const auto result = job::ProcessJob(request, sink, {});
  ASSERT_NE(result, nullptr);
  EXPECT_STREQ(result->name, "x.html");
  EXPECT_EQ(std::string(request.path), html);
  EXPECT_EQ(testsupport::ReadFile(html), kPlainPage);
  EXPECT_EQ(testsupport::ReadFile(htm), "the page saved before");
}

TEST(ProcessJob, StatusFollowsTheFlagsAndTheArchiver) {
  testsupport::TempFolder folder;
  const std::string page = folder.Write("page.htm", kPlainPage);
  job::ArchiverSettings standin;
  standin.program = testsupport::ArchiverStandinPath();
  standin.format = " 3 \"" + folder.Path("report.txt") + "\" \"%s\" \"%s\" \"%s\"";
  job::ArchiverSettings unset;
  unset.format = " %s";

  const struct {
    int archive;
    int fix;
    const job::ArchiverSettings& settings;
    int32_t status;
  } cases[] = {
      {0, 0, standin, job::STATUS_NO_ACTIONS},
      {0, 1, standin, job::STATUS_OK},
      {1, 0, standin, 3},
      {1, 1, standin, 3},
      {1, 1, unset, job::STATUS_ARCHIVER_NOT_STARTED},
  };
  for (const auto& c : cases) {
    job::JobRequest request = Request(page, c.archive, c.fix);
    RecordingSink sink;
    const auto result = job::ProcessJob(request, sink, c.settings);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, c.status) << "archive " << c.archive << ", fix " << c.fix;
    EXPECT_STREQ(result->name, "page.htm");
  }
}

}  // namespace
