// Entry point of Velkor.exe.
#include <windows.h>

#include "app/win32/page_app.h"

namespace {

win32::CPageApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  theApp.InitInstance();
  return theApp.ExitInstance();
}
