// The About box: template IDD_ABOUTBOX, opened from the main window's Help
// menu. OK, Enter and Esc close it.
#pragma once

#include <QDialog>

namespace qt {

class CAboutDlg final : public QDialog {
 public:
  // Centred over `owner`, whose icon it shows.
  explicit CAboutDlg(QWidget* owner);
};

}  // namespace qt
