#include "listing/title_section.h"

#include <array>
#include <string>

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

// Reads a text of the given length into escaped, backslash-escaped so that it stays on one
// line. The text ends at its first zero byte; the bytes after it are read and dropped.
void ReadEscapedText(SourceReader& source, std::size_t length, std::string& escaped) {
  // Room for every byte escaped; the buffer keeps its capacity from one item to the next. The
  // raw bytes are read in one piece (not byte by byte) behind the room for the escaped text and
  // escaped in place: byte i sits at length + i, and when it is read the escaped text reaches
  // at most position 2 * i - 1, so no byte is overwritten before it is read.
  escaped.resize(2 * length + 1);
  char* const raw = escaped.data() + length;
  source.ReadChars(raw, static_cast<std::int32_t>(length + 1));
  char* end = escaped.data();
  for (std::size_t i = 0; i < length; ++i) {
    const char c = raw[i];
    if (c == '\0') {
      break;
    }
    switch (c) {
      case '\n': *end++ = '\\'; *end++ = 'n'; break;
      case '\r': *end++ = '\\'; *end++ = 'r'; break;
      case '"': *end++ = '\\'; *end++ = '"'; break;
      case '\\': *end++ = '\\'; *end++ = '\\'; break;
      default: *end++ = c; break;
    }
  }
  escaped.resize(static_cast<std::size_t>(end - escaped.data()));
}

}  // namespace

void ReadTitleSection(ListingContext& context, std::int32_t titleCount, int version) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  // Decided by the software the user chose, not by anything in the file.
  const bool extended =
      version >= kExtendedLayoutVersion || context.settings.softwareKind == SoftwareKind::EzEdit;
  std::string escaped;
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
      ReadEscapedText(source, length, escaped);
      if (context.recorder != nullptr) {
        context.recorder->RecordTitleText(title, begin, escaped);
      }
      out.WriteText(",\"");
      out.WriteText(escaped);
      out.WriteChar('"');
      ListU32s(source, out, 9);
      out.Write(',', source.ReadShortString());
      ListU32s(source, out, 4);
      out.WriteChar(',');
      out.WriteUnsigned(source.ReadU8());
      for (const int words : kRunWords) {
        ListU32s(source, out, words);
        out.WriteChar(',');
        out.WriteUnsigned(source.ReadU16());
      }
      ListU32s(source, out, 5);
      out.WriteText("\r\n");
    }

    out.Write(',', source.ReadShortString(), "\r\n");
    share.ItemDone(title + 1);
  }
}

}  // namespace morvane
