#include "interchange/mlt_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "interchange/safe_text.h"
#include "interchange/title_placement.h"
#include "interchange/xml_stream.h"
#include "platform/piece_thread.h"
#include "platform/sixteen_bytes.h"

namespace morvane {

namespace {

std::string LevelText(const TimelineClip& clip) {
  std::string text;
  text.reserve(24 + 14 * clip.levelPoints.size());
  char number[24];
  const auto put = [&](std::string_view before, auto value) {
    text += before;
    text.append(number, static_cast<std::size_t>(std::to_chars(number, number + sizeof number, value).ptr - number));
  };
  put("in=", clip.levelIn);
  put(",out=", clip.levelOut);
  for (const LevelPoint& point : clip.levelPoints) {
    put(",", point.position);
    put("=", point.value);
  }
  return text;
}

// The bytes pugixml escapes in text (attribute false) or in an attribute's value.
constexpr std::array<bool, 256> XmlSpecials(bool attribute) {
  std::array<bool, 256> special{};
  for (int byte = 1; byte < 0x20; ++byte) {
    special[static_cast<std::size_t>(byte)] = attribute || (byte != '\t' && byte != '\n' && byte != '\r');
  }
  special['&'] = special['<'] = true;
  special['>'] = !attribute;
  special['"'] = attribute;
  return special;
}

// XML in the bytes pugixml's print writes with format_default and "  " per level, written as it
// is made. Written by hand because the profile of a large project went mostly to pugixml's
// building of each producer, playlist and tractor before printing it. An element with children
// ends its start tag with ">" and a line end, one without any is "<name ... />"; a property is
// one line, "<property name="...">text</property>". Texts are escaped as pugixml escapes them
// (the MLT test reads the document back through pugixml and compares its print): & < > in text, & < " in attribute values, and
// each control character as &#NN; except TAB, LF and CR in text. The texts come through
// XmlText or are ASCII of our own, so none holds a NUL, where pugixml would stop.
class XmlOut {
 public:
  explicit XmlOut(ListingWriter& out) : out_(out) {}

  // Starts an element; its attributes follow, then its children, then Close.
  void Open(std::string_view name) {
    EndStartTag();
    char* p = out_.Claim(2 * names_.size() + 1 + name.size());
    p = PutSpaces(p, 2 * names_.size());
    *p++ = '<';
    out_.Commit(PutText(p, name));
    names_.push_back(name);
    startTagOpen_ = true;
  }
  void Attribute(std::string_view name, std::string_view value) {
    if (value.size() > kShortText) {
      out_.WriteChar(' ');
      out_.WriteText(name);
      out_.WriteText("=\"");
      Escaped(value, true);
      out_.WriteChar('"');
      return;
    }
    char* p = out_.Claim(name.size() + 4 + kLongestEscape * value.size());
    *p++ = ' ';
    p = PutText(PutText(p, name), "=\"");
    p = EscapedInto(p, value, kAttributeSpecial.data());
    *p++ = '"';
    out_.Commit(p);
  }
  void Attribute(std::string_view name, std::int64_t value) {
    char* p = out_.Claim(name.size() + 4 + 20);
    *p++ = ' ';
    p = PutText(PutText(p, name), "=\"");
    p = std::to_chars(p, p + 20, value).ptr;
    *p++ = '"';
    out_.Commit(p);
  }
  void Close() {
    if (startTagOpen_) {
      out_.WriteText(" />\n");
      startTagOpen_ = false;
    } else {
      char* p = out_.Claim(2 * names_.size() + 3 + names_.back().size());
      p = PutSpaces(p, 2 * (names_.size() - 1));
      out_.Commit(PutText(PutText(PutText(p, "</"), names_.back()), ">\n"));
    }
    names_.pop_back();
  }
  // The lines that write(xml) writes at this depth, made once to be written again, after
  // EndStartTag, straight to the output.
  template <class Write>
  std::string Made(Write write) const {
    std::string text;
    ListingWriter writer(text);
    XmlOut xml(writer);
    xml.names_ = names_;
    write(xml);
    writer.Flush();
    return text;
  }
  // Ends a start tag left open ("<name ..." gets its ">"), before lines written around this.
  void EndStartTag() {
    if (startTagOpen_) {
      out_.WriteText(">\n");
      startTagOpen_ = false;
    }
  }
  // <property name="name">text</property>, name plain ASCII.
  void Property(std::string_view name, std::string_view text) {
    EndStartTag();
    const std::size_t indent = 2 * names_.size();
    if (text.size() > kShortText) {
      out_.WriteSpaces(indent);
      out_.WriteText("<property name=\"");
      out_.WriteText(name);
      out_.WriteText("\">");
      Escaped(text, false);
      out_.WriteText("</property>\n");
      return;
    }
    char* p = out_.Claim(indent + name.size() + 30 + kLongestEscape * text.size());
    p = PutText(PutText(PutText(PutSpaces(p, indent), "<property name=\""), name), "\">");
    p = EscapedInto(p, text, kTextSpecial.data());
    out_.Commit(PutText(p, "</property>\n"));
  }
  // <property name="name">escaped</property>, name plain ASCII, the text escaped already.
  void EscapedProperty(std::string_view name, std::string_view escaped) {
    EndStartTag();
    char* p = out_.Claim(2 * names_.size() + name.size() + 18);
    p = PutText(PutText(PutSpaces(p, 2 * names_.size()), "<property name=\""), name);
    out_.Commit(PutText(p, "\">"));
    out_.WriteText(escaped);
    out_.WriteText("</property>\n");
  }

