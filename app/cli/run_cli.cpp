#include "app/cli/run_cli.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "app/cli/archiver_problem.h"
#include "app/cli/cli_options.h"
#include "app/cli/console_sink.h"
#include "app/intake.h"
#include "app/log_line.h"
#include "app/settings.h"
#include "job/process_job.h"
#include "job/worker_pool.h"
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
constexpr int kExitInterrupted = 130;  // as a shell reports SIGINT

class FixedBoxes final : public OptionBoxes {
 public:
  FixedBoxes(bool archive, bool fix) : archive_(archive), fix_(fix) {}
  bool ArchiveChecked() const override { return archive_; }
  bool FixChecked() const override { return fix_; }

 private:
  bool archive_;
  bool fix_;
};

// Writes one message line to `err`.
void Say(std::FILE* err, const std::string& line) {
  platform::ThisProcess().WriteText(err, "velkor-cli: " + line + "\n");
}

// Warns of each named path that does not exist. The window would still
// queue such a page and log it as done; a script must learn that nothing was
// there. True when one was missing.
bool WarnOfMissingPaths(const std::vector<std::string>& paths, std::FILE* err) {
  bool missing = false;
  for (const std::string& path : paths) {
    // A wildcard name is resolved by the intake, not looked up as it stands;
    // a path too long for a job is the intake's to report, as too long.
    if (path.find_first_of("*?") != std::string::npos ||
        path.size() >= sizeof job::JobRequest::path ||
        platform::Files().Kind(path.c_str()) != platform::PathKind::Missing) {
      continue;
    }
    Say(err, "no such file or folder: " + path);
    missing = true;
  }
  return missing;
}

int Usage(std::FILE* err, const std::string& message) {
  Say(err, message + " (see --help)");
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

  SettingsFiles settingsFiles;
  if (options.ini) {
    // The profile reader on Windows looks for a relative file name in the
    // Windows folder, so the settings file is always named by its full path.
    settingsFiles = SettingsFiles(platform::ThisProcess().FullPath(options.ini->c_str()));
    if (platform::Files().Kind(settingsFiles.user.c_str()) != platform::PathKind::File) {
      return Usage(streams.err, "no settings file '" + *options.ini + "'");
    }
  } else {
    settingsFiles = DefaultSettingsFiles();
    // Settings that an earlier run kept beside the program would otherwise
    // be left behind without a word.
    const std::string unread = UnreadSettingsBesideProgram();
    if (!unread.empty()) {
      Say(streams.err, unread + " is not read; the settings are read from " + settingsFiles.user +
                           " (move the file there)");
    }
  }
  job::JobSettings settings = ReadJobSettings(settingsFiles);
  settings.sync = options.sync.value_or(settings.sync);
  job::ArchiverSettings& archiver = settings.archiver;
  const WindowSettings saved = ReadWindowSettings(settingsFiles);
  const FixedBoxes boxes(options.archive.value_or(saved.archive), options.fix.value_or(saved.fix));
  // A Ctrl+C or a terminate request stops the archiver running, and no page
  // after the one in hand is begun; the one in hand is finished, whole.
  std::atomic<bool> stop{false};
  std::atomic<int> interrupted{0};
  job::RunningFlag running;
  archiver.timeoutSeconds = options.archiverTimeout;
  archiver.stop = &stop;
  archiver.captureOutput = true;

  ConsoleSink sink(streams.out, streams.showProgress ? streams.err : nullptr, options.verbose);
  // Pages at once: one for each processor core unless told.
  const int workers = options.jobs.value_or(static_cast<int>(std::thread::hardware_concurrency()));
  const std::unique_ptr<job::CJobPool> worker = std::make_unique<job::CJobPool>(
      running, sink,
      [&settings](job::JobRequest& request, job::ResultSink& resultSink, job::JobGate& gate) {
        return job::ProcessJob(request, resultSink, settings, &gate);
      },
      workers);
  if (!worker->Start()) {
    std::fputs("velkor-cli: the worker threads cannot be started\n", streams.err);
    return kExitFailed;
  }
  const std::unique_ptr<platform::InterruptWatch> watch =
      platform::ThisProcess().WatchInterrupts([&](int exitStatus) {
        interrupted = exitStatus;
        running.BeginShutDown();
        stop = true;
      });

  const bool missing = WarnOfMissingPaths(options.paths, streams.err);
  Intake intake(*worker, boxes);
  // Held around the intake's own hold, so that the progress line knows the
  // batch's size before its first job starts, and the entries the intake
  // refused are logged before any result.
  worker->Hold();
  intake.TakeCommandLine(options.paths);
  const int32_t queued = intake.PendingJobs();
  const std::vector<Refusal> refusals = intake.TakeRefusals();
  for (const Refusal& refusal : refusals) {
    sink.PrintLogLine(LogLine(refusal.status, refusal.path.c_str()));
  }
  sink.SetTotal(queued);
  worker->Release();
  // The running flag stays set unless interrupted: the worker finishes the
  // whole batch, then meets the quit command behind it.
  worker->Quit();
  sink.ClearProgress();
  // Each such page says only "set up the archiver"; this says once what is
  // wrong, and where the settings were looked for.
  const std::vector<int32_t>& statuses = sink.Statuses();
  if (const auto notStarted = std::ranges::count(statuses, job::STATUS_ARCHIVER_NOT_STARTED)) {
    Say(streams.err, "archiving could not start for " + std::to_string(notStarted) + " of " +
                         std::to_string(statuses.size()) +
                         (statuses.size() == 1 ? " page: " : " pages: ") +
                         ArchiverProblem(archiver, settingsFiles) +
                         "; settings files read: " + DescribeSettingsFiles(settingsFiles));
  }

  if (const int exitStatus = interrupted.load()) {
    Say(streams.err, std::string(exitStatus == kExitInterrupted ? "interrupted" : "terminated") +
                         " after " + std::to_string(sink.Statuses().size()) + " of " +
                         std::to_string(queued) + " pages; the others were not touched");
    return exitStatus;
  }
  if (queued == 0 && refusals.empty()) std::fputs("velkor-cli: no page to process\n", streams.err);
  // A run succeeds when it had pages, took every entry it was given, and
  // every page came back Ok.
  const bool everyPageOk =
      queued > 0 && statuses.size() == static_cast<size_t>(queued) &&
      std::ranges::all_of(statuses, [](int32_t status) { return status == job::STATUS_OK; });
  return everyPageOk && refusals.empty() && !missing ? kExitOk : kExitFailed;
}

}  // namespace app::cli
