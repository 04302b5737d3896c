#include "app/cli/run_cli.h"

#include "app/cli/cli_options.h"
#include "app/cli/console_sink.h"
#include "app/intake.h"
#include "app/settings.h"
#include "job/process_job.h"
#include "job/worker.h"
#include "platform/files.h"
#include "platform/system.h"

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

// Warns of each named path that does not exist. The window would still
// queue such a page and log it as done; a script must learn that nothing was
// there. True when one was missing.
bool WarnOfMissingPaths(const std::vector<std::string>& paths, std::FILE* err) {
  bool missing = false;
  for (const std::string& path : paths) {
    // A wildcard name is resolved by the intake, not looked up as it stands.
    if (path.find_first_of("*?") != std::string::npos ||
        platform::Files().Kind(path.c_str()) != platform::PathKind::Missing) {
      continue;
    }
    const std::string line = "velkor-cli: no such file or folder: " + path + "\n";
    std::fputs(platform::AnsiToConsole(line, platform::StdStream::Err).c_str(), err);
    missing = true;
  }
  return missing;
}

int Usage(std::FILE* err, const std::string& message) {
  std::fprintf(err, "velkor-cli: %s (see --help)\n", message.c_str());
  return kExitUsage;
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
    // The profile reader on Windows looks for a relative file name in the
    // Windows folder, so the settings file is always named by its full path.
    settingsPath = platform::FullPath(options.ini->c_str());
    if (platform::Files().Kind(settingsPath.c_str()) != platform::PathKind::File) {
      return Usage(streams.err, "no settings file '" + *options.ini + "'");
    }
  } else {
    settingsPath = DefaultSettingsPath();
    // Settings that an earlier run kept beside the program would otherwise
    // be left behind without a word.
    const std::string unread = UnreadSettingsBesideProgram();
    if (!unread.empty()) {
      const std::string line = "velkor-cli: " + unread + " is not read; the settings are read " +
                               "from " + settingsPath + " (move the file there)\n";
      std::fputs(platform::AnsiToConsole(line, platform::StdStream::Err).c_str(), streams.err);
    }
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

  const bool missing = WarnOfMissingPaths(options.paths, streams.err);
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
  const bool allDone = intake.PendingJobs() == 0 && intake.AutoClose() != 0;
  return allDone && !missing ? kExitOk : kExitFailed;
}

}  // namespace app::cli