  // Room that TitleTextsInto needs for a text of size bytes.
  static constexpr std::size_t TitleTextsRoom(std::size_t size) { return 2 * kLongestEscape * size + 32; }
  // A title's decoded text (DecodeShiftJis) as Property writes it for its caption (its first
  // line, as text) and its argument (the whole, # escaped too), each with its line ends (CR LF,
  // CR) as LF, made at out in one pass over the text: the caption, then the argument. Returns
  // the end of each; nulls for a text with a control character to replace (out's bytes then
  // undefined).
  static std::pair<char*, char*> TitleTextsInto(std::string_view decoded, char* out) {
    const char* const text = decoded.data();
    const std::size_t size = decoded.size();
    std::size_t line = 0;  // the first line's length
    while (line < size && text[line] != '\n' && text[line] != '\r') {
      ++line;
    }
    char* p = EscapedInto(out, decoded.substr(0, line), kTextSpecial.data());
    char* const caption = p;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: a block with no byte to escape and no CR before an LF is written
    // with each CR as an LF by one store; any other, byte by byte.
    using namespace sixteen_bytes;
    for (; size - i > 16; i += 16) {  // sixteen bytes and the one after them
      const Block block = Load(text + i);
      const Block lineFeed = Equal(block, '\n');
      const Block carriageReturn = Equal(block, '\r');
      const unsigned crs = Marks(carriageReturn);
      if ((Marks(_mm_andnot_si128(_mm_or_si128(lineFeed, Equal(block, '\t')), Controls(block))) & ~crs) != 0) {
        return {nullptr, nullptr};
      }
      const unsigned escapes = Marks(_mm_or_si128(_mm_or_si128(Equal(block, '&'), Equal(block, '<')),
                                                  _mm_or_si128(Equal(block, '>'), Equal(block, '#'))));
      const unsigned drops = crs & (Marks(lineFeed) >> 1 | unsigned{text[i + 16] == '\n'} << 15);
      if (escapes != 0) {
        for (std::size_t k = i; k != i + 16; ++k) {
          p = LinesByte(p, text, k, size);
        }
        continue;
      }
      const Block lines = _mm_xor_si128(block, _mm_and_si128(carriageReturn, _mm_set1_epi8('\r' ^ '\n')));
      if (drops == 0) {
        Store(p, lines);
        p += 16;
        continue;
      }
      p = StoreDropping(p, lines, drops);  // a CR before an LF dropped
    }
#endif
    for (; i < size; ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
        return {nullptr, nullptr};
      }
      p = LinesByte(p, text, i, size);
    }
    return {caption, p};
  }
  // The same for a text made safe already (SafeXmlLines): no CR, no control but TAB and LF.
  static std::pair<char*, char*> SafeTitleTextsInto(std::string_view safe, char* out) {
    char* const caption = EscapedInto(out, safe.substr(0, safe.find('\n')), kTextSpecial.data());
    return {caption, EscapedInto(caption, safe, kArgumentSpecial.data())};
  }

