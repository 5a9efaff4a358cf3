#include <cstdlib>

#include "platform/ui_language.h"

namespace morvane {

UiLanguage SystemLanguage() {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value == nullptr ? "" : value);
  };
  return LanguageOfEnvironment(variable("LANGUAGE"), variable("LC_ALL"), variable("LC_MESSAGES"), variable("LANG"));
}

}  // namespace morvane
