#include "app/cli/run_cli.h"

#include <filesystem>
#include <system_error>

#include "app/cli/cli_options.h"
#include "app/cli/console_sink.h"
#include "app/intake.h"
#include "app/settings.h"
#include "job/process_job.h"
#include "job/worker.h"
#include "platform/files.h"

#ifndef VELKOR_VERSION
#error "VELKOR_VERSION names the program's version"
#endif

namespace app::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

class FixedBoxes final : public OptionBoxes {
 public:
  FixedBoxes(bool archive, bool fix) : archive_(archive), fix_(fix) {}
  bool ArchiveChecked() const override { return archive_; }
  bool FixChecked() const override { return fix_; }

 private:
  bool archive_;
  bool fix_;
};

int Usage(std::FILE* err, const std::string& message) {
  std::fprintf(err, "velkor-cli: %s (see --help)\n", message.c_str());
  return kExitUsage;
}

// The profile reader on Windows looks for a relative file name in the
// Windows folder, so the settings file is always named by its full path.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, const CliStreams& streams) {
  const CliOptions options = ParseCliArguments(arguments);
  switch (options.action) {
    case CliOptions::Action::Help:
      std::fputs(UsageText(), streams.out);
      return kExitOk;
    case CliOptions::Action::Version:
      std::fputs("Velkor " VELKOR_VERSION "\n", streams.out);
      return kExitOk;
    case CliOptions::Action::UsageError:
      return Usage(streams.err, options.error);
    case CliOptions::Action::Run:
      break;
  }

  std::string settingsPath;
  if (options.ini) {
    settingsPath = FullPath(*options.ini);
    if (platform::Files().Kind(settingsPath.c_str()) != platform::PathKind::File) {
      return Usage(streams.err, "no settings file '" + *options.ini + "'");
    }
  } else {
    settingsPath = DefaultSettingsPath();
  }
  const job::ArchiverSettings archiver = ReadArchiverSettings(settingsPath);
  const WindowSettings saved = ReadWindowSettings(settingsPath);
  const FixedBoxes boxes(options.archive.value_or(saved.archive), options.fix.value_or(saved.fix));

  ConsoleSink sink(streams.out, streams.showProgress ? streams.err : nullptr);
  const job::RunningFlag running;
  job::CWrkThread worker(running, sink, [&archiver](job::JobRequest& request,
                                                    job::ResultSink& resultSink) {
    return job::ProcessJob(request, resultSink, archiver);
  });
  if (!worker.Start()) {
    std::fputs("velkor-cli: the worker thread cannot be started\n", streams.err);
    return kExitFailed;
  }

  Intake intake(worker, boxes);
  // Held around the intake's own hold, so that the progress line knows the
  // batch's size before its first job starts.
  worker.Hold();
  intake.TakeCommandLine(options.paths);
  const int32_t queued = intake.PendingJobs();
  sink.SetTotal(queued);
  worker.Release();
  // The running flag stays set: the worker finishes the whole batch, then
  // meets the quit command behind it.
  worker.Quit();
  sink.ClearProgress();

  if (queued == 0) std::fputs("velkor-cli: no page to process\n", streams.err);
  for (const int32_t status : sink.Statuses()) intake.OnResult(status);
  return intake.PendingJobs() == 0 && intake.AutoClose() != 0 ? kExitOk : kExitFailed;
}

}  // namespace app::cli