  // A property of our own whose name and text are both literals with nothing to escape (most of
  // a document's): written with copies whose sizes are known when compiled.
  template <std::size_t N, std::size_t M>
  void Property(const char (&name)[N], const char (&text)[M]) {
    EndStartTag();
    const std::size_t indent = 2 * names_.size();
    char* p = PutIndent(out_.Claim(indent + kIndentBlock + N + M + 32), indent);
    p = PutLiteral(PutLiteral(PutLiteral(p, "<property name=\""), name), "\">");
    out_.Commit(PutLiteral(PutLiteral(p, text), "</property>\n"));
  }
  void Property(std::string_view name, std::int64_t value) {
    char text[24];
    Property(name, std::string_view(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value).ptr - text)));
  }

  // text as character data (attribute false) or an attribute's value, escaped as pugixml does.
  void Escaped(std::string_view text, bool attribute) {
    const bool* const special = (attribute ? kAttributeSpecial : kTextSpecial).data();
    const char* const end = text.data() + text.size();
    const char* run = text.data();  // the bytes since the last escape
    const char* clean = run;        // the bytes before it need no look: checked 16 at a time
    for (const char* p = run; p != end; ++p) {
      if (p == clean) {
        clean = PassClean(p, end, attribute);
        if (clean != p) {
          p = clean - 1;
          continue;
        }
        clean = std::min(p + 16, end);  // this block holds a byte that may need an escape
      }
      const auto byte = static_cast<unsigned char>(*p);
      if (!special[byte]) {
        continue;  // most bytes of every text
      }
      out_.WriteText(std::string_view(run, static_cast<std::size_t>(p - run)));
      run = p + 1;
      out_.Commit(Escape(out_.Claim(kLongestEscape), byte));
    }
    out_.WriteText(std::string_view(run, static_cast<std::size_t>(end - run)));
  }

 private:
  // The end of the blocks of 16 bytes from p on that hold no byte to escape (p itself when the
  // first does): a control byte (in text not TAB, LF or CR), & <, and > in text, " in an
  // attribute. The table decides within a block that holds one.
  static const char* PassClean(const char* p, const char* end, bool attribute) {
#if defined(__SSE2__)
    using namespace sixteen_bytes;
    const char quoteOrGreater = attribute ? '"' : '>';
    // In text TAB, LF and CR are kept; in an attribute nothing below 0x20 is (the 0x20s never match).
    const char tab = attribute ? ' ' : '\t';
    const char lineFeed = attribute ? ' ' : '\n';
    const char carriageReturn = attribute ? ' ' : '\r';
    while (end - p >= 16) {
      const Block block = Load(p);
      const Block kept = _mm_or_si128(Equal(block, tab), _mm_or_si128(Equal(block, lineFeed), Equal(block, carriageReturn)));
      const Block control = _mm_andnot_si128(kept, Controls(block));
      const Block found = _mm_or_si128(control, _mm_or_si128(_mm_or_si128(Equal(block, '&'), Equal(block, '<')),
                                                              Equal(block, quoteOrGreater)));
      if (Marks(found) != 0) {
        break;
      }
      p += 16;
    }
#else
    static_cast<void>(end);
    static_cast<void>(attribute);
#endif
    return p;
  }

  static constexpr std::array<bool, 256> kTextSpecial = XmlSpecials(false);
  static constexpr std::array<bool, 256> kAttributeSpecial = XmlSpecials(true);
  static constexpr std::array<bool, 256> kArgumentSpecial = [] {
    std::array<bool, 256> special = XmlSpecials(false);
    special['#'] = true;
    return special;
  }();

  // A property's or attribute's text longer than this is escaped as it is written; a shorter one
  // is written in one stretch of the buffer, with room for its every byte escaped.
  static constexpr std::size_t kShortText = 256;
  static constexpr std::size_t kLongestEscape = 6;
  static_assert(kLongestEscape == std::string_view("&quot;").size());

  static char* PutSpaces(char* p, std::size_t n) {
    std::memset(p, ' ', n);
    return p + n;
  }
  template <std::size_t N>
  static char* PutLiteral(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
  }
  // n spaces, where the room claimed holds kIndentBlock bytes more than they: one copy of a known
  // size for the indents of every depth the document has.
  static constexpr std::size_t kIndentBlock = 32;
  static char* PutIndent(char* p, std::size_t n) {
    static constexpr char kSpaces[] = "                                ";
    static_assert(sizeof kSpaces == kIndentBlock + 1);
    if (n > kIndentBlock) {
      return PutSpaces(p, n);
    }
    std::memcpy(p, kSpaces, kIndentBlock);
    return p + n;
  }
  // The escape of a byte that needs one.
  static char* Escape(char* p, unsigned char byte) {
    switch (byte) {
      case '&': return PutText(p, "&amp;");
      case '<': return PutText(p, "&lt;");
      case '>': return PutText(p, "&gt;");
      case '"': return PutText(p, "&quot;");
      case '#': return PutText(p, "\\#");
      default: {
        const char reference[] = {'&', '#', static_cast<char>('0' + byte / 10), static_cast<char>('0' + byte % 10), ';'};
        return PutText(p, std::string_view(reference, sizeof reference));
      }
    }
  }
  // Byte k of a title's text for its argument: a CR as an LF, or dropped before an LF; a byte
  // to escape escaped.
  static char* LinesByte(char* p, const char* text, std::size_t k, std::size_t size) {
    const auto byte = static_cast<unsigned char>(text[k]);
    if (byte == '\r') {
      if (k + 1 == size || text[k + 1] != '\n') {
        *p++ = '\n';
      }
      return p;
    }
    if (kArgumentSpecial[byte]) {
      return Escape(p, byte);
    }
    *p++ = static_cast<char>(byte);
    return p;
  }
  static char* EscapedInto(char* p, std::string_view text, const bool* special) {
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (special[byte]) {
        p = Escape(p, byte);
      } else {
        *p++ = c;
      }
    }
    return p;
  }

  ListingWriter& out_;
  std::vector<std::string_view> names_;  // the open elements, outermost first
  bool startTagOpen_ = false;            // the last one's start tag lacks its ">"
};

