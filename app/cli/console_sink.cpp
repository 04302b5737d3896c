#include "app/cli/console_sink.h"

#include <utility>

#include "app/log_line.h"
#include "job/job_records.h"
#include "page/charset.h"
#include "platform/system.h"

namespace app::cli {
namespace {

// A progress line must stay on one terminal row, or the carriage return that
// redraws it would leave its wrapped part behind.
constexpr size_t kProgressNameLimit = 48;

// The archiver's lines shown after a page's log line, at most, and how each
// is set off from the log lines.
constexpr size_t kArchiverLines = 20;
constexpr const char* kArchiverLineIndent = "    ";

// `text` cut to at most `limit` bytes, never inside a UTF-8 sequence, and
// marked as cut.
std::string Shorten(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  return std::string(page::Utf8Prefix(text, limit)) + "...";
}

// The last `count` non-empty lines of `output`; a line may end in "\n",
// "\r\n" or a lone "\r" (a program redrawing its progress).
std::vector<std::string> LastLines(const std::string& output, size_t count) {
  std::vector<std::string> lines;
  size_t end = output.size();
  while (end > 0 && lines.size() < count) {
    const size_t start = output.find_last_of("\r\n", end - 1);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    if (from < end) lines.push_back(output.substr(from, end - from));
    if (start == std::string::npos) break;
    end = start;
  }
  return {lines.rbegin(), lines.rend()};
}

}  // namespace

ConsoleSink::ConsoleSink(std::FILE* out, std::FILE* progress, bool verbose)
    : out_(out), progress_(progress), verbose_(verbose) {}

void ConsoleSink::JobStarted(const char* name) {
  if (progress_ == nullptr) return;
  ClearProgress();
  std::string line = "[";
  line += std::to_string(statuses_.size() + 1);
  line += '/';
  line += std::to_string(total_);
  line += "] ";
  line += Shorten(name, kProgressNameLimit);
  platform::ThisProcess().WriteText(progress_, line);
  std::fflush(progress_);
  progressWidth_ = line.size();
}

void ConsoleSink::ArchiverOutput(std::string output) { archiverOutput_ = std::move(output); }

bool ConsoleSink::Deliver(std::unique_ptr<job::JobResult> result) {
  ClearProgress();
  PrintLogLine(LogLine(result->status, result->name));
  // The archiver's own words, as it wrote them (its code page, not ours),
  // set off below the page's line, so that they never pass for log lines.
  if (verbose_ || result->status != job::STATUS_OK) {
    for (const std::string& line : LastLines(archiverOutput_, kArchiverLines)) {
      std::fputs(kArchiverLineIndent, out_);
      std::fputs(line.c_str(), out_);
      std::fputc('\n', out_);
    }
    std::fflush(out_);
  }
  archiverOutput_.clear();
  statuses_.push_back(result->status);
  return true;
}

void ConsoleSink::PrintLogLine(const std::string& line) {
  platform::ThisProcess().WriteText(out_, line + '\n');
  std::fflush(out_);
}

void ConsoleSink::ClearProgress() {
  if (progress_ == nullptr || progressWidth_ == 0) return;
  std::fprintf(progress_, "\r%*s\r", static_cast<int>(progressWidth_), "");
  std::fflush(progress_);
  progressWidth_ = 0;
}

}  // namespace app::cli
