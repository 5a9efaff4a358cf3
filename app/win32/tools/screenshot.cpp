// Saves a picture of the main dialog as a 24-bit .bmp, with example paths in its fields, and
// one of its about box when a second name is given:
//   morvane_screenshot.exe dialog.bmp [about.bmp]
// in the user's language (under Wine: app/win32/testing/run_dialog.sh, with LANG=ja_JP.UTF-8 for
// Japanese; README.md says how the pictures are made).
#include <windows.h>
// The other Windows headers need windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "app/win32/morvane_win32_dlg.h"
#include "app/win32/resource.h"

namespace {

// Lets the dialog paint: runs its messages for a moment.
void Settle(HWND dialog) {
  const ULONGLONG end = GetTickCount64() + 500;
  while (GetTickCount64() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageW(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    Sleep(10);
  }
}

bool SaveBitmap(const wchar_t* path, HDC context, HBITMAP bitmap, int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as .bmp files store rows
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) / 4 * 4;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  if (GetDIBits(context, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) != height) {
    return false;
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  FILE* out = _wfopen(path, L"wb");
  if (out == nullptr) {
    return false;
  }
  bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  return std::fclose(out) == 0 && written;
}

// Saves what the screen shows of window: PrintWindow under Wine leaves out the controls.
bool Capture(HWND window, const wchar_t* path) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool printed = BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
  SelectObject(memory, old);
  const bool saved = printed && SaveBitmap(path, memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

// The about box runs its own modal loop: a timer looks for it, the window this thread shows
// on top of the dialog, takes its picture once it has painted, then closes it. Without a window
// manager, which window is active is Wine's guess, so it is not asked.
HWND mainDialog = nullptr;
const wchar_t* aboutPath = nullptr;
bool aboutSaved = false;
int aboutLooks = 0;

BOOL CALLBACK FindAboutBox(HWND window, LPARAM found) {
  if (GetWindow(window, GW_OWNER) == mainDialog && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK CaptureAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND about = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindAboutBox, reinterpret_cast<LPARAM>(&about));
  if (about == nullptr && ++aboutLooks < 20) {
    return;  // not shown yet: the timer looks again
  }
  KillTimer(nullptr, timer);
  if (about == nullptr) {
    PostQuitMessage(1);  // ends the modal loop of a box that never showed
    return;
  }
  RedrawWindow(about, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  aboutSaved = Capture(about, aboutPath);
  SendMessageW(about, WM_COMMAND, IDOK, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: morvane_screenshot OUTPUT.bmp [ABOUT.bmp]\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  morvane::win32::CMorvaneDlg dialog;
  HWND window = dialog.Create();
  if (window == nullptr) {
    std::fprintf(stderr, "morvane_screenshot: cannot create the dialog\n");
    return 1;
  }
  SetDlgItemTextW(window, IDC_SOURCE_PATH, L"C:\\DV\\wedding.dvc");
  SetDlgItemTextW(window, IDC_DESTINATION_PATH, L"C:\\DV\\wedding.txt");
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetFocus(GetDlgItem(window, IDC_CONVERT));
  Settle(window);

  if (!Capture(window, argv[1])) {
    std::fprintf(stderr, "morvane_screenshot: cannot capture the dialog\n");
    return 1;
  }
  if (argc == 3) {
    mainDialog = window;
    aboutPath = argv[2];
    SetTimer(nullptr, 0, 700, CaptureAboutBox);
    SendMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    if (!aboutSaved) {
      std::fprintf(stderr, "morvane_screenshot: cannot capture the about box\n");
      return 1;
    }
  }
  return 0;
}
