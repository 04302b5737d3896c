#include "app/win32/page_app.h"

#include <commctrl.h>

#include "app/settings.h"
#include "app/win32/page_dlg.h"
#include "app/window_logic.h"
#include "platform/command_line.h"
#include "platform/win32/wide_text.h"

namespace win32 {

BOOL CPageApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  settingsPath_ = app::DefaultSettingsPath();
  if (!worker_.Start(settingsPath_, sink_)) return FALSE;

  // Read in UTF-16: the ANSI command line would hold look-alike letters for
  // those the code page lacks, naming another file.
  commandLine_ = platform::FromWide(GetCommandLineW());
  CPageDlg window(worker_.worker(), sink_, settingsPath_,
                  platform::SkipProgramName(commandLine_.c_str()));
  window.DoModal();
  return FALSE;
}

int CPageApp::ExitInstance() {
  worker_.Stop();
  return 0;
}

}  // namespace win32
