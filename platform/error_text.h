#pragma once

#include <string>

namespace morvane {

// The C library's text for the errno value error, in the language of the catalog
// (CurrentLanguage()) where the system has it in that language, else in English.
std::string ErrorText(int error);

}  // namespace morvane
