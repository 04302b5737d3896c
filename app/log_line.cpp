#include "app/log_line.h"

#include "job/job_records.h"

namespace app {

std::string LogLine(int32_t status, const char* name) {
  if (status == job::STATUS_NO_ACTIONS) return "Отсутствуют заданные действия";
  if (status == job::STATUS_ARCHIVER_NOT_STARTED) {
    return "Настройте параметры архиватора в ini файле";
  }
  const std::string statusText =
      status == job::STATUS_OK ? std::string("Ok") : "Ошибка: " + std::to_string(status);
  std::string line = std::string(name) + " [" + statusText + "]";
  if (line.size() > kLogLineCapacity - 1) line.resize(kLogLineCapacity - 1);
  return line;
}

}  // namespace app
