#include "app/win32/morvane_win32_dlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <array>
#include <string>

#include "app/win32/resource.h"
#include "app/win32/template_texts.h"
#include "app/win32/win32_text.h"
#include "convert/project_links.h"
#include "listing/progress_sink.h"
#include "platform/interrupts.h"

namespace morvane::win32 {

namespace {

struct RadioControl {
  DialogRadio radio;
  int id;
};

constexpr std::array<RadioControl, 6> kRadios = {{
    {DialogRadio::RexEdit, IDC_REXEDIT},
    {DialogRadio::EzEdit, IDC_EZEDIT},
    {DialogRadio::NtscDropFrame, IDC_NTSC_DROP_FRAME},
    {DialogRadio::NtscNonDrop, IDC_NTSC_NON_DROP},
    {DialogRadio::Pal, IDC_PAL},
    {DialogRadio::Frame, IDC_FRAME},
}};

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// Posted once the dialog is up: offer the files named at start.
constexpr UINT kOfferStartFiles = WM_APP + 1;

// The files of a drop, in its order; the drop is finished.
std::vector<std::string> DroppedFiles(HDROP drop) {
  std::vector<std::string> files;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0), L'\0');
    DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size() + 1));
    files.push_back(Utf8(name));
  }
  DragFinish(drop);
  return files;
}

// The about item as the reader reads it: string 101 is its English text (kAboutItem).
std::wstring AboutItemText() {
  // LoadStringW with a zero length gives a read-only pointer to the text, which is not
  // terminated; its length is the result.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(Instance(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? Wide(Tr(Utf8(std::wstring_view(text, static_cast<std::size_t>(length))))) : std::wstring();
}

std::wstring MediaFoldersItemText() { return Wide(Tr(DialogCore::kMediaFoldersItem)); }

bool IsPushButton(HWND control) {
  return control != nullptr &&
         (SendMessageW(control, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

// The width a one-line label or a radio button needs for its whole text, or 0 for any other
// control.
int NeededWidth(HWND control) {
  wchar_t kind[16] = {};
  GetClassNameW(control, kind, 16);
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  if (lstrcmpiW(kind, WC_BUTTONW) == 0) {
    const LONG_PTR type = style & BS_TYPEMASK;
    SIZE ideal{};
    if ((type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) &&
        SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) {
      return ideal.cx;
    }
    return 0;
  }
  if (lstrcmpiW(kind, WC_STATICW) != 0 || (style & SS_TYPEMASK) != SS_LEFT) {
    return 0;
  }
  const std::wstring text = WindowText(control);
  HDC context = GetDC(control);
  HGDIOBJ oldFont = SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(context, &metrics);
  SIZE extent{};
  GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(context, oldFont);
  ReleaseDC(control, context);
  RECT area{};
  GetClientRect(control, &area);
  // A label of two lines or more wraps its text instead.
  return area.bottom < 2 * metrics.tmHeight ? static_cast<int>(extent.cx) : 0;
}

INT_PTR CALLBACK AboutProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      TranslateTemplate(window, kAboutBoxTexts);
      // The home page and contact are set when the build is configured; an empty one is not
      // shown.
      SetDlgItemTextW(window, IDC_ABOUT_WEB, Wide(version::kHomePage).c_str());
      SetDlgItemTextW(window, IDC_ABOUT_MAIL, Wide(version::kContact).c_str());
      for (int id : {IDC_ABOUT_WEB, IDC_ABOUT_MAIL}) {
        HWND line = GetDlgItem(window, id);
        if (GetWindowTextLengthW(line) == 0) {
          ShowWindow(line, SW_HIDE);
        }
      }
      FitTexts(window);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_HELP:  // left to the system, F1 would reach the main dialog and open a second box
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// The templates fit the texts in "MS PGothic"; a substitute font with other metrics (IPAPGothic
// under Wine is a few pixels wider) would cut off the end of a text. Such a control grows to the
// right until its whole text shows; its position and height stay.
void FitTexts(HWND dialog) {
  for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    RECT area{};
    GetWindowRect(control, &area);
    const int needed = NeededWidth(control);
    if (needed > area.right - area.left) {
      SetWindowPos(control, nullptr, 0, 0, needed, area.bottom - area.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void ShowAboutBox(HWND owner) {
  DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, AboutProcedure, 0);
}

CMorvaneDlg::CMorvaneDlg() : core_(*this, systemMessages_, systemPickers_) {}

CMorvaneDlg::CMorvaneDlg(MessageBoxes& messages, FilePickers& pickers) : core_(*this, messages, pickers) {}

CMorvaneDlg::~CMorvaneDlg() {
  if (window_ != nullptr && !modal_) {
    DestroyWindow(window_);
  }
  for (HICON icon : {icon_, smallIcon_}) {
    if (icon != nullptr) {
      DestroyIcon(icon);
    }
  }
}

void CMorvaneDlg::DoModal(HWND parent) {
  modal_ = true;
  DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_MORVANE_DIALOG), parent, Procedure,
                  reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
}

HWND CMorvaneDlg::Create(HWND parent) {
  modal_ = false;
  return CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_MORVANE_DIALOG), parent, Procedure,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CMorvaneDlg::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<CMorvaneDlg*>(lParam)->window_ = window;
  }
  auto* dialog = reinterpret_cast<CMorvaneDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) {
    return FALSE;
  }
  const INT_PTR result = dialog->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    dialog->window_ = nullptr;
  }
  return result;
}

