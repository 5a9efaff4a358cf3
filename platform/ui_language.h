#pragma once

#include <string_view>

// The language a person reads the program in: Japanese where theirs is Japanese, English
// everywhere else, and a marked pseudo-language that shows which texts come from the catalog.
namespace morvane {

enum class UiLanguage {
  English,
  Japanese,
  Pseudo,  // every catalog text marked: "qps" (Windows' pseudo-locale, qps-ploc)
};

// The language that the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not
// empty names, as the C library orders them. LANGUAGE is a list ("ja:en"): its first entry with
// a language of ours counts. A locale name's language is what comes before '_', '.', '@' or
// '-': "ja", "ja_JP.UTF-8" and "ja_JP@…" are Japanese; "C", "POSIX", "en_US" and every other
// language are English.
UiLanguage LanguageOfEnvironment(std::string_view language, std::string_view lcAll,
                                 std::string_view lcMessages, std::string_view lang);

// The language of the person running the program: on Windows the user's UI language, elsewhere
// the environment's as above.
UiLanguage SystemLanguage();

}  // namespace morvane
