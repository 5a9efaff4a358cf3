// morvane.exe: the main dialog, run modally; the program ends when it closes.
#include <windows.h>
// The other Windows headers need windows.h first.
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <utility>
#include <vector>

#include "app/win32/morvane_win32_dlg.h"
#include "app/win32/win32_text.h"

// The arguments are files offered as the source, as a drop on the dialog is: "Open with", a
// file dropped on the program, `morvane.exe PROJECT.dvc`.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  std::vector<std::string> files;
  int count = 0;
  if (wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) {
      wchar_t full[32768] = {};
      const DWORD length = GetFullPathNameW(arguments[i], 32768, full, nullptr);
      files.push_back(morvane::win32::Utf8(length > 0 && length < 32768 ? full : arguments[i]));
    }
    LocalFree(arguments);
  }
  morvane::win32::CMorvaneDlg dialog;
  dialog.OfferAtStart(std::move(files));
  dialog.DoModal();
  return 0;
}
