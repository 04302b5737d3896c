#include "app/log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LogLine, ShowsTheNameWithItsStatusOrAHintAloneCutAtItsRoom) {
  const std::pair<int32_t, std::string> cases[] = {
      {0, "page.htm [Ok]"},
      {2, "page.htm [Ошибка: 2]"},
      {-5, "page.htm [Ошибка: -5]"},
      {-1, "Настройте параметры архиватора в ini файле"},
      {-2, "Отсутствуют заданные действия"},
  };
  for (const auto& [status, line] : cases) EXPECT_EQ(app::LogLine(status, "page.htm"), line);
  EXPECT_EQ(app::LogLine(0, std::string(1100, 'n').c_str()),
            std::string(app::kLogLineCapacity - 1, 'n'));
}

}  // namespace
