// Entry point of Velkor.exe.
#include <windows.h>

#include "app/win32/page_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  win32::CPageApp application;
  application.InitInstance();
  return application.ExitInstance();
}
