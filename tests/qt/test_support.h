// What the Linux window's tests share.
#pragma once

#include <QDeadlineTimer>
#include <QListWidget>
#include <QSignalSpy>
#include <QStringList>
#include <string>

#include "tests/support/fixtures.h"

namespace qttest {

namespace fs = std::filesystem;

// The values of PosX, PosY, bArc and bMSIE in `file`.
inline QStringList StoredKeys(const std::string& file) {
  QStringList values;
  for (const std::string& value : testsupport::StoredWindowKeys(file))
    values << QString::fromStdString(value);
  return values;
}

inline QStringList LogLines(const QWidget& window) {
  QStringList lines;
  const auto* log = window.findChild<QListWidget*>("log");
  for (int i = 0; log != nullptr && i < log->count(); ++i) lines << log->item(i)->text();
  return lines;
}

// Handles events until the window's caption reads `caption`; false if not within a minute.
inline bool WaitForCaption(QWidget& window, const QString& caption) {
  QSignalSpy changed(&window, &QWidget::windowTitleChanged);
  const QDeadlineTimer deadline(60000);
  while (window.windowTitle() != caption) {
    if (deadline.hasExpired() || !changed.wait(static_cast<int>(deadline.remainingTime()))) {
      return false;
    }
  }
  return true;
}

}  // namespace qttest
