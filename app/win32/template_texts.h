#pragma once

#include <windows.h>

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "platform/catalog.h"

// The texts of the dialog templates in morvane.rc, in the reader's language. The templates hold
// the English texts; when a dialog opens, each of its texts is replaced by its translation. The
// tables below repeat the templates' texts for the catalog (a test holds them equal), so a
// template text missing from them stays English and the test says so.
namespace morvane::win32 {

// One text of a template: the control's id (IDC_STATIC for a label that has none, kCaptionId for
// the dialog's caption) and its English text, where {1} stands for the version ("1.4.0").
struct TemplateText {
  int id;
  std::string_view english;
};

// The id that names the dialog's own caption in a table: no control has it.
inline constexpr int kCaptionId = 0;

// The main dialog (template 102) and the about box (template 100), in template order.
extern const std::array<TemplateText, 13> kMainDialogTexts;
extern const std::array<TemplateText, 7> kAboutBoxTexts;

// The about item of the system and context menus (string 101).
inline constexpr std::string_view kAboutItem = TrNoop("morvane version information(&A)...");

// entry.english as the template has it (the version filled in), and as the reader reads it.
std::string TemplateForm(const TemplateText& entry);
std::string TranslatedForm(const TemplateText& entry);

// Sets the caption and each control of dialog whose id and text are an entry of texts to the
// entry's translation. Other controls stay as they are: the fields, the "..." buttons (a sign, the
// same in every language) and data such as the copyright line.
void TranslateTemplate(HWND dialog, std::span<const TemplateText> texts);

}  // namespace morvane::win32
