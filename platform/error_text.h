#pragma once

#include <string>
#include <string_view>

namespace morvane {

// The C library's text for the errno value error, in English as the C locale has it: what the
// files written say (an archive's page names a source it could not read), the same in every
// language.
std::string ErrorText(int error);

// A reason as the reader reads it: its translation where the catalog has one (the reasons of our
// own), else the C library's own text in the reader's language where reason is one of its
// English texts (in UTF-8), else reason as it stands (the system's reasons on Windows come in the
// user's language already).
std::string ReasonText(std::string_view reason);

}  // namespace morvane
