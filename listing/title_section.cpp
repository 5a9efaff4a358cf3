#include "listing/title_section.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cstring>
#include <string>
#include <string_view>

#include "listing/field_listing.h"

namespace morvane {

namespace {

constexpr int kExtendedLayoutVersion = 0x0207;
// Titles with this layout word carry no item word in their text items.
constexpr std::uint16_t kLayoutWithoutItemWords = 0x0300;
// A text length byte of 255 announces a u16 length.
constexpr std::uint8_t kLongTextLength = 255;
// The six runs of a text item: this many u32 values, then one u16.
constexpr std::array<int, 6> kRunWords = {22, 18, 28, 18, 29, 18};

// ",%d" with the block's byte size, then ",%u" per word.
void ListWordBlock(SourceReader& source, ListingWriter& out) {
  const std::int32_t size = source.ReadU32();
  out.WriteChar(',');
  out.WriteDecimal(size);
  // The offset is 64-bit so that a size near 2^31 cannot wrap it back below the size.
  for (std::int64_t offset = 0; offset < size; offset += 4) {
    ListU32(source, out);
  }
}

// Each byte's form in the escaped text: itself, or a backslash and a letter.
struct EscapeTable {
  std::array<std::array<char, 2>, 256> pairs{};  // the form's bytes (the second unused if one)
  std::array<std::uint8_t, 256> widths{};        // 1 or 2
};
constexpr EscapeTable MakeEscapeTable() {
  EscapeTable table;
  for (int c = 0; c < 256; ++c) {
    table.pairs[c] = {static_cast<char>(c), 0};
    table.widths[c] = 1;
  }
  const std::pair<char, char> escapes[] = {{'\n', 'n'}, {'\r', 'r'}, {'"', '"'}, {'\\', '\\'}};
  for (const auto& [c, letter] : escapes) {
    table.pairs[static_cast<std::uint8_t>(c)] = {'\\', letter};
    table.widths[static_cast<std::uint8_t>(c)] = 2;
  }
  return table;
}
constexpr EscapeTable kEscapes = MakeEscapeTable();

// Appends the escaped form of c at o without a branch; o needs room for 2 bytes.
inline char* PutEscaped(char* o, char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  std::memcpy(o, kEscapes.pairs[byte].data(), 2);
  return o + kEscapes.widths[byte];
}

// Word-at-a-time tests, true when any of the 8 bytes of word is as named (exact for "any",
// though not for telling which byte it is).
constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighs = 0x8080808080808080u;
constexpr bool AnyBelow(std::uint64_t word, std::uint8_t n) {
  return ((word - kOnes * n) & ~word & kHighs) != 0;
}
constexpr bool AnyEqual(std::uint64_t word, std::uint8_t byte) {
  return AnyBelow(word ^ (kOnes * byte), 1);
}

// Escapes the bytes [in, end) to out, run by run: a scan of 8 bytes at a time passes over the
// runs that need no escape, each copied in one piece; a word that holds a byte to escape (or
// another control byte) is written a byte at a time through a table, without branches. Stops
// at a zero byte. out needs room for 2 * (end - in) bytes. Returns where the input stopped
// (end, or the zero byte) and advances out.
const char* EscapeRuns(const char* in, const char* const end, char*& out) {
  char* o = out;
  while (end - in >= 8) {
    std::uint64_t word;
    std::memcpy(&word, in, 8);  // byte order does not matter to the tests below
    // Below 0x0E: the zero byte, LF and CR (and the other control bytes, which stand for
    // themselves and merely take the table's path).
    if (!AnyBelow(word, 0x0E) && !AnyEqual(word, '"') && !AnyEqual(word, '\\')) {
      std::memcpy(o, in, 8);
      o += 8;
      in += 8;
      continue;
    }
    if (AnyEqual(word, 0)) {
      break;  // the text ends within this word: the byte-at-a-time loop below finds where
    }
    // Unrolled: the compiler keeps a loop of eight at -O2.
    o = PutEscaped(o, in[0]);
    o = PutEscaped(o, in[1]);
    o = PutEscaped(o, in[2]);
    o = PutEscaped(o, in[3]);
    o = PutEscaped(o, in[4]);
    o = PutEscaped(o, in[5]);
    o = PutEscaped(o, in[6]);
    o = PutEscaped(o, in[7]);
    in += 8;
  }
  for (; in != end && *in != '\0'; ++in) {
    o = PutEscaped(o, *in);
  }
  out = o;
  return in;
}

// Reads a text of the given length and writes it escaped, so that it stays on one line. The
// text ends at its first zero byte; the bytes after it are read and dropped.
void ListEscapedText(SourceReader& source, ListingWriter& out, std::size_t length, std::string& raw) {
  // The raw bytes are read in one piece; the buffer keeps its capacity from one item to the next.
  raw.resize(length + 1);
  source.ReadChars(raw.data(), static_cast<std::int32_t>(length + 1));
  // Escaped straight into the writer, a piece at a time that fits its buffer even if every byte
  // is escaped.
  constexpr std::size_t kPiece = 8 * 1024;
  const char* in = raw.data();
  const char* const end = in + length;
  while (in != end) {
    const char* const pieceEnd = in + std::min(kPiece, static_cast<std::size_t>(end - in));
    char* o = out.Claim(2 * kPiece);
    in = EscapeRuns(in, pieceEnd, o);
    out.Commit(o);
    if (in != pieceEnd) {
      break;  // a zero byte ended the text
    }
  }
}

// A run of a text item: ",%u" of each of words u32 values, then of one u16 value, with one
// check of the writer's room.
void ListRun(SourceReader& source, ListingWriter& out, int words) {
  char* p = out.Claim(static_cast<std::size_t>(words) * 11 + 6);
  for (int i = 0; i < words; ++i) {
    *p++ = ',';
    p = FormatUnsigned(p, static_cast<std::uint32_t>(source.ReadU32()));
  }
  *p++ = ',';
  p = FormatUnsigned(p, source.ReadU16());
  out.Commit(p);
}

}  // namespace

void ReadTitleSection(ListingContext& context, std::int32_t titleCount, int version) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  // Decided by the software the user chose, not by anything in the file.
  const bool extended =
      version >= kExtendedLayoutVersion || context.settings.softwareKind == SoftwareKind::EzEdit;
  std::string raw;
  ProgressShare share(context.progress, "[Title]", kTitleShare, titleCount);

