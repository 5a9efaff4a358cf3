// The language chosen from the environment, the catalog's lookups in each language and the
// filling of values into a text.
#include "platform/catalog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <string>
#include <string_view>

#include "platform/error_text.h"

namespace morvane {
namespace {

struct EnvironmentCase {
  const char* language;
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
  UiLanguage expected;
};

class LanguageOfEnvironmentTest : public testing::TestWithParam<EnvironmentCase> {};

TEST_P(LanguageOfEnvironmentTest, FollowsTheCLibrarysOrder) {
  const EnvironmentCase& c = GetParam();
  EXPECT_EQ(c.expected, LanguageOfEnvironment(c.language, c.lcAll, c.lcMessages, c.lang));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageOfEnvironmentTest,
    testing::Values(EnvironmentCase{"", "", "", "", UiLanguage::English},  // nothing set
                    EnvironmentCase{"", "", "", "ja_JP.UTF-8", UiLanguage::Japanese},
                    EnvironmentCase{"", "", "", "jam_JM.UTF-8", UiLanguage::English},  // Jamaican, not ja
                    EnvironmentCase{"", "", "", "fr_FR.UTF-8", UiLanguage::English},
                    // LANGUAGE first: English on a Japanese desktop, and the other way round.
                    EnvironmentCase{"en", "", "", "ja_JP.UTF-8", UiLanguage::English},
                    EnvironmentCase{"ja", "", "", "C", UiLanguage::Japanese},
                    // A list: its first language of ours.
                    EnvironmentCase{"fr:ja:en", "", "", "C", UiLanguage::Japanese},
                    EnvironmentCase{"fr:de", "", "", "ja_JP.UTF-8", UiLanguage::Japanese},
                    EnvironmentCase{"en_GB:ja", "", "", "", UiLanguage::English},
                    // Then LC_ALL, LC_MESSAGES, LANG: the first one set decides.
                    EnvironmentCase{"", "C", "ja_JP.UTF-8", "ja_JP.UTF-8", UiLanguage::English},
                    EnvironmentCase{"", "", "ja_JP.UTF-8", "C", UiLanguage::Japanese},
                    EnvironmentCase{"", "", "de_DE", "ja_JP.UTF-8", UiLanguage::English},
                    EnvironmentCase{"", "ja_JP.eucJP", "", "", UiLanguage::Japanese},
                    EnvironmentCase{"qps-ploc", "", "", "", UiLanguage::Pseudo}));

// Every test sets the language it needs and leaves English behind.
class CatalogTest : public testing::Test {
 protected:
  void TearDown() override { SetLanguage(UiLanguage::English); }
};

TEST_F(CatalogTest, JapaneseComesFromTheCompiledCatalog) {
  SetLanguage(UiLanguage::Japanese);
  EXPECT_EQ("変換元ファイルを開けません", Tr("Can not open source file"));
  // A text the catalog does not have stays English; so does the empty text (the catalog's
  // header is not a translation).
  EXPECT_EQ("no such text in the catalog", Tr("no such text in the catalog"));
  EXPECT_EQ("", Tr(""));
  // One form for every count.
  const std::string_view one = "{1} clip ending before frame 0 left out";
  const std::string_view many = "{1} clips ending before frame 0 left out";
  EXPECT_EQ(TrPlural(one, many, 1), TrPlural(one, many, 7));
  EXPECT_EQ("フレーム 0 より前で終わるクリップ 7 件: 書き出していません", Fill(TrPlural(one, many, 7), {"7"}));
  EXPECT_EQ("many", TrPlural("one", "many", 2));  // not in the catalog
  {
    const EnglishTexts forAFile;  // what goes into a file reads the same in every language
    const EnglishTexts nested;
    EXPECT_EQ("Can not open source file", Tr("Can not open source file"));
  }
  EXPECT_EQ("変換元ファイルを開けません", Tr("Can not open source file"));
}

TEST_F(CatalogTest, PseudoMarksEveryLine) {
  SetLanguage(UiLanguage::Pseudo);
  EXPECT_EQ("⟦conversion completed⟧\n⟦from : {1}⟧", Tr("conversion completed\nfrom : {1}"));
  EXPECT_EQ("⟦a⟧\n\n⟦b⟧\n", Tr("a\n\nb\n"));
  EXPECT_EQ("⟦2 clips⟧", Fill(TrPlural("{1} clip", "{1} clips", 2), {"2"}));
  const std::string_view first = Tr("the same text");
  EXPECT_EQ(first.data(), Tr("the same text").data());  // made once, kept
}

#ifndef _WIN32
// What is written keeps the C library's English; what is shown is in the reader's language.
TEST_F(CatalogTest, SystemReasonsAreWrittenInEnglishAndShownInJapanese) {
  SetLanguage(UiLanguage::Japanese);
  EXPECT_EQ(std::strerror(ENOENT), ErrorText(ENOENT));
  EXPECT_EQ("ほかのプログラムが使用中です", ReasonText("in use by another program"));  // ours, from the catalog
  EXPECT_EQ("no such reason", ReasonText("no such reason"));
  const std::string shown = ReasonText(ErrorText(ENOENT));
  if (shown == std::strerror(ENOENT)) {
    GTEST_SKIP() << "no Japanese locale here (locales-all)";
  }
  // UTF-8, not the C library's "?" for each character the C codeset cannot show.
  EXPECT_EQ(std::string::npos, shown.find('?')) << shown;
  EXPECT_GE(static_cast<unsigned char>(shown.front()), 0x80) << shown;
}
#endif

TEST(FillTest, PutsValuesWhereTheTextSays) {
  struct Case {
    std::string_view pattern;
    std::string expected;
  } cases[] = {
      {"{1} holds {2}", "a holds b"},
      {"{2} before {1}", "b before a"},  // a translation's own order
      {"{1}{1}", "aa"},
      {"{3} has no value", "{3} has no value"},
      {"{{1}} is literal", "{1}} is literal"},
      {"{0} and {x} and {", "{0} and {x} and {"},
      {"ends with {2}", "ends with b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Fill(c.pattern, {"a", "b"})) << c.pattern;
  }
}

}  // namespace
}  // namespace morvane
