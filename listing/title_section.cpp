#include "listing/title_section.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cstring>
#include <string>
#include <string_view>

#include "listing/field_listing.h"
#include "platform/eight_bytes.h"

// The byte shuffle of SSSE3, found on nearly every x86-64 processor, is chosen at run time with
// GCC's and Clang's built-ins; elsewhere the portable scan does all the work.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANE_ESCAPE_SSSE3 1
#include <tmmintrin.h>
#else
#define MORVANE_ESCAPE_SSSE3 0
#endif

namespace morvane {

namespace {

constexpr int kExtendedLayoutVersion = 0x0207;
// Titles with this layout word carry no item word in their text items.
constexpr std::uint16_t kLayoutWithoutItemWords = 0x0300;
// A text length byte of 255 announces a u16 length.
constexpr std::uint8_t kLongTextLength = 255;
// The six runs of a text item: this many u32 values, then one u16.
constexpr std::array<int, 6> kRunWords = {22, 18, 28, 18, 29, 18};
// The bytes of a text item after its item name: four values, one byte, the six runs, five values.
constexpr std::uint64_t kItemTailBytes = [] {
  std::uint64_t bytes = 4 * 4 + 1 + 4 * 5;
  for (const int words : kRunWords) {
    bytes += 4 * static_cast<std::uint64_t>(words) + 2;
  }
  return bytes;
}();

// ",%d" with the block's byte size, then ",%u" per word.
void ListWordBlock(SourceReader& source, ListingWriter& out) {
  const std::int32_t size = source.ReadU32();
  if (out.Discards()) {
    DropWords(source, size);
    return;
  }
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

// Escapes the bytes [in, end) to out, run by run: a scan of 8 bytes at a time passes over the
// runs that need no escape, each copied in one piece; a word that holds a byte to escape (or
// another control byte) is written a byte at a time through a table, without branches. Stops
// at a zero byte. out needs room for 2 * (end - in) bytes. Returns where the input stopped
// (end, or the zero byte) and advances out.
const char* EscapeRuns(const char* in, const char* const end, char*& out) {
  char* o = out;
  while (end - in >= 8) {
    using namespace eight_bytes;
    const std::uint64_t word = Load(in);  // byte order does not matter to the tests below
    // Below 0x0E: the zero byte, LF and CR (and the other control bytes, which stand for
    // themselves and merely take the table's path).
    if ((Below(word, 0x0E) | Equal(word, '"') | Equal(word, '\\')) == 0) {
      std::memcpy(o, in, 8);
      o += 8;
      in += 8;
      continue;
    }
    if (Equal(word, 0) != 0) {
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

#if MORVANE_ESCAPE_SSSE3
// The same 16 bytes at a time with a byte shuffle (SSSE3), without a branch per byte or per
// escape: with a quarter of the bytes escaped, EscapeRuns spends its time in the table and a
// scan by escapes would mispredict a branch per block. Compares find the bytes to escape and
// give each its letter in place; then for each half of 8 bytes the shuffle chosen by the mask
// of its escapes spreads them to 8 to 16 bytes, a backslash before each escaped one. The 16
// stored bytes stay within the room of 2 * 16 per block.
struct SpreadTable {
  // For each mask of a half's escapes: where each output byte comes from, 0-7 the (lettered)
  // byte of the half, 8 a backslash, 0x80 a zero past the end; and the output's length.
  std::array<std::array<std::uint8_t, 16>, 256> shuffles{};
  std::array<std::uint8_t, 256> lengths{};
};
constexpr SpreadTable MakeSpreadTable() {
  SpreadTable table;
  for (int mask = 0; mask < 256; ++mask) {
    auto& shuffle = table.shuffles[mask];
    std::size_t at = 0;
    for (int i = 0; i < 8; ++i) {
      if ((mask >> i & 1) != 0) {
        shuffle[at++] = 8;
      }
      shuffle[at++] = static_cast<std::uint8_t>(i);
    }
    table.lengths[mask] = static_cast<std::uint8_t>(at);
    for (; at < 16; ++at) {
      shuffle[at] = 0x80;
    }
  }
  return table;
}
constexpr SpreadTable kSpreads = MakeSpreadTable();

// Writes the 8 to 16 bytes of a half at o; returns their end.
__attribute__((target("ssse3"))) inline char* Spread(char* o, __m128i half, unsigned mask) {
  const __m128i shuffle =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSpreads.shuffles[mask].data()));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_shuffle_epi8(half, shuffle));
  return o + kSpreads.lengths[mask];
}

__attribute__((target("ssse3"))) const char* EscapeBlocks(const char* in, const char* const end,
                                                         char*& out) {
  char* o = out;
  const __m128i zero = _mm_setzero_si128();
  const __m128i backslash = _mm_set1_epi8('\\');
  while (end - in >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)) != 0) {
      break;  // the text ends within this block: EscapeRuns finds where
    }
    const __m128i cr = _mm_cmpeq_epi8(block, _mm_set1_epi8('\r'));
    const __m128i lf = _mm_cmpeq_epi8(block, _mm_set1_epi8('\n'));
    const __m128i escaped =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('"')),
                                  _mm_cmpeq_epi8(block, backslash)),
                     _mm_or_si128(cr, lf));
    // CR and LF become r and n; a quote and a backslash are their own letters.
    const __m128i letters =
        _mm_add_epi8(block, _mm_or_si128(_mm_and_si128(cr, _mm_set1_epi8('r' - '\r')),
                                         _mm_and_si128(lf, _mm_set1_epi8('n' - '\n'))));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(escaped));
    // Each half's 8 bytes, then 8 backslashes, for the shuffle's indexes 0-7 and 8.
    o = Spread(o, _mm_unpacklo_epi64(letters, backslash), mask & 0xFF);
    o = Spread(o, _mm_unpackhi_epi64(letters, backslash), mask >> 8);
    in += 16;
  }
  out = o;
  return EscapeRuns(in, end, out);
}

