#include <cstring>

#include "platform/error_text.h"

namespace morvane {

// The C runtime has its texts in English only; the system's own reasons (FormatMessage) come in
// the user's language already.
std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace morvane
