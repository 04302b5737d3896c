#include "app/window_logic.h"

#include <utility>

#include "app/log_line.h"
#include "app/settings.h"

namespace app {

const char* const kIdleCaption = "Перетащите каталог в окно";

namespace {

// The line that tells why every key takes its default, so that the
// archiver's hint on each page has its reason; empty when no file is refused.
std::string SettingsRefusalLine(const SettingsRefusal& refusal) {
  const char* why = nullptr;
  switch (refusal.state) {
    case platform::SettingsFileState::Missing:
    case platform::SettingsFileState::Readable:
      return {};
    case platform::SettingsFileState::NotAFile:
      why = "не обычный файл";
      break;
    case platform::SettingsFileState::TooLarge:
      why = "больше 1 МБ";
      break;
    case platform::SettingsFileState::Unreadable:
      why = "нет доступа";
      break;
  }
  return std::string("Файл настроек не прочитан (") + why +
         "), действуют значения по умолчанию: " + ShownName(refusal.file);
}

}  // namespace

WindowLogic::WindowLogic(WindowView& view, job::JobPoster& worker, SettingsFiles settings)
    : view_(view), settings_(std::move(settings)), intake_(worker, view) {}

// The boxes are restored before the command line is taken: its jobs carry
// their states.
void WindowLogic::Open(const char* commandLineArguments) {
  Restore();
  intake_.ParseCommandLine(commandLineArguments);
  LogRefusals();
}

void WindowLogic::Open(const std::vector<std::string>& commandLinePaths) {
  Restore();
  intake_.TakeCommandLine(commandLinePaths);
  LogRefusals();
}

void WindowLogic::Restore() {
  settingsRefusal_ = SettingsRefusalLine(FindSettingsRefusal(settings_));
  LogSettingsRefusal();
  const WindowSettings settings = ReadWindowSettings(settings_);
  view_.SetArchiveChecked(settings.archive);
  view_.SetFixChecked(settings.fix);
  view_.MoveTo(settings.posX, settings.posY);
}

void WindowLogic::OnDrop(const std::vector<std::string>& paths,
                         const std::vector<Refusal>& refused) {
  view_.ClearLog();
  LogSettingsRefusal();
  intake_.QueueBatch(paths);
  for (const Refusal& refusal : refused) intake_.Refuse(refusal.path, refusal.status);
  LogRefusals();
}

void WindowLogic::LogRefusals() {
  for (const Refusal& refusal : intake_.TakeRefusals()) {
    Log(LogLine(refusal.status, refusal.path.c_str()));
  }
}

void WindowLogic::LogSettingsRefusal() {
  if (!settingsRefusal_.empty()) Log(settingsRefusal_);
}

void WindowLogic::Log(const std::string& line) {
  const bool following = view_.LogShowsLastLine();
  view_.AddLogLine(line);
  if (following) view_.ShowLastLogLine();
}

void WindowLogic::OnResult(std::unique_ptr<job::JobResult> result) {
  intake_.OnResult(result->status);
  Log(LogLine(result->status, result->name));
  result.reset();
  if (intake_.PendingJobs() != 0) return;
  view_.SetCaption(kIdleCaption);
  if (intake_.AutoClose() != 0) view_.Close();
}

bool WindowLogic::OnClose(const ClosingPlace& place) {
  // A minimised window reports a place far off the screen; it counts as 0.
  const int left = place.left < 0 ? 0 : place.left;
  const int top = place.top < 0 ? 0 : place.top;
  // A window closed beyond the screen would reopen out of sight: the place
  // it had before is kept instead.
  bool stored = true;
  if (top < place.maxHeight && left < place.maxWidth) {
    stored = WriteWindowPosition(settings_.user, left, top);
  }
  return WriteOptionBoxes(settings_.user, view_.ArchiveChecked(), view_.FixChecked()) && stored;
}

}  // namespace app