// The titles' texts as XML holds them (read back, joined, their line ends LF), made on a thread
// of their own a batch ahead of the one being written: that was half of a text-heavy project's
// writing. A batch ends after 256 KiB of text or 256 titles, so that its hand-over costs little
// against its work and the texts ahead take little memory. What making them noted reaches the
// export's notes in the order of the titles, as they are written.
class TitleTexts {
 public:
  TitleTexts(const TitlePlacement& placement, const std::vector<PlacedTitle>& titles)
      : placement_(placement),
        titles_(titles),
        thread_([this](const char* piece, std::size_t, std::string&) {
          Make(batches_[piece == Piece(1) ? 1 : 0]);  // the piece names the batch to make
          return true;
        }) {}

  // A title's caption and argument, escaped.
  struct Texts {
    std::string_view caption;
    std::string_view argument;
  };

  // Starts making the first batch, so that it is ready by the first Next.
  void Start() {
    if (!started_) {
      Hand(0, nullptr);
      started_ = true;
    }
  }

  // The next title's texts, until the next call; its batch's notes go to notes before its first
  // title's texts.
  Texts Next(ExportNotes& notes) {
    if (!begun_) {
      Start();
      begun_ = true;
      Begin(notes);
    } else if (next_ == batches_[current_].ends.size()) {
      current_ = 1 - current_;
      Begin(notes);
    }
    const Batch& batch = batches_[current_];
    const std::size_t from = next_ == 0 ? 0 : batch.ends[next_ - 1].second;
    const auto [caption, argument] = batch.ends[next_++];
    return {std::string_view(batch.text.get() + from, caption - from),
            std::string_view(batch.text.get() + caption, argument - caption)};
  }

 private:
  struct Batch {
    const Batch* before = nullptr;  // the batch made before this one, after which it starts
    std::size_t end = 0;            // one past its last title
    std::unique_ptr<char[]> text;   // the texts one after another, never cleared
    std::size_t room = 0;
    // Where each title's caption and argument end in text: its caption starts where the
    // argument before it ends.
    std::vector<std::pair<std::size_t, std::size_t>> ends;
    ExportNotes notes;

    // Room for size bytes after the texts so far.
    char* Room(std::size_t size) {
      const std::size_t used = ends.empty() ? 0 : ends.back().second;
      if (used + size > room) {
        room = std::max(used + size, 2 * room);
        auto more = std::make_unique_for_overwrite<char[]>(room);
        std::copy(text.get(), text.get() + used, more.get());
        text = std::move(more);
      }
      return text.get() + used;
    }
  };
  static constexpr std::size_t kBatchBytes = 256 * 1024;
  static constexpr std::size_t kBatchTitles = 256;

  // Takes the current batch, once made: handing the batch after it waits for it.
  void Begin(ExportNotes& notes) {
    Hand(1 - current_, &batches_[current_]);
    notes.Add(batches_[current_].notes);
    next_ = 0;
  }

  const char* Piece(int slot) const { return reinterpret_cast<const char*>(&batches_[slot]); }

  void Hand(int slot, const Batch* before) {
    batches_[slot].before = before;  // the thread is on the other batch, or idle
    thread_.Hand(Piece(slot), sizeof(Batch));  // throws what making one threw
  }

  // On the thread: the titles after the batch before, up to a batch's limits (one at least,
  // where any is left).
  void Make(Batch& batch) const {
    std::size_t i = batch.before != nullptr ? batch.before->end : 0;
    batch.ends.clear();
    batch.notes = {};
    std::string kept;
    // Each title's texts made straight into the batch from where the store holds it, escaped
    // as the document holds them, in one pass: a copy of every text, a string each and its
    // clearing had the making take half as long again, and escaping them as they were written
    // was most of the writing thread's work.
    for (std::size_t bytes = 0; i < titles_.size() && bytes < kBatchBytes && batch.ends.size() < kBatchTitles; ++i) {
      const std::string_view joined = placement_.Joined(titles_[i], batch.notes, kept);
      char* start = batch.Room(XmlOut::TitleTextsRoom(joined.size()));
      auto [caption, argument] = XmlOut::TitleTextsInto(joined, start);
      if (argument == nullptr) {
        const std::string safe = SafeXmlLines(joined, batch.notes);
        start = batch.Room(XmlOut::TitleTextsRoom(safe.size()));
        std::tie(caption, argument) = XmlOut::SafeTitleTextsInto(safe, start);
      }
      const std::size_t from = batch.ends.empty() ? 0 : batch.ends.back().second;
      batch.ends.emplace_back(from + static_cast<std::size_t>(caption - start),
                              from + static_cast<std::size_t>(argument - start));
      bytes += static_cast<std::size_t>(argument - start);
    }
    batch.end = i;
  }

  const TitlePlacement& placement_;
  const std::vector<PlacedTitle>& titles_;
  Batch batches_[2];
  int current_ = 0;
  std::size_t next_ = 0;
  bool started_ = false;  // the first batch handed
  bool begun_ = false;    // and taken
  PieceThread thread_;  // last: its thread ends before the batches go
};

// Writes the document element by element, the titles' track entry by entry, so that the memory
// taken does not grow with the titles.
class MltWriter {
 public:
  MltWriter(const Timeline& timeline, ExportNotes& notes, ListingWriter& out)
      : timeline_(timeline), notes_(notes), out_(out), xml_(out) {}

