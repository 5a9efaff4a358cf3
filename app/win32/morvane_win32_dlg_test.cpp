// The Windows dialog driven through its window messages, under Wine on a virtual display
// (app/win32/testing/run_dialog.sh), with the message boxes and pickers replaced.
#include "app/win32/morvane_win32_dlg.h"

#include <windows.h>
// The other Windows headers need windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/win32/resource.h"
#include "app/win32/win32_text.h"
#include "convert/messages.h"
#include "convert/version.h"
#include "platform/file_access.h"
#include "platform/file_io.h"
#include "testing/doubles/recording_prompts.h"
#include "testing/scratch_folder.h"

namespace morvane::win32 {
namespace {

// While a modal loop runs, a timer calls act until act returns true (it has closed the window).
std::function<bool()> act;
void CALLBACK ActOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  if (act()) KillTimer(nullptr, timer);
}

RECT ControlRect(HWND control) {
  RECT area{};
  GetWindowRect(control, &area);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&area), 2);
  return area;
}

class Win32DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    window_ = dialog_.Create();
    ASSERT_NE(window_, nullptr);
    messages_.whileOpen = [this] {
      barWhileOpen_ = static_cast<int>(SendDlgItemMessageW(window_, IDC_PROGRESS, PBM_GETPOS, 0, 0));
      statusWhileOpen_ = WindowTextUtf8(Item(IDC_STATUS));
    };
  }

  HWND Item(int id) const { return GetDlgItem(window_, id); }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  void Type(int id, const std::wstring& text) { SetDlgItemTextW(window_, id, text.c_str()); }
  std::string Text(int id) const { return WindowTextUtf8(Item(id)); }

  testing::RecordingMessageBoxes messages_;
  testing::RecordingFilePickers pickers_;
  CMorvaneDlg dialog_{messages_, pickers_};
  HWND window_ = nullptr;
  int barWhileOpen_ = -1;
  std::string statusWhileOpen_;
};

// In the order of DialogRadio.
const int kRadioIds[] = {IDC_REXEDIT, IDC_EZEDIT, IDC_NTSC_DROP_FRAME, IDC_NTSC_NON_DROP, IDC_PAL, IDC_FRAME};

TEST_F(Win32DialogTest, EveryControlShowsItsWholeTextAndOverlapsNoOther) {
  std::vector<HWND> controls;
  for (HWND c = GetWindow(window_, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    controls.push_back(c);
  }
  ASSERT_EQ(controls.size(), 18u);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const RECT area = ControlRect(controls[i]);
    const std::wstring text = WindowText(controls[i]);
    SIZE needed{};
    if (!SendMessageW(controls[i], BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&needed))) {
      HDC context = GetDC(controls[i]);  // a label: its text in one line
      SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(controls[i], WM_GETFONT, 0, 0)));
      GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &needed);
      ReleaseDC(controls[i], context);
    }
    EXPECT_LE(needed.cx, area.right - area.left) << Utf8(text);
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      RECT other = ControlRect(controls[j]), both{};
      EXPECT_FALSE(IntersectRect(&both, &area, &other)) << i << " overlaps " << j;
    }
  }
  EXPECT_LT(ControlRect(Item(IDC_NTSC_NON_DROP)).right, ControlRect(Item(IDC_FRAME)).left);
}

TEST_F(Win32DialogTest, RadiosShowTheSettingsInForceAndAreTheTabStopsOfTheirGroups) {
  for (int clicked : {-1, 5, 4, 3, 2, 1, 0}) {  // -1: none, as the dialog opens
    if (clicked >= 0) Click(kRadioIds[clicked]);
    EXPECT_TRUE(clicked < 0 || dialog_.core().IsChecked(static_cast<DialogRadio>(clicked)));
    std::set<int> tabStops;
    for (HWND item = GetNextDlgTabItem(window_, nullptr, FALSE); tabStops.insert(GetDlgCtrlID(item)).second;
         item = GetNextDlgTabItem(window_, item, FALSE)) {
    }
    for (int i = 0; i < 6; ++i) {  // checked as the core says; only a checked one is a tab stop
      const bool checked = dialog_.core().IsChecked(static_cast<DialogRadio>(i));
      EXPECT_EQ(Text(kRadioIds[i]), DialogCore::RadioText(static_cast<DialogRadio>(i)));
      EXPECT_EQ(IsDlgButtonChecked(window_, kRadioIds[i]) == BST_CHECKED, checked) << clicked << " " << i;
      EXPECT_EQ(tabStops.count(kRadioIds[i]) == 1, checked) << clicked << " " << i;
    }
  }
}

