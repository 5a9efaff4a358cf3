#include <cstring>

#include "platform/catalog.h"
#include "platform/error_text.h"

namespace morvane {

std::string ErrorText(int error) { return std::strerror(error); }

// The C runtime has its texts in English only; the system's own reasons (FormatMessage) come in
// the user's language already.
std::string ReasonText(std::string_view reason) { return std::string(Tr(reason)); }

}  // namespace morvane
