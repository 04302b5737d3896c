// A small modal-dialog base over the plain Win32 dialog API: the template
// and the dialog procedure stay with the system, each message goes to a
// virtual handler of the object that runs the dialog.
#pragma once

#include <windows.h>

namespace win32 {

class CDialog {
 public:
  explicit CDialog(int templateId) : templateId_(templateId) {}
  virtual ~CDialog() = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Builds the dialog from its template and runs it until it is ended.
  // Returns the code given to EndDialog, or -1 when it cannot be created.
  INT_PTR DoModal(HWND parent = nullptr);

 protected:
  // After the controls exist. TRUE lets the system focus the first control.
  virtual BOOL OnInitDialog() { return TRUE; }
  // WM_COMMAND. The base ends the dialog for Enter (IDOK) and for Esc and the
  // close box (IDCANCEL); TRUE when the command was handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual void OnOK() { EndDialog(m_hWnd, IDOK); }
  virtual void OnCancel() { EndDialog(m_hWnd, IDCANCEL); }
  // Every other message. True when handled; `result` is then what the
  // dialog procedure returns for it. False leaves it to the system.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

  // Centres the dialog over its owner (over the screen when it has none),
  // keeping it on the screen.
  void CenterWindow();

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
};

}  // namespace win32
