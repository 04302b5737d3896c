#include "app/win32/dialog.h"

namespace win32 {

INT_PTR CDialog::DoModal(HWND parent) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                         &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOK();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->m_hWnd = window;
    return self->OnInitDialog();
  }
  // Messages that arrive before WM_INITDIALOG (fonts, sizing) find no object yet.
  auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (self == nullptr) return FALSE;

  INT_PTR result = FALSE;
  if (message == WM_COMMAND) {
    result = self->OnCommand(wParam, lParam);
  } else if (!self->OnMessage(message, wParam, lParam, result)) {
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

}  // namespace win32
