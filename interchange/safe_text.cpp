#include "interchange/safe_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/eight_bytes.h"
#include "platform/sixteen_bytes.h"

namespace morvane {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at text[i] and its code point, or 0 when none starts
// there (a stray continuation byte, an over-long form, a surrogate, past U+10FFFF, cut short).
std::size_t Sequence(std::string_view text, std::size_t i, std::uint32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (i + length > text.size()) {
    return 0;
  }
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (byte(k) & 0x3Fu);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
    return 0;
  }
  return length;
}

// Keeps the characters allowed takes and replaces the rest; with lineFeeds, first makes the
// text's CR LF and CR line feeds (as LineFeeds does, in the same pass). Written byte by byte
// through a pointer into a text as long as the input, which only a replacement (three bytes
// for as few as one) makes grow: a profile of text-heavy titles had the appends of each run
// between two line ends high.
template <bool lineFeeds = false, typename Allowed>
std::string Filter(std::string_view text, bool& replaced, Allowed allowed) {
  std::string out(text.size(), '\0');
  char* p = out.data();
  const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = byteAt(i);
    std::uint32_t code = lead;
    std::size_t length = 1;
    if (lead < 0x80) {
      if (allowed(code)) {
        *p++ = static_cast<char>(lead);  // most of every text: no sequence to decode
        ++i;
        continue;
      }
      if (lineFeeds && lead == '\r') {
        if (i + 1 == text.size() || byteAt(i + 1) != '\n') {
          *p++ = '\n';
        }
        ++i;  // a CR before an LF is dropped: the LF follows as it is
        continue;
      }
    } else if (lead >= 0xE1 && lead != 0xED && lead <= 0xEF && text.size() - i >= 3 &&
               (byteAt(i + 1) & 0xC0) == 0x80 && (byteAt(i + 2) & 0xC0) == 0x80) {
      // Most characters beyond ASCII in the projects' texts (kana, kanji) take three bytes:
      // those that need no check for an over-long form or a surrogate (lead E1 to EC, EE, EF)
      // are decoded here; a profile of text-heavy titles had the call per character first.
      code = (lead & 0x0Fu) << 12 | (byteAt(i + 1) & 0x3Fu) << 6 | (byteAt(i + 2) & 0x3Fu);
      length = 3;
    } else {
      length = Sequence(text, i, code);
    }
    if (length == 0 || !allowed(code)) {
      // Room for the replacement and the rest of the input as it is.
      const auto at = static_cast<std::size_t>(p - out.data());
      const std::size_t next = i + (length == 0 ? 1 : length);
      const std::size_t needed = at + kReplacement.size() + (text.size() - next);
      if (needed > out.size()) {
        out.resize(std::max(needed, out.size() + out.size() / 2));
        p = out.data() + at;
      }
      std::memcpy(p, kReplacement.data(), kReplacement.size());
      p += kReplacement.size();
      replaced = true;
      i = next;
    } else {
      for (const std::size_t end = i + length; i != end; ++i) {
        *p++ = text[i];  // one to four bytes: a call to memcpy would cost more
      }
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

bool XmlAllowed(std::uint32_t code) {
  return code == '\t' || code == '\n' || (code >= 0x20 && code != 0xFFFE && code != 0xFFFF);
}

}  // namespace

std::string EdlLineText(std::string_view utf8, bool& replaced) {
  return Filter(utf8, replaced, [](std::uint32_t code) { return code >= 0x20 && code != 0x7F; });
}

std::string XmlText(std::string_view utf8, bool& replaced) { return Filter(utf8, replaced, XmlAllowed); }

std::string XmlLines(std::string_view utf8, bool& replaced) {
  return Filter<true>(utf8, replaced, XmlAllowed);
}

namespace {

// DecodedXmlLines into out, which has room for decoded.size() + kLinesRoom bytes: returns the
// end of the text made, or null, with out's bytes undefined, for a text with a control character
// to be replaced.
constexpr std::size_t kLinesRoom = 16;
char* DecodedXmlLinesInto(std::string_view decoded, char* out) {
  // Nothing to check but the control characters, which are single bytes: the rest is valid and
  // allowed. CR LF and CR become LF; a text with any other control character (rare) is left to
  // the filter that replaces it. Titles break lines often: a block of eight with a CR is made
  // as a word too.
  using namespace eight_bytes;
  char* p = out;
  const char* const text = decoded.data();
  const std::size_t size = decoded.size();
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time where the processor has the instructions for it, as eight below.
  for (; size - i > 16; i += 16) {
    const sixteen_bytes::Block block = sixteen_bytes::Load(text + i);
    const sixteen_bytes::Block lineFeed = sixteen_bytes::Equal(block, '\n');
    const sixteen_bytes::Block carriageReturn = sixteen_bytes::Equal(block, '\r');
    const sixteen_bytes::Block kept = _mm_or_si128(lineFeed, sixteen_bytes::Equal(block, '\t'));
    const unsigned controls = sixteen_bytes::Marks(_mm_andnot_si128(kept, sixteen_bytes::Controls(block)));
    const unsigned crs = sixteen_bytes::Marks(carriageReturn);
    if ((controls & ~crs) != 0) {
      return nullptr;
    }
    const sixteen_bytes::Block lines = _mm_xor_si128(block, _mm_and_si128(carriageReturn, _mm_set1_epi8('\r' ^ '\n')));
    const unsigned drops = crs & (sixteen_bytes::Marks(lineFeed) >> 1 | unsigned{text[i + 16] == '\n'} << 15);
    if (drops == 0) {
      sixteen_bytes::Store(p, lines);
      p += 16;
      continue;
    }
    // The output is never ahead of the input, and a block with a drop stores at most fifteen
    // bytes past its end: the room holds sixteen more than the text.
    p = sixteen_bytes::StoreDropping(p, lines, drops);
  }
#endif
  for (; size - i > 8; i += 8) {  // eight bytes and the one after them, which says if a CR ends its line alone
    const std::uint64_t word = Load(text + i);
    const std::uint64_t controls = Below(word, 0x20) & ~Equal(word, '\n') & ~Equal(word, '\t');
    if (controls == 0) {
      std::memcpy(p, text + i, 8);
      p += 8;
      continue;
    }
    const std::uint64_t crs = Equal(word, '\r');
    if ((controls & ~crs) != 0) {
      return nullptr;
    }
    if constexpr (std::endian::native == std::endian::little) {
      // Each CR as an LF; one before an LF (in the block, or the byte after it) is dropped, the
      // bytes after it written one place lower.
      const std::uint64_t lineFeeds = word ^ ((crs >> 7) * ('\r' ^ '\n'));
      std::uint64_t drops = crs & ((Equal(word, '\n') >> 8) | std::uint64_t{text[i + 8] == '\n'} << 63);
      std::size_t from = 0;
      for (; drops != 0; drops &= drops - 1) {
        const auto k = static_cast<std::size_t>(FirstMarked(drops));
        const std::uint64_t part = lineFeeds >> (8 * from);
        std::memcpy(p, &part, 8);
        p += k - from;
        from = k + 1;
      }
      const std::uint64_t part = from < 8 ? lineFeeds >> (8 * from) : 0;
      std::memcpy(p, &part, 8);
      p += 8 - from;
    } else {
      for (std::size_t k = i; k != i + 8; ++k) {
        const bool cr = text[k] == '\r';
        *p = cr ? '\n' : text[k];
        p += !(cr && text[k + 1] == '\n');
      }
    }
  }
  for (; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\r') {
      if (i + 1 == size || text[i + 1] != '\n') {
        *p++ = '\n';
      }
    } else if (byte >= 0x20 || byte == '\n' || byte == '\t') {
      *p++ = text[i];
    } else {
      return nullptr;
    }
  }
  return p;
}

}  // namespace

std::string DecodedXmlLines(std::string_view decoded, bool& replaced) {
  std::string out(decoded.size() + kLinesRoom, '\0');
  const char* const end = DecodedXmlLinesInto(decoded, out.data());
  if (end == nullptr) {
    return XmlLines(decoded, replaced);
  }
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::string LineFeeds(std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines += text[i];
    } else if (i + 1 == text.size() || text[i + 1] != '\n') {
      lines += '\n';
    }
  }
  return lines;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t code = 0;
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Sequence(text, i, code);
    if (length == 0) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string JsonText(std::string_view utf8, bool& replaced) {
  return Filter(utf8, replaced, [](std::uint32_t) { return true; });
}

}  // namespace morvane
