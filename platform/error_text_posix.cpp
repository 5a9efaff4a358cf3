#include <locale.h>
#include <string.h>

#include "platform/catalog.h"
#include "platform/error_text.h"

namespace morvane {

std::string ErrorText(int error) { return ::strerror(error); }

std::string ReasonText(std::string_view reason) {
  const std::string_view translated = Tr(reason);
  if (translated != reason || CurrentLanguage() != UiLanguage::Japanese) {
    return std::string(translated);
  }
  // The C library's own Japanese messages, in UTF-8, through a locale of their own: the program's
  // locale stays "C", so that nothing it writes depends on it.
  static const locale_t japanese = [] {
    for (const char* name : {"ja_JP.UTF-8", "ja_JP.utf8"}) {
      if (const locale_t made = ::newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) {
        return made;
      }
    }
    return static_cast<locale_t>(nullptr);
  }();
  for (int error = 1; japanese != nullptr && error < 256; ++error) {
    if (reason == ::strerror(error)) {
      return ::strerror_l(error, japanese);
    }
  }
  return std::string(reason);
}

}  // namespace morvane
