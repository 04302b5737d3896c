#include "app/cli/run_cli.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "app/cli/archiver_problem.h"
#include "app/cli/cli_options.h"
#include "app/cli/console_sink.h"
#include "app/intake.h"
#include "app/log_line.h"
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

// The settings files the run reads: the one --ini names, by its full path,
// alone; or the user's over the system's. Nothing when --ini names no file.
std::optional<SettingsFiles> SettingsFilesOf(const CliOptions& options, std::FILE* err) {
  if (options.ini) {
    // The profile reader on Windows looks for a relative file name in the
    // Windows folder, so the settings file is always named by its full path.
    SettingsFiles files(platform::ThisProcess().FullPath(options.ini->c_str()));
    if (platform::Files().Kind(files.user.c_str()) != platform::PathKind::File) return std::nullopt;
    return files;
  }
  // Settings that an earlier run kept beside the program would otherwise be
  // left behind without a word.
  SettingsFiles files = DefaultSettingsFiles();
  const std::string unread = UnreadSettingsBesideProgram();
  if (!unread.empty()) {
    Say(err, unread + " is not read; the settings are read from " + files.user +
                 " (move the file there)");
  }
  return files;
}

// What the pages get: the settings files' settings and boxes, as the options
// override them.
struct RunSettings {
  job::JobSettings jobs;
  FixedBoxes boxes;
};

RunSettings ReadRunSettings(const CliOptions& options, const SettingsFiles& files) {
  job::JobSettings settings = ReadJobSettings(files);
  settings.sync = options.sync.value_or(settings.sync);
  settings.archiver.timeoutSeconds = options.archiverTimeout;
  settings.archiver.captureOutput = true;
  const WindowSettings saved = ReadWindowSettings(files);
  return {std::move(settings),
          FixedBoxes(options.archive.value_or(saved.archive), options.fix.value_or(saved.fix))};
}

// Each page whose archiver could not start says only "set up the
// archiver"; this says once what is wrong, and where the settings were
// looked for.
void SayWhyNoArchiverStarted(std::FILE* err, const std::vector<int32_t>& statuses,
                             const job::ArchiverSettings& archiver, const SettingsFiles& files) {
  const auto notStarted = std::ranges::count(statuses, job::STATUS_ARCHIVER_NOT_STARTED);
  if (notStarted == 0) return;
  Say(err, "archiving could not start for " + std::to_string(notStarted) + " of " +
               std::to_string(statuses.size()) + (statuses.size() == 1 ? " page: " : " pages: ") +
               ArchiverProblem(archiver, files) +
               "; settings files read: " + DescribeSettingsFiles(files));
}

// How a batch went.
struct BatchEnd {
  bool started = false;  // false when no worker could be started
  int32_t queued = 0;    // the pages it took
  bool refused = false;  // an entry it could not take
  int interrupted = 0;   // the exit status of an interrupt that ended it, or 0
};

// Runs the pages the options name on the workers, each line printed by `sink`.
BatchEnd RunBatch(const CliOptions& options, RunSettings& run, ConsoleSink& sink) {
  // A Ctrl+C or a terminate request stops the archivers running, and no
  // page after those in hand is begun; those in hand are finished, whole.
  std::atomic<bool> stop{false};
  std::atomic<int> interrupted{0};
  job::RunningFlag running;
  run.jobs.archiver.stop = &stop;
  // Pages at once: one for each processor core unless told.
  const int workers = options.jobs.value_or(static_cast<int>(std::thread::hardware_concurrency()));
  job::CJobPool pool(running, sink, job::PageJobRunner(run.jobs), workers);
  if (!pool.Start()) return {};
  const std::unique_ptr<platform::InterruptWatch> watch =
      platform::ThisProcess().WatchInterrupts([&](int exitStatus) {
        interrupted = exitStatus;
        running.BeginShutDown();
        stop = true;
      });

  Intake intake(pool, run.boxes);
  // Held around the intake's own hold, so that the progress line knows the
  // batch's size before its first job starts, and the entries the intake
  // refused are logged before any result.
  pool.Hold();
  intake.TakeCommandLine(options.paths);
  BatchEnd end{.started = true};
  end.queued = intake.PendingJobs();
  const std::vector<Refusal> refusals = intake.TakeRefusals();
  for (const Refusal& refusal : refusals) {
    sink.PrintLogLine(LogLine(refusal.status, refusal.path.c_str()));
  }
  end.refused = !refusals.empty();
  sink.SetTotal(end.queued);
  pool.Release();
  // The running flag stays set unless interrupted: the workers finish the
  // whole batch, then quit.
  pool.Quit();
  sink.ClearProgress();
  run.jobs.archiver.stop = nullptr;  // it goes with this call
  end.interrupted = interrupted.load();
  return end;
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
  const std::optional<SettingsFiles> files = SettingsFilesOf(options, streams.err);
  if (!files) return Usage(streams.err, "no settings file '" + *options.ini + "'");
  RunSettings run = ReadRunSettings(options, *files);

  ConsoleSink sink(streams.out, streams.showProgress ? streams.err : nullptr, options.verbose);
  const bool missing = WarnOfMissingPaths(options.paths, streams.err);
  const BatchEnd end = RunBatch(options, run, sink);
  if (!end.started) {
    Say(streams.err, "the worker threads cannot be started");
    return kExitFailed;
  }
  const std::vector<int32_t>& statuses = sink.Statuses();
  SayWhyNoArchiverStarted(streams.err, statuses, run.jobs.archiver, *files);
  if (end.interrupted != 0) {
    const char* const how = end.interrupted == kExitInterrupted ? "interrupted" : "terminated";
    Say(streams.err, std::string(how) + " after " + std::to_string(statuses.size()) +
                         " of " + std::to_string(end.queued) +
                         " pages; the others were not touched");
    return end.interrupted;
  }
  if (end.queued == 0 && !end.refused) Say(streams.err, "no page to process");
  // A run succeeds when it had pages, took every entry it was given, and
  // every page came back Ok.
  const bool everyPageOk =
      end.queued > 0 && statuses.size() == static_cast<size_t>(end.queued) &&
      std::ranges::all_of(statuses, [](int32_t status) { return status == job::STATUS_OK; });
  return everyPageOk && !end.refused && !missing ? kExitOk : kExitFailed;
}

int CliMain(int argc, char** argv) {
  platform::ThisProcess().KeepFreedMemoryForReuse();
  return RunCli(platform::ProgramArguments(argc, argv),
                {stdout, stderr, platform::ThisProcess().StderrIsTerminal()});
}

}  // namespace app::cli
