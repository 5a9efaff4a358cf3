#include "cli/help_text.h"

#include <vector>

#include "platform/catalog.h"

namespace morvane {

namespace {

constexpr std::size_t kTerminalColumns = 80;

// The character at text[at] (UTF-8) and its length in bytes; a byte that starts none counts as
// one character of its own.
char32_t CharacterAt(std::string_view text, std::size_t at, std::size_t& length) {
  const auto byte = static_cast<unsigned char>(text[at]);
  length = byte < 0x80 ? 1 : byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc0 ? 2 : 1;
  if (at + length > text.size()) {
    length = 1;
  }
  if (length == 1) {
    return byte;
  }
  char32_t character = byte & (0x7f >> length);
  for (std::size_t i = 1; i < length; ++i) {
    character = character << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3f);
  }
  return character;
}

// East Asian wide and fullwidth characters: Hangul Jamo, the CJK punctuation, kana and
// ideographs, Hangul syllables, compatibility ideographs and forms, fullwidth forms.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115f) || (c >= 0x2e80 && c <= 0x303e) || (c >= 0x3041 && c <= 0x33ff) ||
         (c >= 0x3400 && c <= 0x4dbf) || (c >= 0x4e00 && c <= 0x9fff) || (c >= 0xa000 && c <= 0xa4cf) ||
         (c >= 0xac00 && c <= 0xd7a3) || (c >= 0xf900 && c <= 0xfaff) || (c >= 0xfe30 && c <= 0xfe4f) ||
         (c >= 0xff00 && c <= 0xff60) || (c >= 0xffe0 && c <= 0xffe6) || (c >= 0x20000 && c <= 0x3fffd);
}

// Marks a line does not start with, and marks it does not end with.
constexpr std::u32string_view kNoLineStart = U"、。，．）」』】〕〉》！？：；ー・ぁぃぅぇぉっゃゅょァィゥェォッャュョ…";
constexpr std::u32string_view kNoLineEnd = U"（「『【〔〈《";
constexpr std::string_view kAsciiNoLineStart = ")]},.:;!?%";
constexpr std::string_view kAsciiNoLineEnd = "([{";

// A piece of a line that is never broken: a wide character, or a run of other characters
// between spaces and wide characters, with the marks that may not be parted from it.
struct Piece {
  std::string text;
  std::size_t width = 0;
  bool spaceBefore = false;
};

// The pieces of one line (no line end in it).
std::vector<Piece> Pieces(std::string_view line) {
  std::vector<Piece> pieces;
  bool space = false;
  bool lastWide = false;  // the last character was a wide one
  bool opening = false;   // the last character was an opening mark
  for (std::size_t at = 0, length = 0; at < line.size(); at += length) {
    const char32_t c = CharacterAt(line, at, length);
    if (c == U' ') {
      space = true;
      continue;
    }
    const bool wide = IsWide(c);
    bool join;  // to the piece before
    if (pieces.empty() || space) {
      join = false;
    } else if (opening) {
      join = true;
    } else if (wide) {
      join = kNoLineStart.find(c) != std::u32string_view::npos;
    } else {
      join = !lastWide || kAsciiNoLineStart.find(static_cast<char>(c)) != std::string_view::npos;
    }
    if (!join) {
      pieces.push_back({{}, 0, space});
    }
    pieces.back().text.append(line.substr(at, length));
    pieces.back().width += wide ? 2 : 1;
    space = false;
    lastWide = wide;
    opening = wide ? kNoLineEnd.find(c) != std::u32string_view::npos
                   : c < 0x80 && kAsciiNoLineEnd.find(static_cast<char>(c)) != std::string_view::npos;
  }
  return pieces;
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
    width += IsWide(CharacterAt(text, at, length)) ? 2 : 1;
  }
  return width;
}

std::string WrapText(std::string_view text, std::size_t width) {
  std::string wrapped;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    std::size_t used = 0;
    for (const Piece& piece : Pieces(text.substr(start, end - start))) {
      const std::size_t space = piece.spaceBefore && used > 0 ? 1 : 0;
      if (used > 0 && used + space + piece.width > width) {
        wrapped += '\n';
        used = 0;
      } else if (space > 0) {
        wrapped += ' ';
        used += 1;
      }
      wrapped += piece.text;
      used += piece.width;
    }
    if (end == std::string_view::npos) {
      return wrapped;
    }
    wrapped += '\n';
    start = end + 1;
  }
}

HelpFormatter::HelpFormatter(bool wrap) : wrap_(wrap) {
  // CLI11's own words. TRANSLATORS: --help's first line starts "Usage: morvane-convert [OPTIONS]".
  label("Usage", std::string(Tr("Usage")));
  label("OPTIONS", std::string(Tr("OPTIONS")));
  // TRANSLATORS: the heading of --help over the arguments that are no options (SOURCE).
  label("Positionals", std::string(Tr("Positionals")));
  label("REQUIRED", std::string(Tr("REQUIRED")));
  label("Needs", std::string(Tr("Needs")));
  label("Excludes", std::string(Tr("Excludes")));
}

std::string HelpFormatter::make_description(const CLI::App* app) const {
  const std::string description = CLI::Formatter::make_description(app);
  return wrap_ ? WrapText(description, kTerminalColumns) : description;
}

std::string HelpFormatter::make_option_desc(const CLI::Option* option) const {
  const std::string description = CLI::Formatter::make_option_desc(option);
  return wrap_ ? WrapText(description, kTerminalColumns - column_width_) : description;
}

bool WrapsHelp() { return CurrentLanguage() == UiLanguage::Japanese; }

}  // namespace morvane
