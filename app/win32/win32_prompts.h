#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "dialog/dialog_core.h"

namespace morvane::win32 {

// The system's message boxes: MessageBoxW with the caption "morvane", an OK button and the
// exclamation icon for a warning (no icon otherwise), modal to the owner window. owner is read
// each time a box opens, so it may be set after construction. Keys and clicks still queued from
// before the box opened are dropped, so they cannot answer it.
class Win32MessageBoxes : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(const HWND& owner) : owner_(owner) {}
  void Show(std::string_view text, MessageIcon icon) override;
  // MessageBoxW with Yes, No and Cancel and the exclamation icon, Yes the default.
  Answer Ask(std::string_view text) override;
  // MessageBoxW with Yes and No and the exclamation icon, Yes the default.
  bool AskYesNo(std::string_view text) override;

 private:
  const HWND& owner_;
};

// The system's pickers: GetOpenFileNameW and GetSaveFileNameW, set up as the description says
// (filters, default suffix, initial name and folder, read-only box, path must exist, overwrite
// prompt).
// A confirmed choice reports the full path and the filter chosen last. The folder picker is the
// shell's (SHBrowseForFolderW).
class Win32FilePickers : public FilePickers {
 public:
  explicit Win32FilePickers(const HWND& owner) : owner_(owner) {}
  std::optional<PickedFile> PickSource(const PickerDescription& description) override;
  std::optional<PickedFile> PickDestination(const PickerDescription& description) override;
  std::optional<std::string> PickFolder(const std::string& title) override;

 private:
  const HWND& owner_;
};

}  // namespace morvane::win32