  void Run() {
    std::int64_t length = std::max<std::int64_t>(timeline_.Duration(), 1);
    if (!titles_.empty()) {
      length = std::max(length, titles_.back().begin + titles_.back().frames);
      // The titles' first texts are made while the tracks' producers are written.
      texts_.emplace(placement_, titles_);
      texts_->Start();
    }
    const std::string name = Safe(timeline_.name);
    out_.WriteText("<?xml version=\"1.0\"?>\n");
    xml_.Open("mlt");
    xml_.Attribute("LC_NUMERIC", "C");
    xml_.Attribute("version", "7.12.0");
    xml_.Attribute("title", name);
    xml_.Attribute("producer", "main_bin");
    Profile();
    xml_.Open("playlist");
    xml_.Attribute("id", "main_bin");
    xml_.Property("xml_retain", "1");
    xml_.Close();

    xml_.Open("producer");
    xml_.Attribute("id", "black");
    xml_.Attribute("in", 0);
    xml_.Attribute("out", length - 1);
    xml_.Property("length", length);
    xml_.Property("eof", "pause");
    xml_.Property("resource", "0");
    xml_.Property("aspect_ratio", "1");
    xml_.Property("mlt_service", "color");
    xml_.Property("mlt_image_format", "rgba");
    xml_.Property("set.test_audio", "0");
    xml_.Close();
    xml_.Open("playlist");
    xml_.Attribute("id", "background");
    Entry("entry", "black", 0, length);
    xml_.Close();

    // The tracks bottom first, the titles' track under the first audio track (or on top).
    std::vector<Lane> lanes;
    int videoCount = 0;
    int audioCount = 0;
    for (const TimelineTrackModel& track : timeline_.tracks) {
      const std::string laneName =
          track.video ? "V" + std::to_string(++videoCount) : "A" + std::to_string(++audioCount);
      if (!track.video && !titles_.empty() && audioCount == 1) {
        lanes.push_back({nullptr, "Titles"});
      }
      lanes.push_back({&track, laneName});
    }
    if (audioCount == 0 && !titles_.empty()) {
      lanes.push_back({nullptr, "Titles"});
    }
    // Every producer first (the bottom track's transitions right after its own), then each
    // track's transitions and playlist.
    std::vector<std::string> bottomTractors;
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      lanes[i].firstProducer = producerCount_;
      if (lanes[i].track == nullptr) {
        TitleProducers();
        continue;
      }
      TrackProducers(*lanes[i].track);
      if (i == 0) {
        bottomTractors = Tractors(*lanes[i].track, lanes[i]);
      }
    }
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      const std::string id = "playlist" + std::to_string(i);
      if (lanes[i].track == nullptr) {
        TitlePlaylist(lanes[i], id);
      } else {
        Playlist(*lanes[i].track, lanes[i], id, i == 0 ? bottomTractors : Tractors(*lanes[i].track, lanes[i]));
      }
    }

    xml_.Open("tractor");
    xml_.Attribute("id", "tractor0");
    xml_.Attribute("title", name);
    xml_.Attribute("global_feed", "1");
    xml_.Attribute("in", 0);
    xml_.Attribute("out", length - 1);
    xml_.Property("shotcut", "1");
    xml_.Open("track");
    xml_.Attribute("producer", "background");
    xml_.Close();
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      xml_.Open("track");
      xml_.Attribute("producer", "playlist" + std::to_string(i));
      if (!lanes[i].Video()) {
        xml_.Attribute("hide", "video");
      }
      xml_.Close();
    }
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      const int b = static_cast<int>(i) + 1;
      Transition(0, b, "mix");
      xml_.Property("always_active", "1");
      xml_.Property("sum", "1");
      xml_.Close();
      if (lanes[i].Video() && b > 1) {
        // Each upper track over the bottom one, as Shotcut blends them, its picture fitted into
        // the frame and centred; composite renders without a display, unlike qtblend. Blanks
        // and transparent pixels of the upper track show what lies below.
        Transition(1, b, "composite");
        xml_.Property("geometry", "0%/0%:100%x100%");
        xml_.Property("fill", "1");
        xml_.Property("distort", "0");
        xml_.Property("halign", "centre");
        xml_.Property("valign", "centre");
        xml_.Property("aligned", "1");
        xml_.Close();
      }
    }
    xml_.Close();
    xml_.Close();
  }

 private:
  // A track of the tractor: a track of the timeline, or the titles (track nullptr).
  struct Lane {
    const TimelineTrackModel* track = nullptr;
    std::string name;
    int firstProducer = 0;  // the number of its first producer
    bool Video() const { return track == nullptr || track->video; }
  };

  // The titles' producers: each a transparent colour clip with the dynamictext filter
  // (Shotcut's simple text), which draws without a display. Every title's producer is the same
  // but for its number, its length and its two texts: it is made once with a mark in place of
  // each, and each title is written as the pieces between the marks with its own in between
  // (element by element, a thousand titles were a third of a large project's writing).
  void TitleProducers() {
    const std::int64_t size = timeline_.height / 10;  // Shotcut's defaults for DV, below
    const std::int64_t pad = timeline_.height / 20;
    // Shotcut's defaults, white with a black outline at the bottom, in a size for DV. The filter
    // reads #name# as a keyword: each # of the argument is escaped.
    const std::string sizeText = std::to_string(size);
    const std::string padText = std::to_string(pad);
    const std::pair<std::string_view, std::string_view> style[] = {
        {"geometry", "0%/0%:100%x100%:100"}, {"family", "Sans"},         {"size", sizeText},
        {"weight", "400"},                   {"fgcolour", "#ffffffff"},  {"bgcolour", "#00000000"},
        {"olcolour", "#ff000000"},           {"outline", "2"},           {"pad", padText},
        {"halign", "center"},                {"valign", "bottom"},       {"mlt_service", "dynamictext"},
        {"shotcut:filter", "dynamicText"}};
    // The marks, in the order they come: nothing else written holds a brace.
    constexpr std::array<std::string_view, 5> kMarks = {"{number}", "{out}", "{length}", "{caption}", "{argument}"};
    const std::string made = xml_.Made([&](XmlOut& xml) {
      ProducerHead(xml, kMarks[0], kMarks[1], kMarks[2]);
      xml.Property("resource", "#00000000");
      xml.Property("mlt_service", "color");
      xml.Property("mlt_image_format", "rgba");
      xml.Property("shotcut:caption", kMarks[3]);
      xml.Open("filter");
      xml.Property("argument", kMarks[4]);
      for (const auto& [name, value] : style) {
        xml.Property(name, value);
      }
      xml.Close();
      xml.Close();
    });
    std::array<std::string_view, kMarks.size() + 1> pieces;
    std::size_t from = 0;
    for (std::size_t k = 0; k < kMarks.size(); ++k) {
      const std::size_t mark = made.find(kMarks[k], from);
      pieces[k] = std::string_view(made).substr(from, mark - from);
      from = mark + kMarks[k].size();
    }
    pieces.back() = std::string_view(made).substr(from);
    const std::size_t headSize = pieces[0].size() + pieces[1].size() + pieces[2].size() + pieces[3].size() + 3 * 20;
    xml_.EndStartTag();
    for (const PlacedTitle& title : titles_) {
      const auto [captionText, argumentText] = texts_->Next(notes_);
      char* p = PutText(out_.Claim(headSize), pieces[0]);
      p = std::to_chars(p, p + 20, producerCount_++).ptr;
      p = PutText(p, pieces[1]);
      p = std::to_chars(p, p + 20, title.frames - 1).ptr;
      p = PutText(p, pieces[2]);
      p = std::to_chars(p, p + 20, title.frames).ptr;
      out_.Commit(PutText(p, pieces[3]));
      out_.WriteText(captionText);
      out_.WriteText(pieces[4]);
      out_.WriteText(argumentText);
      out_.WriteText(pieces[5]);
    }
  }

  // The titles as a video track over the others, written entry by entry.
  void TitlePlaylist(const Lane& lane, const std::string& id) {
    NewPlaylist(true, lane.name, id);
    std::int64_t cursor = 0;
    int producer = lane.firstProducer;
    for (const PlacedTitle& title : titles_) {
      if (title.begin > cursor) {
        Blank(title.begin - cursor);
      }
      Entry("entry", "producer" + std::to_string(producer++), 0, title.frames);
      cursor = title.begin + title.frames;
    }
    xml_.Close();
  }

  // A text of the project in a form XML allows, each text with a replaced character counted.
  std::string Safe(std::string_view text) { return SafeXml(text, notes_); }
  // The same, without a copy where nothing changes (printable ASCII, as most paths): else the
  // safe text in kept.
  std::string_view Safe(std::string_view text, std::string& kept) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
      return text;
    }
    kept = Safe(text);
    return kept;
  }

  // MLT's stock DV profiles: dv_ntsc, dv_ntsc_wide, dv_pal, dv_pal_wide.
  void Profile() {
    const bool pal = timeline_.rate.Nominal() == 25;
    const bool wide = timeline_.wide;
    xml_.Open("profile");
    xml_.Attribute("description", pal ? (wide ? "DV/DVD Widescreen PAL" : "DV/DVD PAL")
                                      : (wide ? "DV/DVD Widescreen NTSC" : "DV/DVD NTSC"));
    xml_.Attribute("width", timeline_.width);
    xml_.Attribute("height", timeline_.height);
    xml_.Attribute("progressive", 0);
    xml_.Attribute("sample_aspect_num", pal ? (wide ? 64 : 16) : (wide ? 32 : 8));
    xml_.Attribute("sample_aspect_den", pal ? (wide ? 45 : 15) : (wide ? 27 : 9));
    xml_.Attribute("display_aspect_num", timeline_.wide ? 16 : 4);
    xml_.Attribute("display_aspect_den", timeline_.wide ? 9 : 3);
    xml_.Attribute("frame_rate_num", timeline_.rate.numerator);
    xml_.Attribute("frame_rate_den", timeline_.rate.denominator);
    xml_.Attribute("colorspace", 601);
    xml_.Close();
  }

  // Opens a playlist (a track).
  void NewPlaylist(bool video, const std::string& name, const std::string& id) {
    xml_.Open("playlist");
    xml_.Attribute("id", id);
    xml_.Property(video ? "shotcut:video" : "shotcut:audio", "1");
    xml_.Property("shotcut:name", name);
  }

  // Opens a producer of frames [0, end) with the next producer number.
  void NewProducer(std::int64_t end) {
    char number[20];
    char last[20];
    char length[20];
    const auto text = [](char (&buffer)[20], std::int64_t value) {
      return std::string_view(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + 20, value).ptr - buffer));
    };
    ProducerHead(xml_, text(number, producerCount_++), text(last, end - 1), text(length, end));
  }
  // The start of every producer: "producerNUMBER" from frame 0 to frame last, its length, and a
  // pause at its end.
  static void ProducerHead(XmlOut& xml, std::string_view number, std::string_view last, std::string_view length) {
    xml.Open("producer");
    char id[40] = "producer";
    xml.Attribute("id", std::string_view(id, static_cast<std::size_t>(PutText(id + 8, number) - id)));
    xml.Attribute("in", 0);
    xml.Attribute("out", last);
    xml.Property("length", length);
    xml.Property("eof", "pause");
  }

  // Writes the producer of a clip that plays up to frame end (exclusive) of it.
  void Producer(const TimelineClip& clip, const MltPlay& play, std::int64_t end) {
    NewProducer(end);
    std::string kept;
    const std::string_view path = Safe(clip.path, kept);
    switch (clip.media) {
      case MediaKind::Color:
        xml_.Property("resource", "#ff" + clip.colour);
        xml_.Property("mlt_service", "color");
        xml_.Property("mlt_image_format", "rgba");
        break;
      case MediaKind::Still:
        xml_.Property("resource", path);
        xml_.Property("ttl", "1");
        xml_.Property("mlt_service", "pixbuf");
        break;
      case MediaKind::File:
        if (play.speed != 1) {
          xml_.Property("resource", Decimal(play.speed) + ":" + std::string(path));
          xml_.Property("mlt_service", "timewarp");
          xml_.Property("warp_speed", Decimal(play.speed));
          xml_.Property("warp_resource", path);
          xml_.Property("warp_pitch", "0");
        } else {
          xml_.Property("resource", path);
          xml_.Property("mlt_service", "avformat-novalidate");
        }
        break;
    }
    if (!clip.hasAudio) {
      xml_.Property("audio_index", "-1");
    }
    xml_.Property("shotcut:caption", Safe(clip.name, kept));
    if (clip.hasLevels) {
      xml_.Property("morvane:levels", LevelText(clip));
    }
    xml_.Close();
  }

  // An entry (or a tractor's track) of frames [in, in + frames) of a producer.
  void Entry(std::string_view element, std::string_view producer, std::int64_t in, std::int64_t frames) {
    xml_.Open(element);
    xml_.Attribute("producer", producer);
    xml_.Attribute("in", in);
    xml_.Attribute("out", in + frames - 1);
    xml_.Close();
  }

  void Blank(std::int64_t frames) {
    xml_.Open("blank");
    xml_.Attribute("length", frames);
    xml_.Close();
  }

  // Opens a transition of the tractor between tracks a and b.
  void Transition(int a, int b, const char* service, std::optional<std::int64_t> out = {}) {
    xml_.Open("transition");
    if (out) {
      xml_.Attribute("out", *out);
    }
    xml_.Property("a_track", a);
    xml_.Property("b_track", b);
    xml_.Property("mlt_service", service);
  }

  std::int64_t RateNumerator() const {
    return timeline_.rate.numerator < 1000 ? std::int64_t{timeline_.rate.numerator} * 1000 : timeline_.rate.numerator;
  }

  // The frames past a clip's own that the transition out of it takes.
  static std::int64_t Tail(const TimelineTrackModel& track, std::size_t i) {
    return i + 1 < track.clips.size() && Joined(track.clips[i], track.clips[i + 1])
               ? track.clips[i + 1].transitionDuration
               : 0;
  }

  // Each clip's producer, long enough for the frames a transition out of it takes.
  void TrackProducers(const TimelineTrackModel& track) {
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      const MltPlay play = MltPlayOf(clip, RateNumerator());
      Producer(clip, play, play.first + clip.duration + Tail(track, i));
    }
  }

  // Writes the tractor of each transition of the track; the tractor's id by the clip it leads
  // into (empty for a clip without one).
  std::vector<std::string> Tractors(const TimelineTrackModel& track, const Lane& lane) {
    std::vector<std::string> tractors(track.clips.size());
    for (std::size_t i = 1; i < track.clips.size(); ++i) {
      const TimelineClip& from = track.clips[i - 1];
      const TimelineClip& clip = track.clips[i];
      if (Joined(from, clip)) {
        tractors[i] = TransitionTractor(clip, ProducerId(lane, i - 1),
                                        MltPlayOf(from, RateNumerator()).first + from.duration, ProducerId(lane, i),
                                        MltPlayOf(clip, RateNumerator()).first, clip.transitionDuration);
      }
    }
    return tractors;
  }

  static std::string ProducerId(const Lane& lane, std::size_t i) {
    return "producer" + std::to_string(lane.firstProducer + static_cast<int>(i));
  }

  // Writes the track's playlist, whose transitions are the tractors given.
  void Playlist(const TimelineTrackModel& track, const Lane& lane, const std::string& id,
                const std::vector<std::string>& tractors) {
    NewPlaylist(track.video, lane.name, id);
    std::int64_t cursor = 0;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      std::int64_t in = MltPlayOf(clip, RateNumerator()).first;
      std::int64_t frames = clip.duration;
      if (clip.recordIn > cursor) {
        Blank(clip.recordIn - cursor);
      }
      if (!tractors[i].empty()) {
        const std::int64_t d = clip.transitionDuration;
        Entry("entry", tractors[i], 0, d);
        in += d;
        frames -= d;
      }
      if (frames > 0) {
        Entry("entry", ProducerId(lane, i), in, frames);
      }
      cursor = clip.RecordOut();
    }
    xml_.Close();
  }

  static bool Joined(const TimelineClip& from, const TimelineClip& to) {
    return to.transition != TransitionKind::None && from.RecordOut() == to.recordIn;
  }

  // Writes the tractor of one transition, which comes before the playlist that plays it.
  std::string TransitionTractor(const TimelineClip& clip,
                                const std::string& from, std::int64_t fromIn, const std::string& to,
                                std::int64_t toIn, std::int64_t frames) {
    const std::string id = "transition" + std::to_string(transitionCount_++);
    xml_.Open("tractor");
    xml_.Attribute("id", id);
    xml_.Attribute("in", 0);
    xml_.Attribute("out", frames - 1);
    xml_.Property("shotcut:transition", "lumaMix");
    Entry("track", from, fromIn, frames);
    Entry("track", to, toIn, frames);
    Transition(0, 1, "luma", frames - 1);
    xml_.Property("factory", "loader");
    xml_.Property("resource", clip.transition == TransitionKind::Wipe ? "%luma01.pgm" : "");
    xml_.Property("softness", "0");
    if (!clip.transitionName.empty()) {
      xml_.Property("morvane:name", Safe(clip.transitionName));
    }
    xml_.Close();
    Transition(0, 1, "mix", frames - 1);
    xml_.Property("start", "-1");
    xml_.Property("accepts_blanks", "1");
    xml_.Close();
    xml_.Close();
    return id;
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  ListingWriter& out_;
  XmlOut xml_;
  TitlePlacement placement_{timeline_.titles, timeline_.rate.Nominal(), true};  // the titles as shown
  const std::vector<PlacedTitle>& titles_ = placement_.Titles();
  int producerCount_ = 0;
  int transitionCount_ = 0;
  std::optional<TitleTexts> texts_;  // last: made from the titles above, its thread ends first
};

}  // namespace

