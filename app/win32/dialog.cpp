#include "app/win32/dialog.h"

#include <algorithm>

namespace win32 {

INT_PTR CDialog::DoModal(HWND parent) {
  // A Unicode dialog: its caption and its controls show every character of
  // a name, whatever the ANSI code page.
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
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

void CDialog::CenterWindow() {
  RECT self;
  RECT around;
  GetWindowRect(m_hWnd, &self);
  const HWND owner = GetWindow(m_hWnd, GW_OWNER);
  if (owner == nullptr || !GetWindowRect(owner, &around)) {
    around = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const LONG width = self.right - self.left;
  const LONG height = self.bottom - self.top;
  // A dialog larger than the screen keeps its top-left corner on it.
  const LONG x = std::clamp<LONG>(around.left + (around.right - around.left - width) / 2, 0,
                                  std::max<LONG>(0, GetSystemMetrics(SM_CXSCREEN) - width));
  const LONG y = std::clamp<LONG>(around.top + (around.bottom - around.top - height) / 2, 0,
                                  std::max<LONG>(0, GetSystemMetrics(SM_CYSCREEN) - height));
  SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->m_hWnd = window;
    return self->OnInitDialog();
  }
  // Messages that arrive before WM_INITDIALOG (fonts, sizing) find no object yet.
  auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr) return FALSE;

  INT_PTR result = FALSE;
  if (message == WM_COMMAND) {
    result = self->OnCommand(wParam, lParam);
  } else if (!self->OnMessage(message, wParam, lParam, result)) {
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

}  // namespace win32
