#include "app/log_line.h"

#include "job/job_records.h"

namespace app {
namespace {

// The texts of the statuses that the archiver's own ends and the intake's
// refusals give; null for any other status.
const char* EndingText(int32_t status) {
  switch (status) {
    case job::STATUS_ARCHIVER_TIMED_OUT:
      return "Архиватор остановлен: истекло время ожидания";
    case job::STATUS_ARCHIVER_INTERRUPTED:
      return "Прервано: архивирование не завершено";
    case job::STATUS_PATH_TOO_LONG:
      return "Пропущено: слишком длинный путь";
    case job::STATUS_NAME_NOT_ANSI:
      return "Пропущено: в имени есть символы вне кодировки ANSI";
    default:
      return nullptr;
  }
}

// `name` cut from its front, behind "...", so that `room` bytes hold it: a
// long path keeps its end, the part that tells which file it was. A cut
// never leaves half a UTF-8 character (in a single-byte code page it may
// take a letter more off, which is harmless).
std::string FitFromEnd(const std::string& name, size_t room) {
  if (name.size() <= room) return name;
  size_t from = name.size() - (room - 3);
  while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80) ++from;
  return "..." + name.substr(from);
}

}  // namespace

std::string LogLine(int32_t status, const char* name) {
  if (status == job::STATUS_NO_ACTIONS) return "Отсутствуют заданные действия";
  if (status == job::STATUS_ARCHIVER_NOT_STARTED) {
    return "Настройте параметры архиватора в ini файле";
  }
  std::string outcome = " [";
  if (const char* text = EndingText(status)) {
    outcome += text;
  } else {
    outcome += status == job::STATUS_OK ? "Ok" : "Ошибка: " + std::to_string(status);
  }
  outcome += ']';
  // The outcome is never cut: the name gives way.
  return FitFromEnd(name, kLogLineCapacity - 1 - outcome.size()) + outcome;
}

}  // namespace app