INT_PTR CMorvaneDlg::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox(window_);
        return TRUE;
      }
      if ((wParam & 0xFFF0) == IDM_MEDIAFOLDERS) {
        core_.AddMediaFolder();
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      if (IsIconic(window_)) {
        PaintMinimized();
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HELP:
      if (DialogCore::CommandForKey(DialogKey::F1, false) == KeyCommand::ShowAbout) {
        ShowAboutBox(window_);
      }
      return TRUE;
    case WM_CONTEXTMENU:
      OnContextMenu(lParam);
      return TRUE;
    case WM_DROPFILES:
      OfferSource(DroppedFiles(reinterpret_cast<HDROP>(wParam)));
      return TRUE;
    case kOfferStartFiles:
      OfferSource(startFiles_);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) {
        EndAtSessionEnd();  // the temporary of a conversion under way goes with the program
      }
      return TRUE;
    default:
      return FALSE;
  }
}

void CMorvaneDlg::OnInitDialog() {
  TranslateTemplate(window_, kMainDialogTexts);
  if (HMENU menu = GetSystemMenu(window_, FALSE)) {
    const std::wstring item = AboutItemText();
    if (!item.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, item.c_str());
    }
    AppendMenuW(menu, MF_STRING, IDM_MEDIAFOLDERS, MediaFoldersItemText().c_str());
  }
  icon_ = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ =
      static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  HWND bar = GetDlgItem(window_, IDC_PROGRESS);
  // The classic bar draws each position at once; the themed one animates towards it on timers,
  // which do not run while a conversion holds the thread.
  SetWindowTheme(bar, L"", L"");
  SendMessageW(bar, PBM_SETRANGE32, 0, kProgressSteps);
  SendMessageW(bar, PBM_SETSTEP, 1, 0);
  SendMessageW(bar, PBM_SETPOS, 0, 0);

  FitTexts(window_);
  ShowRadios();
  SetDlgItemTextW(window_, IDC_SOURCE_PATH, Wide(core_.sourcePath()).c_str());
  SetDlgItemTextW(window_, IDC_DESTINATION_PATH, Wide(core_.destinationPath()).c_str());
  DragAcceptFiles(window_, TRUE);
  if (!startFiles_.empty()) {
    // After the dialog shows, so that a question about the file has it as its owner.
    PostMessageW(window_, kOfferStartFiles, 0, 0);
  }
}

void CMorvaneDlg::OfferSource(const std::vector<std::string>& paths) {
  if (core_.OfferSource(paths)) {
    ShowPickedPath(IDC_SOURCE_PATH, core_.sourcePath());
  }
}

// Checks exactly the buttons of the settings in force. BM_SETCHECK also makes a checked radio
// button its group's tab stop and takes the tab stop from the others, so Tab reaches each group
// at its checked button.
void CMorvaneDlg::ShowRadios() {
  for (const RadioControl& radio : kRadios) {
    CheckDlgButton(window_, radio.id, core_.IsChecked(radio.radio) ? BST_CHECKED : BST_UNCHECKED);
  }
}

