#include "app/log_line.h"

#include "job/job_records.h"

namespace app {

std::string LogLine(int32_t status, const char* name) {
  if (status == job::STATUS_NO_ACTIONS) return "Отсутствуют заданные действия";
  if (status == job::STATUS_ARCHIVER_NOT_STARTED) {
    return "Настройте параметры архиватора в ini файле";
  }
  std::string line = name;
  line += " [";
  line += status == job::STATUS_OK ? "Ok" : "Ошибка: " + std::to_string(status);
  line += ']';
  if (line.size() > kLogLineCapacity - 1) line.resize(kLogLineCapacity - 1);
  return line;
}

}  // namespace app