MltPlay MltPlayOf(const TimelineClip& clip, std::int64_t n) {
  if (clip.media != MediaKind::File) {
    return {};
  }
  if ((!clip.halfSpeed && clip.sourceDuration == clip.duration) || clip.sourceDuration <= 0) {
    return {clip.sourceIn, 1};
  }
  const auto in = static_cast<double>(clip.sourceIn);
  const auto out = in + static_cast<double>(clip.sourceDuration);
  const auto last = static_cast<double>(clip.duration - 1);
  const std::int64_t nearest =
      std::max<std::int64_t>(1, std::llround(static_cast<double>(n * clip.duration) /
                                             static_cast<double>(clip.sourceDuration))) | 1;
  for (std::int64_t i = 0; i < 2000; ++i) {  // nearest, nearest - 2, nearest + 2, nearest - 4...
    const std::int64_t m = nearest + (i + 1) / 2 * (i % 2 == 1 ? -2 : 2);
    if (m < 1) {
      continue;
    }
    const double speed = static_cast<double>(n) / static_cast<double>(m);
    const double low = std::max(in - 0.5, out - 1.5 - last * speed);
    const double high = std::min(in + 0.5, out - 0.5 - last * speed);
    const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(low / speed)));
    const double shown = static_cast<double>(first) * speed;
    if (shown >= low && shown < high) {
      return {first, static_cast<double>(n) / (static_cast<double>(m) + 0.5)};
    }
  }
  const double speed = static_cast<double>(n) / static_cast<double>(nearest);  // the nearest frames
  return {std::llround(in / speed), static_cast<double>(n) / (static_cast<double>(nearest) + 0.5)};
}

void WriteMlt(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) { MltWriter(timeline, notes, out).Run(); }

}  // namespace morvane