  for (std::int32_t title = 0; title < titleCount; ++title) {
    const std::int32_t begin = source.ReadU32();
    const std::int32_t second = source.ReadU32();
    const std::int32_t third = source.ReadU32();
    out.Write("begin=", begin, ',', second, ',', third, ',', source.ReadShortString());
    ListWordBlock(source, out);
    ListU32(source, out);
    out.Write(',', source.ReadShortString());
    ListWordBlock(source, out);
    std::uint16_t layoutWord = 0;
    if (extended) {
      layoutWord = source.ReadU16();
      out.WriteChar(',');
      out.WriteUnsigned(layoutWord);
      out.WriteChar(',');
      out.WriteUnsigned(source.ReadU16());
      ListU32(source, out);
    }
    out.WriteText(",\r\n");

    const bool itemWords = extended && layoutWord != kLayoutWithoutItemWords;
    const std::int32_t itemCount = source.ReadU32();
    for (std::int32_t item = 0; item < itemCount; ++item) {
      if (itemWords) {
        ListU32(source, out);
      }
      std::size_t length = source.ReadU8();
      if (length == kLongTextLength) {
        length = source.ReadU16();
      }
      out.WriteText(",\"");
      ListEscapedText(source, out, length, raw);
      if (context.recorder != nullptr) {
        const std::string_view text(raw.data(), length);
        context.recorder->RecordTitleText(title, begin, text.substr(0, text.find('\0')));
      }
      out.WriteChar('"');
      ListU32s(source, out, 9);
      out.Write(',', source.ReadShortString());
      ListU32s(source, out, 4);
      out.WriteChar(',');
      out.WriteUnsigned(source.ReadU8());
      for (const int words : kRunWords) {
        ListRun(source, out, words);
      }
      ListU32s(source, out, 5);
      out.WriteText("\r\n");
    }

    out.Write(',', source.ReadShortString(), "\r\n");
    share.ItemDone(title + 1);
  }
}

}  // namespace morvane
