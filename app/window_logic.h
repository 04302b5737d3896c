// The main window's behaviour, apart from any window system: what it
// restores and stores, how it takes the command line and drops, and what
// each job's result does to the log, the caption and the window's life.
// The Windows dialog (and any later window) draws; this decides.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/intake.h"
#include "app/settings.h"
#include "job/job_records.h"
#include "job/worker.h"

namespace app {

// The caption shown whenever no job is pending any more.
extern const char* const kIdleCaption;

// What the logic needs of a window. The option boxes are read through
// OptionBoxes, by the intake for every request it makes.
class WindowView : public OptionBoxes {
 public:
  virtual void SetArchiveChecked(bool checked) = 0;
  virtual void SetFixChecked(bool checked) = 0;
  // Moves the window's top-left corner to a screen point, keeping its size.
  virtual void MoveTo(int x, int y) = 0;
  virtual void AddLogLine(const std::string& line) = 0;
  virtual void ClearLog() = 0;
  // True when the log's last line is in view, as it is while no line lies
  // out of view.
  virtual bool LogShowsLastLine() const = 0;
  // Scrolls the log so that its last line is in view.
  virtual void ShowLastLogLine() = 0;
  virtual void SetCaption(const char* text) = 0;
  // Closes the window as the user's close command does, once the message
  // being handled is done.
  virtual void Close() = 0;
};

// Where the window stands when it closes, and the largest window the
// primary screen holds, in screen pixels.
struct ClosingPlace {
  int left = 0;
  int top = 0;
  int maxWidth = 0;
  int maxHeight = 0;
};

class WindowLogic {
 public:
  // `view` and `worker` must outlive the logic. Without a user's file
  // (empty) the settings come from the other files or their defaults, and
  // nothing is stored.
  WindowLogic(WindowView& view, job::JobPoster& worker, SettingsFiles settings);

  // Restores the boxes and the position, then queues the pages named in
  // the command line's argument text; the self-closing is armed when that
  // queued anything and refused nothing. Each refused entry gets its line.
  void Open(const char* commandLineArguments);
  // The same for a command line the system has already split into paths.
  void Open(const std::vector<std::string>& commandLinePaths);

  // A drop: the log is emptied and the paths are queued behind any jobs
  // still pending, as one batch. `refused` are dropped items the front end
  // could not take as paths (a URL of no local file): each gets its line, as
  // every refused entry does, and cancels the closing.
  void OnDrop(const std::vector<std::string>& paths, const std::vector<Refusal>& refused = {});

  // One finished job: its log line, then, when it was the last pending one,
  // the idle caption and, after a fully successful command-line run, the
  // closing.
  void OnResult(std::unique_ptr<job::JobResult> result);

  // Stores the position (unless it lies beyond the screen; a negative
  // coordinate counts as 0) and the states of both boxes. False when the
  // settings file could not be written; the window closes all the same.
  bool OnClose(const ClosingPlace& place);

  const Intake& intake() const { return intake_; }

 private:
  // The boxes and the position, from the settings; a settings file that
  // cannot be read is named in the log, there and after each drop.
  void Restore();
  void LogSettingsRefusal();
  void LogRefusals();
  // Adds a line; the log follows it unless the user has scrolled away from
  // the end to read earlier lines.
  void Log(const std::string& line);

  WindowView& view_;
  SettingsFiles settings_;
  std::string settingsRefusal_;  // its line, or empty
  Intake intake_;
};

}  // namespace app
