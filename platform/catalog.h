#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/ui_language.h"

// The catalog of every text a person reads, in the language they read: po/ja.po, compiled into
// the program. The English texts are the keys, so where the language is English every text is
// exactly the text in the source. Texts with values name them {1}, {2}... (Fill), so that a
// translation may put them in its own order; no text is built by joining translated fragments.
namespace morvane {

// The text in the current language: its translation, or the text itself where the catalog has
// none. The result lives as long as the program (or, for English, as long as english does).
std::string_view Tr(std::string_view english);

// Marks a text for the catalog without translating it, for a constant that is translated where
// it is shown (Tr(kConstant)).
constexpr std::string_view TrNoop(std::string_view english) { return english; }

// The form of a text with a count: English has one for 1 and one for any other count, Japanese
// one for all. Fill the count in with {1}.
std::string_view TrPlural(std::string_view one, std::string_view many, std::int64_t count);

// pattern with each {N} (N from 1 to 9) replaced by the Nth value; "{{" gives "{". A {N} with no
// value stays as it is.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values);

// The language Tr translates into: SystemLanguage() until it is set. Set it before any thread
// but the first translates.
UiLanguage CurrentLanguage();
void SetLanguage(UiLanguage language);

// While one lives, Tr and TrPlural give English on this thread: for texts that go into a file
// (a project's page names what each export would change), which reads the same in every language.
class EnglishTexts {
 public:
  EnglishTexts();
  ~EnglishTexts();
  EnglishTexts(const EnglishTexts&) = delete;
  EnglishTexts& operator=(const EnglishTexts&) = delete;
};

// How the pseudo-language marks a text: each line that is not empty between these.
inline constexpr std::string_view kPseudoOpen = "\u27e6";   // ⟦
inline constexpr std::string_view kPseudoClose = "\u27e7";  // ⟧

}  // namespace morvane