void CMorvaneDlg::OnCommand(int id, int code) {
  for (const RadioControl& radio : kRadios) {
    if (id == radio.id) {
      if (code == BN_CLICKED) {
        core_.ClickRadio(radio.radio);
        ShowRadios();
      }
      return;
    }
  }
  switch (id) {
    case IDC_SOURCE_PATH:
      if (code == EN_CHANGE) {
        core_.SetSourcePath(WindowTextUtf8(GetDlgItem(window_, IDC_SOURCE_PATH)));
      }
      break;
    case IDC_DESTINATION_PATH:
      if (code == EN_CHANGE) {
        core_.SetDestinationPath(WindowTextUtf8(GetDlgItem(window_, IDC_DESTINATION_PATH)));
      }
      break;
    case IDC_BROWSE_SOURCE:
      if (code == BN_CLICKED && core_.BrowseForSource()) {
        ShowPickedPath(IDC_SOURCE_PATH, core_.sourcePath());
      }
      break;
    case IDC_BROWSE_DESTINATION:
      if (code == BN_CLICKED && core_.BrowseForDestination()) {
        ShowPickedPath(IDC_DESTINATION_PATH, core_.destinationPath());
      }
      break;
    case IDC_CONVERT:
      if (code == BN_CLICKED) {
        core_.Convert();
      }
      break;
    case IDOK: {
      // Enter where no push button takes it.
      HWND focus = GetFocus();
      if (DialogCore::CommandForKey(DialogKey::Enter, IsPushButton(focus)) ==
          KeyCommand::PressFocusedButton) {
        SendMessageW(focus, BM_CLICK, 0, 0);
      }
      break;
    }
    case IDCANCEL:  // Escape and the close box
      if (DialogCore::CommandForKey(DialogKey::Escape, false) == KeyCommand::Close) {
        Close();
      }
      break;
    default:
      break;
  }
}

// The field shows the end of a long path, the file name, with the caret after it.
void CMorvaneDlg::ShowPickedPath(int id, const std::string& path) {
  HWND field = GetDlgItem(window_, id);
  const std::wstring text = Wide(path);
  SetWindowTextW(field, text.c_str());
  SendMessageW(field, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
  SendMessageW(field, EM_SCROLLCARET, 0, 0);
}

void CMorvaneDlg::OnContextMenu(LPARAM where) {
  POINT point{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  if (point.x == -1 && point.y == -1) {  // from the keyboard: at the dialog's top left corner
    RECT client{};
    GetClientRect(window_, &client);
    point = {client.left, client.top};
    ClientToScreen(window_, &point);
  }
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, AboutItemText().c_str());
  AppendMenuW(menu, MF_STRING, IDM_MEDIAFOLDERS, MediaFoldersItemText().c_str());
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                       point.x, point.y, 0, window_, nullptr));
  DestroyMenu(menu);
  if (chosen == IDM_ABOUTBOX) {
    ShowAboutBox(window_);
  } else if (chosen == IDM_MEDIAFOLDERS) {
    core_.AddMediaFolder();
  }
}

void CMorvaneDlg::PaintMinimized() {
  PAINTSTRUCT paint{};
  HDC context = BeginPaint(window_, &paint);
  SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client{};
  GetClientRect(window_, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(context, x, y, icon_);
  EndPaint(window_, &paint);
}

void CMorvaneDlg::ShowProgress(int position, std::string_view status) {
  if (window_ == nullptr) {
    return;
  }
  HWND bar = GetDlgItem(window_, IDC_PROGRESS);
  HWND line = GetDlgItem(window_, IDC_STATUS);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  SetWindowTextW(line, Wide(status).c_str());
  // The conversion holds the thread, so only a synchronous repaint shows it.
  UpdateWindow(bar);
  UpdateWindow(line);
}

void CMorvaneDlg::Close() {
  if (modal_) {
    EndDialog(window_, IDCANCEL);
  } else {
    DestroyWindow(window_);
  }
}

}  // namespace morvane::win32