TEST_F(Win32DialogTest, ArrowKeysMoveWithinARadioGroupAndCheckTheButton) {
  // The key, the button that has the focus before it, and the one checked after it.
  const int rows[][3] = {{VK_RIGHT, IDC_REXEDIT, IDC_EZEDIT},
                         {VK_RIGHT, IDC_EZEDIT, IDC_REXEDIT},
                         {VK_DOWN, IDC_NTSC_DROP_FRAME, IDC_NTSC_NON_DROP},
                         {VK_UP, IDC_NTSC_DROP_FRAME, IDC_FRAME}};
  for (const auto& [key, from, to] : rows) {
    SetFocus(Item(from));
    MSG press{Item(from), WM_KEYDOWN, static_cast<WPARAM>(key), 0, 0, {0, 0}};
    IsDialogMessageW(window_, &press);
    EXPECT_EQ(GetFocus(), Item(to)) << from;
    EXPECT_EQ(IsDlgButtonChecked(window_, to), BST_CHECKED) << from;
  }
  EXPECT_TRUE(dialog_.core().IsChecked(DialogRadio::Frame));
}

TEST_F(Win32DialogTest, PickersFillThePathFieldsAndALongPathShowsItsEnd) {
  pickers_.sourceAnswer = PickedFile{"C:\\プロジェクト\\a.dvc", 0};
  Click(IDC_BROWSE_SOURCE);
  EXPECT_EQ(Text(IDC_SOURCE_PATH), "C:\\プロジェクト\\a.dvc");
  pickers_.destinationAnswer = PickedFile{"C:\\out\\a.txt", 1};
  Click(IDC_BROWSE_DESTINATION);
  EXPECT_EQ(Text(IDC_DESTINATION_PATH), "C:\\out\\a.txt");
  // A picked path longer than its field shows its end, the file name.
  const std::string deep = "C:\\" + std::string(150, 'x') + "\\end.dvc";
  pickers_.sourceAnswer = PickedFile{deep, 0};
  Click(IDC_BROWSE_SOURCE);
  HWND field = Item(IDC_SOURCE_PATH);
  RECT client{};
  GetClientRect(field, &client);
  const LRESULT last = SendMessageW(field, EM_POSFROMCHAR, deep.size() - 1, 0);
  EXPECT_GT(SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_TRUE(last != -1 && static_cast<short>(LOWORD(last)) < client.right) << static_cast<short>(LOWORD(last));
}

// The dialog opens in the middle of the screen, and its message boxes are its own, over it.
TEST_F(Win32DialogTest, OpensCentredOnTheScreenAndOwnsItsMessageBoxes) {
  RECT screen{}, area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  GetWindowRect(window_, &area);
  EXPECT_NEAR((area.left + area.right) / 2, (screen.left + screen.right) / 2, 2);
  EXPECT_NEAR((area.top + area.bottom) / 2, (screen.top + screen.bottom) / 2, 2);
  HWND boxOwner = nullptr;
  RECT boxArea{};
  LRESULT boxDefault = 0;
  act = [&] {
    HWND box = GetActiveWindow();
    if (box == nullptr || GetDlgItem(box, IDNO) == nullptr) return false;
    boxOwner = GetWindow(box, GW_OWNER);
    GetWindowRect(box, &boxArea);
    boxDefault = GetWindowLongPtrW(GetDlgItem(box, IDYES), GWL_STYLE) & BS_TYPEMASK;
    SendMessageW(box, WM_COMMAND, IDNO, 0);
    return true;
  };
  SetTimer(nullptr, 0, 50, ActOnTimer);
  EXPECT_EQ(Win32MessageBoxes(window_).Ask("question"), MessageBoxes::Answer::No);
  EXPECT_EQ(boxOwner, window_);
  EXPECT_EQ(boxDefault, BS_DEFPUSHBUTTON);  // Yes is the default
  POINT middle{(boxArea.left + boxArea.right) / 2, (boxArea.top + boxArea.bottom) / 2};
  EXPECT_TRUE(PtInRect(&area, middle));
  bool cancel = true;  // the Yes and No box has no Cancel
  act = [&] {
    HWND box = GetActiveWindow();
    if (box == nullptr || GetDlgItem(box, IDNO) == nullptr) return false;
    cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    SendMessageW(box, WM_COMMAND, IDYES, 0);
    return true;
  };
  SetTimer(nullptr, 0, 50, ActOnTimer);
  EXPECT_TRUE(Win32MessageBoxes(window_).AskYesNo("take it?"));
  EXPECT_FALSE(cancel);
}

// A drop as the shell sends it: an HDROP that holds a DROPFILES header, then the names, each
// terminated, and one more terminator.
HDROP MakeDrop(const std::vector<std::wstring>& files) {
  std::wstring names;
  for (const std::wstring& file : files) names += file + L'\0';
  names += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  names.copy(reinterpret_cast<wchar_t*>(header + 1), names.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(Win32DialogTest, DroppedFilesAndTheFilesNamedAtStartFillStepThree) {
  EXPECT_TRUE(GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  Type(IDC_DESTINATION_PATH, L"C:\\q\\out.txt");
  messages_.answer = MessageBoxes::Answer::No;
  const struct { std::vector<std::wstring> files; const char* source; std::size_t asked; } rows[] = {
      {{L"C:\\p\\clip.avi", L"C:\\p\\プロジェクト.DVC"}, "C:\\p\\プロジェクト.DVC", 0},
      {{L"C:\\p\\clip.avi"}, "C:\\p\\プロジェクト.DVC", 1}};  // answered No
  for (const auto& row : rows) {
    SendMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(row.files)), 0);
    EXPECT_EQ(std::make_tuple(Text(IDC_SOURCE_PATH), dialog_.core().sourcePath(), messages_.asked.size()),
              std::make_tuple(row.source, row.source, row.asked));
  }
  EXPECT_EQ(Text(IDC_DESTINATION_PATH), "C:\\q\\out.txt");
  CMorvaneDlg started(messages_, pickers_);  // offered once the dialog's loop runs
  started.OfferAtStart({"C:\\p\\a.dvc"});
  ASSERT_NE(started.Create(), nullptr);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(WindowTextUtf8(GetDlgItem(started.window(), IDC_SOURCE_PATH)), "C:\\p\\a.dvc");
}

TEST_F(Win32DialogTest, ConvertShowsTheOutcomeAndWritesWhatLinuxWrites) {
  const char* sourceDir = std::getenv("MORVANE_SOURCE_DIR");
  ASSERT_NE(sourceDir, nullptr);
  // Under Wine, drive Z: is the Linux root.
  const std::wstring examples = (*sourceDir == '/' ? L"Z:" : L"") + Wide(sourceDir) + L"\\examples\\";
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"変換テスト";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring project = folder + L"\\例.dvc", listing = folder + L"\\例.txt";
  ASSERT_TRUE(CopyFileW((examples + L"rexedit-0207.dvc").c_str(), project.c_str(), FALSE));
  DeleteFileW(listing.c_str());

  Type(IDC_SOURCE_PATH, project);
  Type(IDC_DESTINATION_PATH, listing);
  Click(IDC_CONVERT);
  // The core's outcome, over the final bar and the emptied status line; then the bar goes back.
  const DialogOutcome done{CompletionMessage(Utf8(project), Utf8(listing))};
  EXPECT_EQ(messages_.shown, std::vector<DialogOutcome>{done});
  EXPECT_EQ(std::make_tuple(barWhileOpen_, statusWhileOpen_), std::make_tuple(kProgressSteps, std::string()));
  EXPECT_EQ(SendDlgItemMessageW(window_, IDC_PROGRESS, PBM_GETPOS, 0, 0), 0);
  dialog_.ShowProgress(7, "[MainAV] 1 / 3");  // as the core shows a conversion under way
  EXPECT_EQ(SendDlgItemMessageW(window_, IDC_PROGRESS, PBM_GETPOS, 0, 0), 7);
  EXPECT_EQ(Text(IDC_STATUS), "[MainAV] 1 / 3");
  EXPECT_EQ(testing::ReadFile(listing), testing::ReadFile(examples + L"rexedit-0207.txt"));
  EXPECT_EQ(testing::ReadFile(project), testing::ReadFile(examples + L"rexedit-0207.dvc"));
}

// The session ending (WM_ENDSESSION) ends the program without leaving the temporary of a
// conversion under way beside its destination.
TEST_F(Win32DialogTest, TheSessionEndingLeavesNoTemporary) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "morvane-endsession";
  fs::create_directories(folder);
  std::ofstream(folder / "project.dvc", std::ios::binary) << "project";
  const auto names = [&] {
    std::set<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.insert(entry.path().filename());
    return found;
  };
  const auto endSession = [&] {
    SourceFile source;
    DestinationFiles files(source);
    std::string reason;
    if (source.Open(Utf8((folder / "project.dvc").native()), reason) &&
        files.Add(Utf8((folder / "out.txt").native()), reason) && WriteAll(files.Descriptor(0), "part", 4) &&
        names().size() == 2) {
      SendMessageW(window_, WM_ENDSESSION, TRUE, 0);
    }
    std::exit(1);
  };
  EXPECT_EXIT(endSession(), ::testing::ExitedWithCode(143), "");
  EXPECT_EQ(std::set<fs::path>{"project.dvc"}, names());
  fs::remove_all(folder);
}

TEST_F(Win32DialogTest, SystemMenuAndF1OpenTheAboutBoxEnterKeepsTheDialogEscapeEndsIt) {
  wchar_t item[64] = {};
  GetMenuStringW(GetSystemMenu(window_, FALSE), IDM_ABOUTBOX, item, 64, MF_BYCOMMAND);
  EXPECT_EQ(Utf8(item), "morvane version information(&A)...");
  GetMenuStringW(GetSystemMenu(window_, FALSE), IDM_MEDIAFOLDERS, item, 64, MF_BYCOMMAND);
  EXPECT_EQ(Utf8(item), "Media folders...");
  pickers_.folderAnswer = "C:\\アーカイブ";
  SendMessageW(window_, WM_SYSCOMMAND, IDM_MEDIAFOLDERS, 0);
  EXPECT_EQ(dialog_.core().MediaFolders(), std::vector<std::string>{"C:\\アーカイブ"});
  HELPINFO help{sizeof help, HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
  const struct { UINT message; WPARAM wParam; LPARAM lParam; } opening[] = {
      {WM_SYSCOMMAND, IDM_ABOUTBOX, 0}, {WM_HELP, 0, reinterpret_cast<LPARAM>(&help)}};
  for (const auto& row : opening) {
    std::string aboutVersionLine;  // the about box is closed from within its modal loop
    act = [&] {
      HWND about = FindWindowW(nullptr, L"morvane version information");
      if (about == nullptr) return false;
      aboutVersionLine = WindowTextUtf8(GetDlgItem(about, IDC_ABOUT_VERSION));
      SendMessageW(about, WM_COMMAND, IDOK, 0);
      return true;
    };
    SetTimer(nullptr, 0, 50, ActOnTimer);
    SendMessageW(window_, row.message, row.wParam, row.lParam);
    EXPECT_EQ(aboutVersionLine, std::string("morvane Version ") + version::kDisplayVersion);
  }
  Type(IDC_SOURCE_PATH, L"typed.dvc");
  SendMessageW(window_, WM_COMMAND, IDOK, 0);  // Enter in a path field
  EXPECT_EQ(Text(IDC_SOURCE_PATH), "typed.dvc");
  SendMessageW(window_, WM_COMMAND, IDCANCEL, 0);  // Escape
  EXPECT_FALSE(IsWindow(window_));
}

TEST(Win32Resources, VersionTextsAreTheProgramsOwn) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::string block(GetFileVersionInfoSizeW(self, nullptr), '\0');
  ASSERT_TRUE(GetFileVersionInfoW(self, 0, static_cast<DWORD>(block.size()), block.data()));
  for (const auto& [key, expected] : std::initializer_list<std::pair<const wchar_t*, const char*>>{
           {L"FileVersion", version::kFileVersion}, {L"Comments", version::kComments},
           {L"FileDescription", version::kFileDescription},
           {L"OriginalFilename", version::kOriginalFilename}}) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
    ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length));
    EXPECT_EQ(Utf8(value), expected);
  }
}

}  // namespace
}  // namespace morvane::win32
