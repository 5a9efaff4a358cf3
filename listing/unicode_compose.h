#pragma once

#include <string>
#include <string_view>

namespace morvane {

// A name in Unicode normalization form C as far as names of media files need it, so that a name
// copied from a system that stores it decomposed ("か" + U+3099, "e" + U+0301) compares equal to
// the composed one the project holds ("が", "é"). Composes the letters of Latin (with Latin
// Extended-A, -B and Additional: Vietnamese too), Greek and Cyrillic with their combining marks,
// and kana with the voiced and semi-voiced sound marks (U+3099, U+309A); composed letters of
// those scripts are decomposed and put in canonical order first, so that the marks may come in
// any order. Other combining marks block like any character. Full-width and half-width forms
// stay as they are (compatibility forms: "Ａ" is not "A", "ｶﾞ" is not "ガ"); so do bytes that are
// not UTF-8.
std::string ComposeNfc(std::string_view utf8);

}  // namespace morvane