bool HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();  // in case this runs before the constructors that fill in the answer
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}
#endif

// Escapes as EscapeRuns does, with the fastest way the processor has.
const char* Escape(const char* in, const char* const end, char*& out) {
#if MORVANE_ESCAPE_SSSE3
  if (HasSsse3()) {
    return EscapeBlocks(in, end, out);
  }
#endif
  return EscapeRuns(in, end, out);
}

// Reads a text of the given length and writes it escaped, so that it stays on one line. The
// text ends at its first zero byte; the bytes after it are read and dropped.
void ListEscapedText(SourceReader& source, ListingWriter& out, std::size_t length, std::string& raw) {
  // The raw bytes are read in one piece; the buffer keeps its capacity from one item to the next.
  raw.resize(length + 1);
  source.ReadChars(raw.data(), static_cast<std::int32_t>(length + 1));
  if (out.Discards()) {
    return;  // an export reads the text only (escaping it was a good part of title-heavy exports)
  }
  // Escaped straight into the writer, a piece at a time that fits its buffer even if every byte
  // is escaped.
  constexpr std::size_t kPiece = 8 * 1024;
  const char* in = raw.data();
  const char* const end = in + length;
  while (in != end) {
    const char* const pieceEnd = in + std::min(kPiece, static_cast<std::size_t>(end - in));
    char* o = out.Claim(2 * kPiece);
    in = Escape(in, pieceEnd, o);
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

// The most text an item's tail lists: ",%u" of each u32 (at most 11 bytes), of the byte and of
// each run's u16, and the line end.
constexpr std::size_t kItemTailText = [] {
  std::size_t words = 4 + 5;
  std::size_t shorts = 1;
  for (const int run : kRunWords) {
    words += static_cast<std::size_t>(run);
    ++shorts;
  }
  return 11 * words + 6 * shorts + 2;
}();

// The tail of an item from its kItemTailBytes bytes in hand, written at p as ListRun and
// ListU32s list it; returns the end of what it wrote.
char* ListItemTail(char* p, const std::uint8_t* bytes) {
  p = PutU32s(p, bytes, 4);
  bytes += 4 * 4;
  *p++ = ',';
  p = FormatUnsigned(p, *bytes++);
  for (const int words : kRunWords) {
    p = PutU32s(p, bytes, words);
    bytes += 4 * words;
    *p++ = ',';
    p = FormatUnsigned(p, static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8));
    bytes += 2;
  }
  p = PutU32s(p, bytes, 5);
  *p++ = '\r';
  *p++ = '\n';
  return p;
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
    if (context.recorder != nullptr) {
      context.recorder->RecordTitle(title, begin);
    }
    std::uint16_t layoutWord = 0;
    if (out.Discards()) {  // the head's fields read in pieces, as its items' below
      source.DropShortString();
      ListWordBlock(source, out);
      source.Drop(4);
      source.DropShortString();
      ListWordBlock(source, out);
      if (extended) {
        layoutWord = source.ReadU16();
        source.Drop(2 + 4);
      }
    } else {
      out.Write("begin=", begin, ',', second, ',', third, ',', source.ReadShortString());
      ListWordBlock(source, out);
      ListU32(source, out);
      out.Write(',', source.ReadShortString());
      ListWordBlock(source, out);
      if (extended) {
        layoutWord = source.ReadU16();
        out.WriteChar(',');
        out.WriteUnsigned(layoutWord);
        out.WriteChar(',');
        out.WriteUnsigned(source.ReadU16());
        ListU32(source, out);
      }
      out.WriteText(",\r\n");
    }

    const bool itemWords = extended && layoutWord != kLayoutWithoutItemWords;
    const std::int32_t itemCount = source.ReadU32();
    for (std::int32_t item = 0; item < itemCount; ++item) {
      if (itemWords) {
        if (out.Discards()) {
          source.Drop(4);
        } else {
          ListU32(source, out);
        }
      }
      std::size_t length = source.ReadU8();
      if (length == kLongTextLength) {
        length = source.ReadU16();
      }
      std::string_view text;
      if (const std::uint8_t* taken = out.Discards() ? source.Take(length) : nullptr) {
        // Nothing to list, and the bytes are in the reader's buffer: the text is read from
        // there rather than copied (a text-heavy export copied all its text once more so).
        text = std::string_view(reinterpret_cast<const char*>(taken), length);
      } else {
        if (!out.Discards()) {
          out.WriteText(",\"");
        }
        ListEscapedText(source, out, length, raw);
        text = std::string_view(raw.data(), length);
      }
      if (context.recorder != nullptr) {
        context.recorder->RecordTitleText(title, begin, text.substr(0, text.find('\0')));
      }
      if (out.Discards()) {
        // Nothing to list: the rest of the item is read in three pieces instead of 152 fields.
        source.Drop(9 * 4);
        source.DropShortString();
        source.Drop(kItemTailBytes);
        continue;
      }
      out.WriteChar('"');
      ListU32s(source, out, 9);
      out.Write(',', source.ReadShortString());
      if (const std::uint8_t* tail = source.Take(kItemTailBytes)) {
        out.Commit(ListItemTail(out.Claim(kItemTailText), tail));
        continue;
      }
      ListU32s(source, out, 4);
      out.WriteChar(',');
      out.WriteUnsigned(source.ReadU8());
      for (const int words : kRunWords) {
        ListRun(source, out, words);
      }
      ListU32s(source, out, 5);
      out.WriteText("\r\n");
    }

    if (out.Discards()) {
      source.DropShortString();
    } else {
      out.Write(',', source.ReadShortString(), "\r\n");
    }
    share.ItemDone(title + 1);
  }
}

}  // namespace morvane
