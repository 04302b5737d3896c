// The About box, opened from the main window's system menu.
#pragma once

#include "app/win32/dialog.h"
#include "res/resource.h"

namespace win32 {

class CAboutDlg final : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

 protected:
  BOOL OnInitDialog() override {
    CenterWindow();
    return TRUE;
  }
};

}  // namespace win32
