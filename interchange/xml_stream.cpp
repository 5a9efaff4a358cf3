#include "interchange/xml_stream.h"

#include <charconv>
#include <cmath>

#include "interchange/safe_text.h"

namespace morvane {

XmlStream::XmlStream(ListingWriter& out, unsigned flags, const char* indent)
    : out_(out), flags_(flags), indent_(indent) {}

pugi::xml_node XmlStream::Fresh(const char* name) {
  document_.reset();
  return document_.append_child(name);
}

void XmlStream::Print(unsigned depth) { Print(depth, flags_); }

void XmlStream::Print(unsigned depth, unsigned flags) {
  XmlOutput output(out_);
  document_.first_child().print(output, indent_, flags, pugi::encoding_utf8, depth);
}

void XmlStream::Open(unsigned depth) { Open(document_.first_child(), depth); }

void XmlStream::Open(pugi::xml_node node, unsigned depth) {
  std::string text;
  ListingWriter writer(text);
  XmlOutput output(writer);
  node.print(output, indent_, flags_, pugi::encoding_utf8, depth);
  writer.Flush();
  // The end tag: on a line of its own after children, else right after the start tag.
  const std::string end = "</" + std::string(node.name()) + ">\n";
  if (text.ends_with(" />\n")) {
    text.replace(text.size() - 4, 4, ">\n");
  } else if (node.first_child()) {
    text.resize(text.size() - depth * std::char_traits<char>::length(indent_) - end.size());
  } else {
    text.replace(text.size() - end.size(), end.size(), "\n");
  }
  out_.WriteText(text);
}

void XmlStream::Close(const char* name, unsigned depth) {
  std::string text;
  for (unsigned i = 0; i < depth; ++i) {
    text += indent_;
  }
  out_.WriteText(text + "</" + name + ">\n");
}

std::string SafeXml(std::string_view text, ExportNotes& notes) {
  bool replaced = false;
  std::string safe = XmlText(text, replaced);
  if (replaced) {
    notes.Add(ExportChange::TextReplaced);
  }
  return safe;
}

std::string SafeXmlLines(std::string_view decoded, ExportNotes& notes) {
  bool replaced = false;
  std::string safe = DecodedXmlLines(decoded, replaced);
  if (replaced) {
    notes.Add(ExportChange::TextReplaced);
  }
  return safe;
}

std::string Decimal(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string Coordinate(double value) {
  const double rounded = std::round(value * 10) / 10;
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, rounded == 0 ? 0.0 : rounded, std::chars_format::fixed, 1).ptr;
  std::string result(text, end);
  if (result.ends_with(".0")) {
    result.resize(result.size() - 2);
  }
  return result;
}

}  // namespace morvane
