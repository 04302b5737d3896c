// What the Linux window's tests share: sample pages in a temporary folder,
// settings that run the archiver stand-in, and the window read from inside.
#pragma once

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QSignalSpy>
#include <QStringList>
#include <filesystem>
#include <string>

#include "platform/settings_file.h"
#include "tests/support/temp_folder.h"

namespace qttest {

namespace fs = std::filesystem;

// Copies a sample page and its "_files" folder into `folder`; the copy's path.
inline std::string CopySample(const testsupport::TempFolder& folder, const std::string& page) {
  const std::string stem = fs::path(page).stem().string();
  fs::copy_file(fs::path(VELKOR_SAMPLES_DIR) / page, folder.path() / page);
  fs::copy(fs::path(VELKOR_SAMPLES_DIR) / (stem + "_files"), folder.path() / (stem + "_files"),
           fs::copy_options::recursive);
  return folder.Path(page);
}

// Settings whose archiver is the stand-in, ending with `exitCode` and writing
// its report beside the archive it would make; then `windowKeys`.
inline std::string StandinSettings(int exitCode, const std::string& windowKeys = "") {
  return "[Options]\nArc=" VELKOR_ARCHIVER_STANDIN "\nCom=" + std::to_string(exitCode) +
         " \"%s.report\" \"%s\" \"%s\"\nHidden=1\n" + windowKeys;
}

// The values of PosX, PosY, bArc and bMSIE in `file`.
inline QStringList StoredKeys(const std::string& file) {
  QStringList values;
  for (const char* key : {"PosX", "PosY", "bArc", "bMSIE"}) {
    values << QString::fromStdString(
        platform::Settings().ReadString(file.c_str(), "Options", key, "<absent>", 260));
  }
  return values;
}

// Handles events until the window's caption reads `caption`: true once it
// does, false when it does not within a minute.
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

inline QStringList LogLines(const QWidget& window) {
  QStringList lines;
  const auto* log = window.findChild<QListWidget*>("log");
  for (int i = 0; log != nullptr && i < log->count(); ++i) lines << log->item(i)->text();
  return lines;
}

}  // namespace qttest
