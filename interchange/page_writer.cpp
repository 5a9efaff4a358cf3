#include "interchange/page_writer.h"

#include <algorithm>
#include <string_view>

#include "edl/edl_table.h"
#include "edl/timecode.h"
#include "interchange/svg_writer.h"
#include "interchange/xml_stream.h"
#include "platform/shift_jis.h"

namespace morvane {

namespace {

// No element but the void ones is written empty: an HTML reader takes "<td />" for a start tag.
constexpr unsigned kHtml = pugi::format_default | pugi::format_no_empty_element_tags;

// The page's whole style: no file beside it, nothing from the network. (No '>' or '&': the
// text is written as XML character data.)
constexpr const char* kStyle =
    "body { font-family: sans-serif; margin: 1em 2em; color: #202020; }\n"
    "table { border-collapse: collapse; margin: 0.5em 0; }\n"
    "th, td { border: 1px solid #C8C8C8; padding: 2px 6px; text-align: left; vertical-align: top; }\n"
    "th { background: #EEEEEE; }\n"
    "section { border-top: 2px solid #808080; margin-top: 2em; }\n"
    ".picture { overflow-x: auto; margin: 0.5em 0; }\n"
    ".edl td { font-family: monospace; white-space: pre; }\n"
    ".number { text-align: right; }\n"
    ".where { white-space: pre-line; }\n"
    ".missing { color: #A00000; font-weight: bold; }\n"
    ".warnings li { color: #8A4B00; }\n"
    ".swatch { display: inline-block; width: 1.2em; height: 0.9em; border: 1px solid #808080; }\n";

class Page {
 public:
  Page(ExportNotes& notes, ListingWriter& out) : notes_(notes), out_(out), stream_(out, kHtml) {}

  std::string Safe(std::string_view text) { return SafeXml(text, notes_); }

  pugi::xml_node Child(pugi::xml_node parent, const char* name, std::string_view text = {},
                       const char* className = nullptr) {
    pugi::xml_node node = parent.append_child(name);
    if (className != nullptr) {
      node.append_attribute("class") = className;
    }
    if (!text.empty()) {
      node.text() = Safe(text).c_str();
    }
    return node;
  }

  void Head(const std::string& title) {
    stream_.Text("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n");
    pugi::xml_node head = stream_.Fresh("head");
    head.append_child("meta").append_attribute("charset") = "UTF-8";
    Child(head, "title", title.empty() ? "morvane" : title);
    head.append_child("style").text() = kStyle;
    stream_.Print(0, pugi::format_default);  // the meta element is void: "<meta ... />"
    stream_.Text("<body>\n");
  }

  void End() { stream_.Text("</body>\n</html>\n"); }

  void Section(const Timeline& timeline, TimecodeMode mode, const PageFacts& facts, const std::string& id) {
    pugi::xml_node section = stream_.Fresh("section");
    section.append_attribute("id") = id.c_str();
    Child(section, "h2", timeline.name);
    pugi::xml_node table = Child(section, "table", {}, "facts");
    for (const auto& [label, value] : facts.facts) {
      pugi::xml_node row = table.append_child("tr");
      Child(row, "th", label);
      Child(row, "td", value);
    }
    stream_.Open(0);
    stream_.Text("<div class=\"picture\">\n");
    SvgOptions options;
    options.idPrefix = id + "-";
    options.standalone = false;
    WriteSvg(timeline, mode, options, notes_, out_);
    stream_.Text("</div>\n");
    Warnings(facts);
    Media(facts);
    Edl(facts, mode);
    stream_.Close("section", 0);
  }

  void Summary(const std::vector<SummaryRow>& rows, const SummaryTotals& totals) {
    Line("h1", std::to_string(totals.projects) + (totals.projects == 1 ? " project" : " projects"));
    pugi::xml_node table = stream_.Fresh("table");
    table.append_attribute("class") = "summary";
    pugi::xml_node heading = table.append_child("tr");
    for (const char* text : {"project", "editor", "length", "clips", "media", "missing", "picture"}) {
      Child(heading, "th", text);
    }
    stream_.Open(0);
    for (const SummaryRow& row : rows) {
      pugi::xml_node tr = stream_.Fresh("tr");
      pugi::xml_node link = Child(Child(tr, "td"), "a", row.name);
      link.append_attribute("href") = ("#" + row.id).c_str();
      Child(tr, "td", row.refusal.empty() ? row.editor : row.editor + " (" + row.refusal + ")");
      Child(tr, "td", row.length);
      Child(tr, "td", std::to_string(row.clips), "number");
      Child(tr, "td", std::to_string(row.media), "number");
      Child(tr, "td", std::to_string(row.missing), row.missing > 0 ? "number missing" : "number");
      stream_.Open(1);
      stream_.Text("    <td>\n");
      stream_.Text(row.picture);
      stream_.Text("    </td>\n");
      stream_.Close("tr", 1);
    }
    stream_.Close("table", 0);
    pugi::xml_node totalsTable = stream_.Fresh("table");
    totalsTable.append_attribute("class") = "totals";
    const std::pair<const char*, std::string> lines[] = {
        {"projects", std::to_string(totals.projects)}, {"length of every edit", totals.length},
        {"media files needed", std::to_string(totals.media)}, {"found", std::to_string(totals.found)},
        {"missing", std::to_string(totals.missing)}};
    for (const auto& [label, value] : lines) {
      pugi::xml_node tr = totalsTable.append_child("tr");
      Child(tr, "th", label);
      Child(tr, "td", value, "number");
    }
    stream_.Print(0);
    if (!totals.unread.empty()) {
      Line("h3", "Not read");
      pugi::xml_node list = stream_.Fresh("ul");
      list.append_attribute("class") = "warnings";
      for (const std::string& unread : totals.unread) {
        Child(list, "li", unread);
      }
      stream_.Print(0);
    }
  }

