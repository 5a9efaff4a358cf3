// The Windows dialog driven through its window messages, under Wine on a virtual display
// (app/win32/testing/run_dialog.sh), with the message boxes and pickers replaced.
#include "app/win32/morvane_win32_dlg.h"

#include <windows.h>
// The other Windows headers need windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/win32/resource.h"
#include "app/win32/template_texts.h"
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

// The sources' examples (under Wine, drive Z: is the Linux root) and the temporary folder.
std::wstring ExamplesFolder() {
  const char* sourceDir = std::getenv("MORVANE_SOURCE_DIR");
  if (sourceDir == nullptr) ADD_FAILURE() << "MORVANE_SOURCE_DIR is not set";
  return sourceDir == nullptr ? L"" : (*sourceDir == '/' ? L"Z:" : L"") + Wide(sourceDir) + L"\\examples\\";
}
std::wstring TempFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return temp;
}

std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

bool Visible(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// The caption and the text of each visible control a person reads, with its id (kCaptionId for
// the caption). Left out: the fields (edit controls), which hold paths and the status, and icons.
std::vector<std::pair<int, std::string>> ReadTexts(HWND dialog) {
  std::vector<std::pair<int, std::string>> texts{{kCaptionId, WindowTextUtf8(dialog)}};
  for (HWND control : Children(dialog)) {
    wchar_t kind[16] = {};
    GetClassNameW(control, kind, 16);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    const std::string text = WindowTextUtf8(control);
    if (Visible(control) && !text.empty() && lstrcmpiW(kind, WC_EDITW) != 0 &&
        !(lstrcmpiW(kind, WC_STATICW) == 0 && (style & SS_TYPEMASK) == SS_ICON)) {
      texts.emplace_back(GetDlgCtrlID(control), text);
    }
  }
  return texts;
}

// The visible controls whose text does not fit their box in their own font: a button's ideal
// size (its text beside the indicator of a radio button, within the margins of a push button),
// a label's text in its width, wrapped where it has room for more lines.
std::vector<std::string> TextsThatDoNotFit(HWND dialog) {
  std::vector<std::string> faults;
  for (HWND control : Children(dialog)) {
    const std::wstring text = WindowText(control);
    RECT box{};
    GetClientRect(control, &box);
    RECT needed{0, 0, box.right, 0};
    if (SIZE ideal{}; SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) {
      needed = {0, 0, ideal.cx, ideal.cy};
    } else {
      HDC context = GetDC(control);
      SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
      DrawTextW(context, text.c_str(), static_cast<int>(text.size()), &needed, DT_CALCRECT | DT_WORDBREAK);
      ReleaseDC(control, context);
    }
    if (Visible(control) && (needed.right > box.right || needed.bottom > box.bottom)) {
      faults.push_back(Utf8(text) + ": " + std::to_string(needed.right) + "x" + std::to_string(needed.bottom));
    }
  }
  return faults;
}

// Opens the about box (from the system menu unless told), runs look on it from within its modal
// loop and closes it. False: it did not open.
bool WithAboutBox(HWND dialog, const std::function<void(HWND)>& look, UINT message = WM_SYSCOMMAND,
                  WPARAM wParam = IDM_ABOUTBOX, LPARAM lParam = 0) {
  bool seen = false;
  act = [&] {
    HWND about = GetActiveWindow();
    if (about == nullptr || GetDlgItem(about, IDC_ABOUT_VERSION) == nullptr) return false;
    look(about);
    seen = true;
    SendMessageW(about, WM_COMMAND, IDOK, 0);
    return true;
  };
  SetTimer(nullptr, 0, 50, ActOnTimer);
  SendMessageW(dialog, message, wParam, lParam);
  return seen;
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

  void TearDown() override { SetLanguage(runLanguage_); }

  HWND Item(int id) const { return GetDlgItem(window_, id); }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  void Type(int id, const std::wstring& text) { SetDlgItemTextW(window_, id, text.c_str()); }
  std::string Text(int id) const { return WindowTextUtf8(Item(id)); }

  const UiLanguage runLanguage_ = CurrentLanguage();  // English, or Japanese under LANG=ja_JP.UTF-8
  testing::RecordingMessageBoxes messages_;
  testing::RecordingFilePickers pickers_;
  CMorvaneDlg dialog_{messages_, pickers_};
  HWND window_ = nullptr;
  int barWhileOpen_ = -1;
  std::string statusWhileOpen_;
};

// In the order of DialogRadio.
const int kRadioIds[] = {IDC_REXEDIT, IDC_EZEDIT, IDC_NTSC_DROP_FRAME, IDC_NTSC_NON_DROP, IDC_PAL, IDC_FRAME};

// The widths of a new dialog's controls, laid out in language.
std::vector<LONG> Widths(UiLanguage language) {
  SetLanguage(language);
  testing::RecordingMessageBoxes messages;
  testing::RecordingFilePickers pickers;
  CMorvaneDlg dialog(messages, pickers);
  std::vector<LONG> widths;
  for (HWND control : Children(dialog.Create())) widths.push_back(ControlRect(control).right - ControlRect(control).left);
  return widths;
}

// In the run's language every text shows whole in its box, in the dialog and the about box, in
// the font Windows has for "MS PGothic" (under Wine IPAPGothic, whose Latin letters are wider:
// FitTexts widens a label or radio button into free space). No control overlaps another, and no
// box is wider than for the English text: a translation fits the English layout.
TEST_F(Win32DialogTest, EveryTextFitsItsBoxAndNoControlOverlapsAnother) {
  const std::vector<HWND> controls = Children(window_);
  ASSERT_EQ(controls.size(), 18u);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      RECT area = ControlRect(controls[i]), other = ControlRect(controls[j]), both{};
      EXPECT_FALSE(IntersectRect(&both, &area, &other)) << i << " overlaps " << j;
    }
  }
  EXPECT_LT(ControlRect(Item(IDC_NTSC_NON_DROP)).right, ControlRect(Item(IDC_FRAME)).left);
  EXPECT_EQ(TextsThatDoNotFit(window_), std::vector<std::string>{});
  EXPECT_TRUE(WithAboutBox(window_, [](HWND about) { EXPECT_EQ(TextsThatDoNotFit(about), std::vector<std::string>{}); }));
  const std::vector<LONG> english = Widths(UiLanguage::English), shown = Widths(runLanguage_);
  ASSERT_EQ(shown.size(), english.size());
  for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_LE(shown[i], english[i]) << "control " << i;
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
  std::string boxCaption;
  act = [&] {
    HWND box = GetActiveWindow();
    if (box == nullptr || GetDlgItem(box, IDNO) == nullptr) return false;
    boxOwner = GetWindow(box, GW_OWNER);
    boxCaption = WindowTextUtf8(box);
    GetWindowRect(box, &boxArea);
    boxDefault = GetWindowLongPtrW(GetDlgItem(box, IDYES), GWL_STYLE) & BS_TYPEMASK;
    SendMessageW(box, WM_COMMAND, IDNO, 0);
    return true;
  };
  SetTimer(nullptr, 0, 50, ActOnTimer);
  EXPECT_EQ(Win32MessageBoxes(window_).Ask("question"), MessageBoxes::Answer::No);
  EXPECT_EQ(boxOwner, window_);
  EXPECT_EQ(boxCaption, kCaption);  // the program's name, in every language
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
  const std::wstring examples = ExamplesFolder();
  const std::wstring folder = TempFolder() + L"変換テスト";
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
  EXPECT_EQ(Utf8(item), Tr(kAboutItem));  // in the run's language
  GetMenuStringW(GetSystemMenu(window_, FALSE), IDM_MEDIAFOLDERS, item, 64, MF_BYCOMMAND);
  EXPECT_EQ(Utf8(item), Tr(DialogCore::kMediaFoldersItem));
  pickers_.folderAnswer = "C:\\アーカイブ";
  SendMessageW(window_, WM_SYSCOMMAND, IDM_MEDIAFOLDERS, 0);
  EXPECT_EQ(dialog_.core().MediaFolders(), std::vector<std::string>{"C:\\アーカイブ"});
  HELPINFO help{sizeof help, HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
  const struct { UINT message; WPARAM wParam; LPARAM lParam; } opening[] = {
      {WM_SYSCOMMAND, IDM_ABOUTBOX, 0}, {WM_HELP, 0, reinterpret_cast<LPARAM>(&help)}};
  for (const auto& row : opening) {
    std::string caption, versionLine;  // in the run's language
    WithAboutBox(
        window_,
        [&](HWND about) {
          caption = WindowTextUtf8(about);
          versionLine = WindowTextUtf8(GetDlgItem(about, IDC_ABOUT_VERSION));
        },
        row.message, row.wParam, row.lParam);
    EXPECT_EQ(caption, TranslatedForm(kAboutBoxTexts[0]));
    EXPECT_EQ(versionLine, TranslatedForm(kAboutBoxTexts[2]));
  }
  Type(IDC_SOURCE_PATH, L"typed.dvc");
  SendMessageW(window_, WM_COMMAND, IDOK, 0);  // Enter in a path field
  EXPECT_EQ(Text(IDC_SOURCE_PATH), "typed.dvc");
  SendMessageW(window_, WM_COMMAND, IDCANCEL, 0);  // Escape
  EXPECT_FALSE(IsWindow(window_));
}

