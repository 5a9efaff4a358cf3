#include <unistd.h>

#include "platform/process.h"

namespace morvane {

unsigned ProcessId() { return static_cast<unsigned>(::getpid()); }

}  // namespace morvane
