#include "platform/ui_language.h"

#include <optional>

namespace morvane {
namespace {

// The language of one locale name or LANGUAGE entry, or nothing for one that is not ours.
std::optional<UiLanguage> LanguageOfName(std::string_view name) {
  const std::string_view language = name.substr(0, name.find_first_of("_.@-"));
  if (language == "ja") {
    return UiLanguage::Japanese;
  }
  if (language == "qps") {
    return UiLanguage::Pseudo;
  }
  if (language == "en" || language == "C" || language == "POSIX") {
    return UiLanguage::English;
  }
  return std::nullopt;
}

}  // namespace

UiLanguage LanguageOfEnvironment(std::string_view language, std::string_view lcAll,
                                 std::string_view lcMessages, std::string_view lang) {
  while (!language.empty()) {
    const std::size_t colon = language.find(':');
    if (const auto found = LanguageOfName(language.substr(0, colon))) {
      return *found;
    }
    language = colon == std::string_view::npos ? std::string_view() : language.substr(colon + 1);
  }
  for (const std::string_view locale : {lcAll, lcMessages, lang}) {
    if (!locale.empty()) {
      return LanguageOfName(locale).value_or(UiLanguage::English);
    }
  }
  return UiLanguage::English;
}

}  // namespace morvane
