#include "app/win32/page_dlg.h"

#include <clocale>
#include <memory>
#include <utility>
#include <vector>

#include "app/win32/about_dlg.h"
#include "job/job_records.h"
#include "platform/win32/wide_text.h"
#include "res/resource.h"

namespace win32 {
namespace {

bool IsChecked(HWND dialog, int box) { return IsDlgButtonChecked(dialog, box) == BST_CHECKED; }

void Check(HWND dialog, int box, bool checked) {
  CheckDlgButton(dialog, box, checked ? BST_CHECKED : BST_UNCHECKED);
}

// The lines the list shows whole (at least one: a list too low for a whole
// line still shows its top one).
LRESULT LogRowsInView(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT rows = height > 0 ? (client.bottom - client.top) / height : 1;
  return rows > 0 ? rows : 1;
}

}  // namespace

CPageDlg::CPageDlg(job::JobPoster& worker, MainWindowSink& sink, std::string settingsPath,
                   const char* commandLineArguments)
    : CDialog(IDD_MAIN),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      sink_(sink),
      commandLineArguments_(commandLineArguments),
      logic_(*this, worker, std::move(settingsPath)) {}

BOOL CPageDlg::OnInitDialog() {
  m_logList = GetDlgItem(m_hWnd, IDC_LOG);
  // The process's locale is Russian with Windows-1251, set for every thread
  // before any job exists, as the program has always set it. Nothing of the
  // page processing depends on it any more: its letter-case folding and its
  // code-page tables are its own, the same on every system.
  std::setlocale(LC_ALL, "Russian_Russia.1251");
  sink_.SetWindow(m_hWnd);

  if (HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE)) {
    wchar_t about[256];
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256) > 0) {
      AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));

  logic_.Open(commandLineArguments_);
  return FALSE;  // the focus stays where the system put it
}

BOOL CPageDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (wParam != static_cast<WPARAM>(ID_JOB_DONE)) return CDialog::OnCommand(wParam, lParam);
  if (lParam != 0) {
    logic_.OnResult(std::unique_ptr<job::JobResult>(reinterpret_cast<job::JobResult*>(lParam)));
  }
  return TRUE;
}

bool CPageDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam);
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      // The cursor shown while the minimised window is dragged.
      result = reinterpret_cast<INT_PTR>(m_hIcon);
      return true;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return true;
    case WM_DESTROY:
      OnDestroy();
      return false;
    default:
      return CDialog::OnMessage(message, wParam, lParam, result);
  }
}

bool CPageDlg::OnSysCommand(WPARAM id) {
  if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
  CAboutDlg about;
  about.DoModal(m_hWnd);
  return true;
}

bool CPageDlg::OnPaint() {
  if (!IsIconic(m_hWnd)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &paint);
  return true;
}

void CPageDlg::OnDropFiles(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> paths;
  paths.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    // Each path is read whole: a path cut to a fixed room could name
    // another file. The intake refuses what is too long for a job. It is
    // read in UTF-16: the ANSI form of a name the code page lacks would hold
    // look-alike letters or "?", naming another file or a wildcard.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring wide(length, L'\0');
    if (length == 0 || DragQueryFileW(drop, i, wide.data(), length + 1) != length) continue;
    paths.push_back(platform::FromWide(wide.c_str()));
  }
  logic_.OnDrop(paths);
  DragFinish(drop);
}

void CPageDlg::OnDestroy() {
  // From here on the worker frees its results instead of posting them;
  // those posted already but not handled (the modal loop has ended) are
  // freed here, as the window owns them.
  sink_.SetWindow(nullptr);
  MSG pending;
  while (PeekMessageW(&pending, m_hWnd, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    if (pending.wParam == static_cast<WPARAM>(ID_JOB_DONE)) {
      delete reinterpret_cast<job::JobResult*>(pending.lParam);
    }
  }
  RECT window;
  GetWindowRect(m_hWnd, &window);
  logic_.OnClose({window.left, window.top, GetSystemMetrics(SM_CXMAXIMIZED),
                  GetSystemMetrics(SM_CYMAXIMIZED)});
}

bool CPageDlg::ArchiveChecked() const { return IsChecked(m_hWnd, IDC_ARCHIVE); }
bool CPageDlg::FixChecked() const { return IsChecked(m_hWnd, IDC_FIX_HTML); }
void CPageDlg::SetArchiveChecked(bool checked) { Check(m_hWnd, IDC_ARCHIVE, checked); }
void CPageDlg::SetFixChecked(bool checked) { Check(m_hWnd, IDC_FIX_HTML, checked); }

void CPageDlg::MoveTo(int x, int y) {
  SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CPageDlg::AddLogLine(const std::string& line) {
  const platform::WideText wide(line);
  SendMessageW(m_logList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.get()));
}

void CPageDlg::ClearLog() { SendMessageW(m_logList, LB_RESETCONTENT, 0, 0); }

bool CPageDlg::LogShowsLastLine() const {
  const LRESULT count = SendMessageW(m_logList, LB_GETCOUNT, 0, 0);
  const LRESULT top = SendMessageW(m_logList, LB_GETTOPINDEX, 0, 0);
  return top + LogRowsInView(m_logList) >= count;
}

void CPageDlg::ShowLastLogLine() {
  const LRESULT count = SendMessageW(m_logList, LB_GETCOUNT, 0, 0);
  const LRESULT top = count - LogRowsInView(m_logList);
  SendMessageW(m_logList, LB_SETTOPINDEX, static_cast<WPARAM>(top > 0 ? top : 0), 0);
}

void CPageDlg::SetCaption(const char* text) {
  SetWindowTextW(m_hWnd, platform::WideText(text).get());
}

void CPageDlg::Close() { PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

}  // namespace win32
