#include "platform/catalog.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace morvane {

// The Japanese catalog, as msgfmt compiled po/ja.po (generated at build time).
extern const unsigned char kJapaneseCatalog[];
extern const std::size_t kJapaneseCatalogSize;

namespace {

// A catalog compiled by msgfmt (a GNU .mo file, little-endian as msgfmt writes it on every
// machine we build on): its texts sorted by their English key, found by binary search.
class CompiledCatalog {
 public:
  CompiledCatalog(const unsigned char* data, std::size_t size) : data_(data), size_(size) {
    if (size_ < 28 || Word(0) != 0x950412de) {
      return;  // not a catalog: every text stays English
    }
    count_ = Word(8);
    originals_ = Word(12);
    translations_ = Word(16);
    if (originals_ > size_ || translations_ > size_ || count_ > (size_ - originals_) / 8 ||
        count_ > (size_ - translations_) / 8) {
      count_ = 0;
      return;
    }
    // The header (the translation of "") says how many forms a counted text has.
    if (const auto header = Find("")) {
      singleForm_ = header->find("nplurals=1;") != std::string_view::npos;
    }
  }

  // The translation of key (its first form, for a counted text), if the catalog has one.
  std::optional<std::string_view> Find(std::string_view key) const {
    std::uint32_t low = 0, high = count_;
    while (low < high) {
      const std::uint32_t middle = low + (high - low) / 2;
      const std::string_view original = FirstForm(Text(originals_, middle));
      if (original < key) {
        low = middle + 1;
      } else if (key < original) {
        high = middle;
      } else {
        const std::string_view translation = Text(translations_, middle);
        if (translation.empty()) {
          return std::nullopt;  // untranslated
        }
        return translation;
      }
    }
    return std::nullopt;
  }

  // The form of a counted text for count: its translations are its forms, one after another.
  std::optional<std::string_view> FindCounted(std::string_view one, std::int64_t count) const {
    const auto forms = Find(one);
    if (!forms) {
      return std::nullopt;
    }
    const std::size_t end = forms->find('\0');
    if (singleForm_ || end == std::string_view::npos || count == 1) {
      return forms->substr(0, end);
    }
    return forms->substr(end + 1, forms->find('\0', end + 1) - end - 1);
  }

 private:
  std::uint32_t Word(std::size_t at) const {
    std::uint32_t word = 0;
    for (int i = 3; i >= 0; --i) {
      word = word << 8 | data_[at + static_cast<std::size_t>(i)];
    }
    return word;
  }
  // The text of entry index in the table at table: a length and an offset each.
  std::string_view Text(std::uint32_t table, std::uint32_t index) const {
    const std::uint32_t length = Word(table + std::size_t{index} * 8);
    const std::uint32_t offset = Word(table + std::size_t{index} * 8 + 4);
    if (offset > size_ || length > size_ - offset) {
      return {};
    }
    return {reinterpret_cast<const char*>(data_) + offset, length};
  }
  static std::string_view FirstForm(std::string_view text) { return text.substr(0, text.find('\0')); }

  const unsigned char* data_;
  std::size_t size_;
  std::uint32_t count_ = 0, originals_ = 0, translations_ = 0;
  bool singleForm_ = false;
};

const CompiledCatalog& Japanese() {
  static const CompiledCatalog catalog(kJapaneseCatalog, kJapaneseCatalogSize);
  return catalog;
}

// 0 while the language is the system's, not yet asked; else the language + 1.
std::atomic<int> language{0};

// How many EnglishTexts live on this thread.
thread_local int englishScopes = 0;

// The pseudo-language's forms, made once each and kept for the program's life.
std::string_view Pseudo(std::string_view english) {
  static std::mutex mutex;
  static std::unordered_map<std::string, std::string> forms;
  const std::lock_guard lock(mutex);
  auto [at, made] = forms.try_emplace(std::string(english));
  if (made) {
    std::string& form = at->second;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = english.find('\n', start);
      const std::string_view line = english.substr(start, end - start);
      if (!line.empty()) {
        form.append(kPseudoOpen).append(line).append(kPseudoClose);
      }
      if (end == std::string_view::npos) {
        break;
      }
      form += '\n';
      start = end + 1;
    }
  }
  return at->second;
}

}  // namespace

EnglishTexts::EnglishTexts() { ++englishScopes; }
EnglishTexts::~EnglishTexts() { --englishScopes; }

UiLanguage CurrentLanguage() {
  if (englishScopes > 0) {
    return UiLanguage::English;
  }
  int current = language.load();
  if (current == 0) {
    current = static_cast<int>(SystemLanguage()) + 1;
    int expected = 0;
    if (!language.compare_exchange_strong(expected, current)) {
      current = expected;
    }
  }
  return static_cast<UiLanguage>(current - 1);
}

void SetLanguage(UiLanguage chosen) { language.store(static_cast<int>(chosen) + 1); }

std::string_view Tr(std::string_view english) {
  switch (CurrentLanguage()) {
    case UiLanguage::English: return english;
    case UiLanguage::Japanese: return english.empty() ? english : Japanese().Find(english).value_or(english);
    case UiLanguage::Pseudo: return Pseudo(english);
  }
  return english;
}

std::string_view TrPlural(std::string_view one, std::string_view many, std::int64_t count) {
  switch (CurrentLanguage()) {
    case UiLanguage::English: break;
    case UiLanguage::Japanese:
      if (const auto form = Japanese().FindCounted(one, count)) {
        return *form;
      }
      break;
    case UiLanguage::Pseudo: return Pseudo(count == 1 ? one : many);
  }
  return count == 1 ? one : many;
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '{' && i + 1 < pattern.size() && pattern[i + 1] == '{') {
      text += '{';
      ++i;
      continue;
    }
    if (c == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9' && pattern[i + 2] == '}') {
      const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (n < values.size()) {
        text += values.begin()[n];
        i += 2;
        continue;
      }
    }
    text += c;
  }
  return text;
}

}  // namespace morvane
