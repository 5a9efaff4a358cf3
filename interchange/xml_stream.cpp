#include "interchange/xml_stream.h"

#include <charconv>
#include <cmath>

#include "interchange/safe_text.h"

namespace morvane {

namespace {

// Hands what pugixml prints to the destination's writer.
class Output final : public pugi::xml_writer {
 public:
  explicit Output(ListingWriter& out) : out_(out) {}
  void write(const void* data, std::size_t size) override {
    out_.WriteText(std::string_view(static_cast<const char*>(data), size));
  }

 private:
  ListingWriter& out_;
};

}  // namespace

XmlStream::XmlStream(ListingWriter& out, unsigned flags) : out_(out), flags_(flags) {}

pugi::xml_node XmlStream::Fresh(const char* name) {
  document_.reset();
  return document_.append_child(name);
}

void XmlStream::Print(unsigned depth) { Print(depth, flags_); }

void XmlStream::Print(unsigned depth, unsigned flags) {
  Output output(out_);
  document_.first_child().print(output, "  ", flags, pugi::encoding_utf8, depth);
}

void XmlStream::Open(unsigned depth) {
  std::string text;
  ListingWriter writer(text);
  Output output(writer);
  const pugi::xml_node node = document_.first_child();
  node.print(output, "  ", flags_, pugi::encoding_utf8, depth);
  writer.Flush();
  // The end tag: on a line of its own after children, else right after the start tag.
  const std::string end = "</" + std::string(node.name()) + ">\n";
  if (text.ends_with(" />\n")) {
    text.replace(text.size() - 4, 4, ">\n");
  } else if (node.first_child()) {
    text.resize(text.size() - 2 * depth - end.size());
  } else {
    text.replace(text.size() - end.size(), end.size(), "\n");
  }
  out_.WriteText(text);
}

void XmlStream::Close(const char* name, unsigned depth) {
  out_.WriteText(std::string(2 * depth, ' ') + "</" + name + ">\n");
}

std::string SafeXml(std::string_view text, ExportNotes& notes) {
  bool replaced = false;
  std::string safe = XmlText(text, replaced);
  if (replaced) {
    notes.Add(ExportChange::TextReplaced);
  }
  return safe;
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
