// morvane.exe: the main dialog, run modally; the program ends when it closes.
#include <windows.h>
// The other Windows headers need windows.h first.
#include <commctrl.h>

#include "app/win32/morvane_win32_dlg.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  morvane::win32::CMorvaneDlg dialog;
  dialog.DoModal();
  return 0;
}
