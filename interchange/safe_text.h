#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Texts from the project (names, effect names, title text) in a form each format allows. Each
// character a format forbids, and each byte that does not belong to a valid UTF-8 sequence,
// becomes U+FFFD, which shows where something was; the flag reports whether anything was
// replaced. The project's own bytes stay where a format can keep them (OTIO metadata).

// One line of an EDL: no control character (0x00-0x1F, 0x7F), so a comment stays one line.
std::string EdlLineText(std::string_view utf8, bool& replaced);

// XML 1.0 character data: TAB and LF kept, every other character below 0x20, U+FFFE and U+FFFF
// replaced (XML 1.0 allows them in no form, not even as a character reference).
std::string XmlText(std::string_view utf8, bool& replaced);

// A title's own line ends (CR LF, CR) as the line feeds a title breaks lines at.
std::string LineFeeds(std::string_view text);

// XmlText(LineFeeds(utf8)) in one pass.
std::string XmlLines(std::string_view utf8, bool& replaced);

// XmlLines for a text as the decoder writes it (DecodeShiftJis: valid UTF-8 without U+FFFE or
// U+FFFF), such as a title's, made in a pass that looks only at the bytes below 0x20, eight at
// a time.
std::string DecodedXmlLines(std::string_view decoded, bool& replaced);

// Whether text is valid UTF-8 (what JsonText keeps as it is).
bool IsValidUtf8(std::string_view text);

// Valid UTF-8 with every character kept (JSON escapes control characters itself).
std::string JsonText(std::string_view utf8, bool& replaced);

}  // namespace morvane
