#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

#include "interchange/export_notes.h"
#include "listing/listing_writer.h"

namespace morvane {

// Writes an XML document element by element, each made in a small pugixml document of its own,
// printed as pugixml prints a whole document (indent per level, "  " unless given) and dropped, so that the memory
// taken does not grow with the document. An element with children still to come is opened and
// closed by hand around them.
class XmlStream {
 public:
  // flags: pugixml's format flags (pugi::format_default; for XHTML also
  // pugi::format_no_empty_element_tags, so that no element but the void ones ends in "/>").
  explicit XmlStream(ListingWriter& out, unsigned flags = pugi::format_default, const char* indent = "  ");

  // A new element, alone in the document that Print writes.
  pugi::xml_node Fresh(const char* name);
  // The element Fresh made last.
  pugi::xml_node Made() const { return document_.first_child(); }
  // Writes the element Fresh made, with its children, at depth (levels of indent), with the
  // stream's flags or the flags given.
  void Print(unsigned depth);
  void Print(unsigned depth, unsigned flags);
  // Writes the start tag of the element Fresh made, and its children, leaving it open.
  void Open(unsigned depth);
  // The same for an element of the document Fresh began (the element itself or one inside it).
  void Open(pugi::xml_node node, unsigned depth);
  void Close(const char* name, unsigned depth);
  void Text(std::string_view text) { out_.WriteText(text); }

 private:
  ListingWriter& out_;
  unsigned flags_;
  const char* indent_;
  pugi::xml_document document_;
};

// Hands what pugixml prints to a destination's writer.
class XmlOutput final : public pugi::xml_writer {
 public:
  explicit XmlOutput(ListingWriter& out) : out_(out) {}
  void write(const void* data, std::size_t size) override {
    out_.WriteText(std::string_view(static_cast<const char*>(data), size));
  }

 private:
  ListingWriter& out_;
};

// A text of the project in a form XML allows (interchange/safe_text.h), a text with a replaced
// character counted in notes.
std::string SafeXml(std::string_view text, ExportNotes& notes);
// SafeXml(LineFeeds(decoded)) in one pass, for a text as the decoder writes it (a title's).
std::string SafeXmlLines(std::string_view decoded, ExportNotes& notes);

// The shortest text that reads back as the same double.
std::string Decimal(double value);

// A number for an attribute: at most one decimal, without a trailing ".0" ("12", "12.5").
std::string Coordinate(double value);

}  // namespace morvane