// The tables are the templates' texts, in their order; the template texts they leave out read
// the same in every language.
TEST(Win32TemplateTexts, AreTheTemplatesOwn) {
  const struct {
    int templateId;
    std::span<const TemplateText> table;
    std::vector<std::pair<int, std::string>> unchanged;
  } templates[] = {
      {IDD_MORVANE_DIALOG, kMainDialogTexts, {{IDC_BROWSE_SOURCE, "..."}, {IDC_BROWSE_DESTINATION, "..."}}},
      {IDD_ABOUTBOX, kAboutBoxTexts, {{IDC_ABOUT_NOTICE, version::kLegalCopyright}}},
  };
  for (const auto& row : templates) {
    HWND bare = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(row.templateId), nullptr,
                                   [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
    ASSERT_NE(bare, nullptr);
    std::vector<std::pair<int, std::string>> expected;
    for (const TemplateText& entry : row.table) expected.emplace_back(entry.id, TemplateForm(entry));
    std::vector<std::pair<int, std::string>> read = ReadTexts(bare), kept;
    std::erase_if(read, [&](const auto& text) {
      const bool unchanged = std::find(row.unchanged.begin(), row.unchanged.end(), text) != row.unchanged.end();
      if (unchanged) kept.push_back(text);
      return unchanged;
    });
    EXPECT_EQ(read, expected) << row.templateId;
    EXPECT_EQ(kept, row.unchanged) << row.templateId;
    DestroyWindow(bare);
  }
  const wchar_t* item = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&item), 0);
  EXPECT_EQ(Utf8(std::wstring_view(item, static_cast<std::size_t>(length))), kAboutItem);
}

