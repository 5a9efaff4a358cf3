#include "app/win32/win32_prompts.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "app/win32/win32_text.h"
#include "convert/messages.h"

namespace morvane::win32 {

namespace {

// The filter list as OPENFILENAMEW wants it: each label and its patterns joined by ';', each
// followed by a NUL, and one more NUL at the end: L"Text file (*.txt)\0*.txt\0all(*.*)\0*\0\0".
std::wstring FilterList(const PickerDescription& description) {
  std::wstring list;
  for (const FileFilter& filter : description.filters) {
    list += Wide(filter.label);
    list += L'\0';
    for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
      list += (i > 0 ? L";" : L"") + Wide(filter.patterns[i]);
    }
    list += L'\0';
  }
  list += L'\0';
  return list;
}

std::optional<PickedFile> RunPicker(HWND owner, const PickerDescription& description) {
  const std::wstring filters = FilterList(description);
  const std::wstring title = Wide(description.title);
  const std::wstring suffix = Wide(description.defaultSuffix);
  const std::wstring folder = Wide(description.initialFolder);
  // Room for any path the system allows (32767 characters) and its terminator.
  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring initial = Wide(description.initialName);
  initial.copy(name.data(), name.size() - 1);

  OPENFILENAMEW picker{};
  picker.lStructSize = sizeof picker;
  picker.hwndOwner = owner;
  picker.lpstrFilter = filters.c_str();
  picker.nFilterIndex = 1;
  picker.lpstrFile = name.data();
  picker.nMaxFile = static_cast<DWORD>(name.size());
  picker.lpstrTitle = title.empty() ? nullptr : title.c_str();
  picker.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  picker.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
  picker.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!description.showReadOnlyBox) {
    picker.Flags |= OFN_HIDEREADONLY;
  } else if (description.readOnlyBoxTicked) {
    picker.Flags |= OFN_READONLY;
  }
  if (description.pathMustExist) {
    picker.Flags |= OFN_PATHMUSTEXIST;
  }
  if (description.askBeforeOverwrite) {
    picker.Flags |= OFN_OVERWRITEPROMPT;
  }

  const bool confirmed = description.mode == PickerDescription::Mode::Save ? GetSaveFileNameW(&picker)
                                                                           : GetOpenFileNameW(&picker);
  if (!confirmed) {
    return std::nullopt;
  }
  PickedFile picked;
  picked.path = Utf8(name.data());
  picked.filter = picker.nFilterIndex > 0 ? picker.nFilterIndex - 1 : 0;
  return picked;
}

}  // namespace

namespace {

// A conversion holds the thread, so keys and clicks made while it ran are still queued; a box
// must not take them (an Enter would close it unseen).
int OwnedBox(HWND owner, std::string_view text, UINT style) {
  MSG queued;
  while (PeekMessageW(&queued, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
         PeekMessageW(&queued, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  return MessageBoxW(owner, Wide(text).c_str(), Wide(kCaption).c_str(), style);
}

}  // namespace

void Win32MessageBoxes::Show(std::string_view text, MessageIcon icon) {
  OwnedBox(owner_, text, MB_OK | (icon == MessageIcon::Warning ? MB_ICONEXCLAMATION : 0));
}

MessageBoxes::Answer Win32MessageBoxes::Ask(std::string_view text) {
  switch (OwnedBox(owner_, text, MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON1)) {
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

bool Win32MessageBoxes::AskYesNo(std::string_view text) {
  return OwnedBox(owner_, text, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON1) == IDYES;
}

std::optional<PickedFile> Win32FilePickers::PickSource(const PickerDescription& description) {
  return RunPicker(owner_, description);
}

std::optional<PickedFile> Win32FilePickers::PickDestination(const PickerDescription& description) {
  return RunPicker(owner_, description);
}

std::optional<std::string> Win32FilePickers::PickFolder(const std::string& title) {
  // The shell's picker needs COM on this thread; the dialog's thread may not have it yet.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::wstring wideTitle = Wide(title);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner_;
  browse.lpszTitle = wideTitle.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  std::optional<std::string> folder;
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse)) {
    std::wstring path(32768, L'\0');
    if (SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)) {
      path.resize(path.find(L'\0'));
      folder = Utf8(path);
    }
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
  return folder;
}

}  // namespace morvane::win32
