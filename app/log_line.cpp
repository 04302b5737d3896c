#include "app/log_line.h"

#include "job/job_records.h"
#include "page/charset.h"
#include "page/journal.h"

namespace app {
namespace {

// What a page status says after the page's name; empty for any other
// status. Each says whether the page was touched.
std::string PageStatusText(int32_t status, const char* name) {
  switch (status) {
    case job::STATUS_PAGE_MISSING:
      return "Страница не найдена";
    case job::STATUS_PAGE_NOT_A_FILE:
      return "Это не файл страницы, пропущено";
    case job::STATUS_PAGE_BUSY:
      return "Страница занята другой программой, не изменена";
    case job::STATUS_PAGE_READ_ONLY:
      return "Страница только для чтения, не изменена";
    case job::STATUS_PAGE_DENIED:
      return "Нет доступа к странице, не изменена";
    case job::STATUS_PAGE_TOO_LARGE:
      return "Страница больше 2 ГБ, не изменена";
    case job::STATUS_PAGE_NO_MEMORY:
      return "Не хватило памяти, страница не изменена";
    case job::STATUS_PAGE_READ_FAILED:
      return "Ошибка чтения, страница не изменена";
    case job::STATUS_JOURNAL_NOT_CREATED:
      return "Нельзя создать журнал рядом со страницей, страница не изменена";
    case job::STATUS_PAGE_CHANGED:
      return "Страницу изменила другая программа, страница не записана";
    case job::STATUS_PAGE_WRITE_FAILED:
      return "Ошибка записи, страница восстановлена";
    case job::STATUS_PAGE_NOT_ROLLED_BACK:
      return "Ошибка записи, исходная страница сохранена в " +
             ShownName(std::string(name) + std::string(page::kJournalSuffix));
    case job::STATUS_JOURNAL_KEPT:
      return "Страница не изменена: она не подходит к журналу прежнего сбоя, журнал сохранён как " +
             ShownName(std::string(name) + std::string(page::kKeptJournalSuffix));
    case job::STATUS_JOURNAL_DAMAGED:
      return "Страница не изменена: журнал прежнего сбоя повреждён и сохранён как " +
             ShownName(std::string(name) + std::string(page::kKeptJournalSuffix));
    case job::STATUS_PAGE_LINKED:
      return "Страница — ссылка на другой файл, не изменена";
    case job::STATUS_STALE_JOURNAL:
      return "Мешает журнал прежнего сбоя " +
             ShownName(std::string(name) + std::string(page::kJournalSuffix)) +
             ", страница не изменена";
    case job::STATUS_ARCHIVE_NO_MEMORY:
      return "Не хватило памяти для архивации";
    case job::STATUS_WEB_ARCHIVE_DAMAGED:
      return "Веб-архив повреждён, не изменён";
    default:
      return {};
  }
}

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
    case job::STATUS_NOT_LOCAL_FILE:
      return "Пропущено: не локальный файл";
    default:
      return nullptr;
  }
}

// The length of the control character at `at` in `name`; 0 for any other.
size_t ControlLength(std::string_view name, size_t at) {
  const auto byte = [&name](size_t i) { return static_cast<unsigned char>(name[i]); };
  if (byte(at) < 0x20 || byte(at) == 0x7F) return 1;
  return byte(at) == 0xC2 && at + 1 < name.size() && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9F
             ? 2
             : 0;
}

// One byte of a control character as $'...' writes it.
std::string Escaped(unsigned char byte) {
  static constexpr char kLetters[] = "abtnvfr";
  if (byte >= '\a' && byte <= '\r') return {'\\', kLetters[byte - '\a']};
  const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                        static_cast<char>('0' + ((byte >> 3) & 7)),
                        static_cast<char>('0' + (byte & 7))};
  return std::string(octal, sizeof octal);
}

// `name` cut from its front, behind "...", so that `room` bytes hold it: a
// long path keeps its end, the part that tells which file it was. A cut
// never leaves half a UTF-8 character.
std::string FitFromEnd(const std::string& name, size_t room) {
  if (name.size() <= room) return name;
  return "..." + std::string(page::Utf8Suffix(name, room - 3));
}

}  // namespace

std::string ShownName(std::string_view name) {
  bool odd = !name.empty() && (name.front() == ' ' || name.back() == ' ');
  for (size_t i = 0; i < name.size() && !odd; ++i) odd = ControlLength(name, i) != 0;
  if (!odd) return std::string(name);
  // Where the text stands: inside '...', inside $'...', or between them.
  enum class Quote { None, Plain, Dollar } quote = Quote::None;
  std::string shown;
  const auto enter = [&](Quote wanted) {
    if (quote == wanted) return;
    if (quote != Quote::None) shown += '\'';
    if (wanted == Quote::Dollar) shown += '$';
    if (wanted != Quote::None) shown += '\'';
    quote = wanted;
  };
  for (size_t i = 0; i < name.size();) {
    if (const size_t length = ControlLength(name, i)) {
      enter(Quote::Dollar);
      for (const size_t end = i + length; i < end; ++i) shown += Escaped(name[i]);
      continue;
    }
    if (name[i] == '\'') {
      enter(Quote::None);
      shown += "\\'";
    } else {
      enter(Quote::Plain);
      shown += name[i];
    }
    ++i;
  }
  enter(Quote::None);
  return shown;
}

std::string LogLine(int32_t status, const char* name) {
  if (status == job::STATUS_NO_ACTIONS) return "Отсутствуют заданные действия";
  if (status == job::STATUS_ARCHIVER_NOT_STARTED) {
    return "Настройте параметры архиватора в ini файле";
  }
  std::string text = PageStatusText(status, name);
  if (const char* ending = EndingText(status)) text = ending;
  if (text.empty()) text = status == job::STATUS_OK ? "Ok" : "Ошибка: " + std::to_string(status);
  const std::string outcome = " [" + text + "]";
  const size_t room = kLogLineCapacity - 1;
  // The outcome is never cut: the name gives way, unless the outcome (which
  // may name the page's journal) leaves it no room at all.
  const std::string shown = ShownName(name);
  if (outcome.size() + 3 >= room) return (shown + outcome).substr(0, room);
  return FitFromEnd(shown, room - outcome.size()) + outcome;
}

}  // namespace app
