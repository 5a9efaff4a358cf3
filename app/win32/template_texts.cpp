#include "app/win32/template_texts.h"

#include "app/win32/resource.h"
#include "app/win32/win32_text.h"
#include "convert/version.h"

namespace morvane::win32 {

// Each text must fit its box in 9-point MS PGothic (a test measures them).
const std::array<TemplateText, 13> kMainDialogTexts = {{
    // TRANSLATORS: the main dialog's caption; {1} is the version ("1.41"), without a space before it.
    {kCaptionId, TrNoop("morvane version{1}")},
    {IDC_STATIC, TrNoop("Step1: Select Software")},
    {IDC_REXEDIT, TrNoop("RexEdit")},
    {IDC_EZEDIT, TrNoop("EzEdit( EZDV II )")},
    {IDC_STATIC, TrNoop("Step2: Select EDL output")},
    {IDC_NTSC_DROP_FRAME, TrNoop("NTSC(drop frame)")},
    {IDC_NTSC_NON_DROP, TrNoop("NTSC(non drop frame)")},
    {IDC_PAL, TrNoop("PAL")},
    {IDC_FRAME, TrNoop("FRAME")},
    {IDC_STATIC, TrNoop("Step3: Select dvc source file")},
    {IDC_STATIC, TrNoop("Step4: Select txt destination file")},
    // TRANSLATORS: the label left of the "convert" button, room for about three characters.
    {IDC_STATIC, TrNoop("Step5:")},
    {IDC_CONVERT, TrNoop("convert")},
}};

const std::array<TemplateText, 7> kAboutBoxTexts = {{
    {kCaptionId, TrNoop("morvane version information")},
    // TRANSLATORS: the about box says what the program does, in up to three lines of its box.
    {IDC_STATIC, TrNoop("Contents of a project file of RexEdit are outputted by the text form along the time line.")},
    // TRANSLATORS: {1} is the version.
    {IDC_ABOUT_VERSION, TrNoop("morvane Version {1}")},
    {IDC_STATIC, TrNoop("RexEdit ver2.91 Correspondence.")},
    {IDC_STATIC, TrNoop("EzEdit ver2.5  Correspondence.")},
    {IDC_STATIC, TrNoop("Thanks to everyone who still edits on DV.")},
    {IDOK, TrNoop("OK")},
}};

std::string TemplateForm(const TemplateText& entry) {
  return Fill(entry.english, {version::kDisplayVersion});
}

std::string TranslatedForm(const TemplateText& entry) {
  return Fill(Tr(entry.english), {version::kDisplayVersion});
}

void TranslateTemplate(HWND dialog, std::span<const TemplateText> texts) {
  const auto translate = [&](HWND window, int id) {
    const std::string shown = WindowTextUtf8(window);
    for (const TemplateText& entry : texts) {
      if (entry.id == id && TemplateForm(entry) == shown) {
        SetWindowTextW(window, Wide(TranslatedForm(entry)).c_str());
        return;
      }
    }
  };
  translate(dialog, kCaptionId);
  for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    translate(control, GetDlgCtrlID(control));
  }
}

}  // namespace morvane::win32
