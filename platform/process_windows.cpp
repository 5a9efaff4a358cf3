#include <windows.h>

#include "platform/process.h"

namespace morvane {

unsigned ProcessId() { return GetCurrentProcessId(); }

}  // namespace morvane