// The run with LANG=ja_JP.UTF-8 reads Japanese from Windows (GetUserDefaultUILanguage), the
// other English; the run says which it is.
TEST(Win32TemplateTexts, TheLanguageIsTheUsers) {
  const char* expected = std::getenv("MORVANE_EXPECTED_LANGUAGE");
  if (expected == nullptr) GTEST_SKIP() << "MORVANE_EXPECTED_LANGUAGE is not set";
  EXPECT_EQ(CurrentLanguage(), std::string(expected) == "ja" ? UiLanguage::Japanese : UiLanguage::English);
}

// The dialog in the pseudo-language, where every catalog text is marked.
class Win32PseudoDialogTest : public Win32DialogTest {
 protected:
  void SetUp() override {
    SetLanguage(UiLanguage::Pseudo);
    Win32DialogTest::SetUp();
  }
};

bool Marked(std::string_view text) { return text.find(kPseudoOpen) != std::string_view::npos; }

// Every text a person reads comes from the catalog. Left unmarked: the "..." buttons (a sign)
// and the copyright line (a notice, the same everywhere).
TEST_F(Win32PseudoDialogTest, EveryTextOfTheDialogItsMenusAndItsAboutBoxIsMarked) {
  for (const auto& [id, text] : ReadTexts(window_)) EXPECT_TRUE(Marked(text) || text == "...") << text;
  for (UINT item : {IDM_ABOUTBOX, IDM_MEDIAFOLDERS}) {
    wchar_t text[128] = {};
    GetMenuStringW(GetSystemMenu(window_, FALSE), item, text, 128, MF_BYCOMMAND);
    EXPECT_TRUE(Marked(Utf8(text))) << item;
  }
  std::vector<std::string> menu;  // the context menu, opened from the keyboard
  act = [&] {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr) return false;
    HMENU items = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(items); ++i) {
      wchar_t text[128] = {};
      GetMenuStringW(items, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
      menu.push_back(Utf8(text));
    }
    EndMenu();
    return true;
  };
  SetTimer(nullptr, 0, 50, ActOnTimer);
  SendMessageW(window_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_), MAKELPARAM(-1, -1));
  EXPECT_EQ(menu.size(), 2u);
  for (const std::string& item : menu) EXPECT_TRUE(Marked(item)) << item;
  std::size_t aboutTexts = 0;
  WithAboutBox(window_, [&](HWND about) {
    for (const auto& [id, text] : ReadTexts(about)) {
      EXPECT_TRUE(Marked(text) || text == version::kLegalCopyright) << text;
      ++aboutTexts;
    }
  });
  EXPECT_EQ(aboutTexts, 8u);  // the caption, OK and six lines
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
