#include "app/cli/console_sink.h"

#include "app/log_line.h"
#include "platform/system.h"

namespace app::cli {
namespace {

// A progress line must stay on one terminal row, or the carriage return that
// redraws it would leave its wrapped part behind.
constexpr size_t kProgressNameLimit = 48;

// `text` cut to at most `limit` bytes, never inside a UTF-8 sequence (in a
// single-byte code page this may take a letter more off, which is harmless).
std::string Shorten(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text + "...";
}

}  // namespace

ConsoleSink::ConsoleSink(std::FILE* out, std::FILE* progress) : out_(out), progress_(progress) {}

void ConsoleSink::SetCaption(const char* name) {
  if (progress_ == nullptr) return;
  ClearProgress();
  std::string line = "[";
  line += std::to_string(statuses_.size() + 1);
  line += '/';
  line += std::to_string(total_);
  line += "] ";
  line += platform::AnsiToConsole(Shorten(name, kProgressNameLimit),
                                  platform::StdStream::Err);
  std::fputs(line.c_str(), progress_);
  std::fflush(progress_);
  progressWidth_ = line.size();
}

bool ConsoleSink::Deliver(std::unique_ptr<job::JobResult> result) {
  ClearProgress();
  const std::string line =
      platform::AnsiToConsole(LogLine(result->status, result->name), platform::StdStream::Out);
  std::fputs(line.c_str(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
  statuses_.push_back(result->status);
  return true;
}

void ConsoleSink::ClearProgress() {
  if (progress_ == nullptr || progressWidth_ == 0) return;
  std::fprintf(progress_, "\r%*s\r", static_cast<int>(progressWidth_), "");
  std::fflush(progress_);
  progressWidth_ = 0;
}

}  // namespace app::cli
