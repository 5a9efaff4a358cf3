#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

#include "interchange/export_notes.h"
#include "listing/listing_writer.h"

namespace morvane {

// Writes an XML document element by element, each made in a small pugixml document of its own,
// printed as pugixml prints a whole document ("  " per level) and dropped, so that the memory
// taken does not grow with the document. An element with children still to come is opened and
// closed by hand around them.
class XmlStream {
 public:
  // flags: pugixml's format flags (pugi::format_default; for XHTML also
  // pugi::format_no_empty_element_tags, so that no element but the void ones ends in "/>").
  explicit XmlStream(ListingWriter& out, unsigned flags = pugi::format_default);

  // A new element, alone in the document that Print writes.
  pugi::xml_node Fresh(const char* name);
  // Writes the element Fresh made, with its children, at depth (levels of indent), with the
  // stream's flags or the flags given.
  void Print(unsigned depth);
  void Print(unsigned depth, unsigned flags);
  // Writes the start tag of the element Fresh made, and its children, leaving it open.
  void Open(unsigned depth);
  void Close(const char* name, unsigned depth);
  void Text(std::string_view text) { out_.WriteText(text); }

 private:
  ListingWriter& out_;
  unsigned flags_;
  pugi::xml_document document_;
};

// A text of the project in a form XML allows (interchange/safe_text.h), a text with a replaced
// character counted in notes.
std::string SafeXml(std::string_view text, ExportNotes& notes);

// A number for an attribute: at most one decimal, without a trailing ".0" ("12", "12.5").
std::string Coordinate(double value);

}  // namespace morvane
