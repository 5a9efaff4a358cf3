#include <windows.h>

#include "platform/ui_language.h"

namespace morvane {

UiLanguage SystemLanguage() {
  const LANGID language = GetUserDefaultUILanguage();
  if (PRIMARYLANGID(language) == LANG_JAPANESE) {
    return UiLanguage::Japanese;
  }
  // qps-ploc, the pseudo-locale Windows offers for testing translations.
  return language == 0x0501 ? UiLanguage::Pseudo : UiLanguage::English;
}

}  // namespace morvane
