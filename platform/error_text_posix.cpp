#include <locale.h>
#include <string.h>

#include "platform/catalog.h"
#include "platform/error_text.h"

namespace morvane {

std::string ErrorText(int error) {
  if (CurrentLanguage() == UiLanguage::Japanese) {
    // The C library's own Japanese messages, through a locale of their own: the program's
    // locale stays "C", so that nothing it writes depends on it.
    static const locale_t japanese = [] {
      for (const char* name : {"ja_JP.UTF-8", "ja_JP.utf8"}) {
        if (const locale_t made = ::newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) {
          return made;
        }
      }
      return static_cast<locale_t>(nullptr);
    }();
    if (japanese != nullptr) {
      return ::strerror_l(error, japanese);
    }
  }
  return ::strerror(error);
}

}  // namespace morvane