 private:
  // An element of one text, written.
  void Line(const char* name, std::string_view text) {
    stream_.Fresh(name).text() = Safe(text).c_str();
    stream_.Print(0);
  }

  void Warnings(const PageFacts& facts) {
    Line("h3", "Warnings");
    if (facts.warnings.empty()) {
      Line("p", "None: every export keeps the edit as the project holds it.");
      return;
    }
    pugi::xml_node list = stream_.Fresh("ul");
    list.append_attribute("class") = "warnings";
    for (const std::string& warning : facts.warnings) {
      Child(list, "li", warning);
    }
    stream_.Print(0);
  }

  void Media(const PageFacts& facts) {
    Line("h3", "Media");
    pugi::xml_node table = stream_.Fresh("table");
    table.append_attribute("class") = "media";
    pugi::xml_node heading = table.append_child("tr");
    for (const char* text : {"colour", "name", "state", "where"}) {
      Child(heading, "th", text);
    }
    for (const PageMedia& media : facts.media) {
      pugi::xml_node row = table.append_child("tr");
      pugi::xml_node swatch = Child(Child(row, "td"), "span", "\xC2\xA0", "swatch");  // a no-break space
      swatch.append_attribute("style") = ("background: " + MediaColour(media.name)).c_str();
      Child(row, "td", media.name);
      Child(row, "td", media.found ? "found (" + media.match + ")" : "missing", media.found ? nullptr : "missing");
      std::string where = media.path;
      for (const std::string& other : media.others) {
        where += "\nalso " + other;
      }
      Child(row, "td", where, "where");
    }
    stream_.Print(0);
  }

  // The EDL table's events as rows, written as they are decided.
  class EdlRows final : public EdlEventSink {
   public:
    EdlRows(Page& page, TimecodeMode mode) : page_(page), mode_(mode) {}
    void Event(const EdlEvent& event) override {
      static constexpr const char* kTracks[] = {"MAIN", "INS", "ExA1", "ExA2"};
      const bool audio = event.track == TimelineTrack::ExAudio1 || event.track == TimelineTrack::ExAudio2;
      pugi::xml_node row = page_.stream_.Fresh("tr");
      const auto cell = [&](std::string_view text) { page_.Child(row, "td", text); };
      cell(std::to_string(event.number));
      cell(kTracks[static_cast<int>(event.track)]);
      cell(audio ? "A" : event.hasAudio ? "VA" : "V");
      cell(event.slow ? "S" : "");
      cell(std::string(1, event.transition));
      cell(event.duration != 0 ? Trim(FormatDuration(event.duration, mode_).View()) : "");
      for (const std::int32_t time : {event.sourceIn, event.sourceOut, event.recorderIn, event.recorderOut}) {
        cell(Trim(FormatTimecode(time, mode_).View()));
      }
      cell(event.hasName ? DecodeShiftJis(event.name) : "");
      page_.stream_.Print(1);
    }

   private:
    static std::string Trim(std::string_view text) {
      text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
      return std::string(text);
    }
    Page& page_;
    TimecodeMode mode_;
  };

  void Edl(const PageFacts& facts, TimecodeMode mode) {
    if (facts.tables == nullptr) {
      return;
    }
    Line("h3", "EDL");
    pugi::xml_node table = stream_.Fresh("table");
    table.append_attribute("class") = "edl";
    pugi::xml_node heading = table.append_child("tr");
    for (const char* text : {"event", "track", "AV", "speed", "transition", "duration", "source in", "source out",
                             "record in", "record out", "name"}) {
      Child(heading, "th", text);
    }
    stream_.Open(0);
    EdlRows rows(*this, mode);
    DecideEdlEvents(*facts.tables, rows);
    stream_.Close("table", 0);
  }

  ExportNotes& notes_;
  ListingWriter& out_;
  XmlStream stream_;
};

}  // namespace

void WritePageHead(const std::string& title, ListingWriter& out) {
  ExportNotes notes;
  Page(notes, out).Head(title);
}

void WriteProjectSection(const Timeline& timeline, TimecodeMode mode, const PageFacts& facts, const std::string& id,
                         ExportNotes& notes, ListingWriter& out) {
  Page(notes, out).Section(timeline, mode, facts, id);
}

void WritePageEnd(ListingWriter& out) {
  ExportNotes notes;
  Page(notes, out).End();
}

void WriteSummary(const std::vector<SummaryRow>& rows, const SummaryTotals& totals, ExportNotes& notes,
                  ListingWriter& out) {
  Page(notes, out).Summary(rows, totals);
}

void WriteProjectPage(const Timeline& timeline, TimecodeMode mode, const PageFacts& facts, ExportNotes& notes,
                      ListingWriter& out) {
  Page page(notes, out);
  page.Head(timeline.name);
  page.Section(timeline, mode, facts, "p");
  page.End();
}

}  // namespace morvane
