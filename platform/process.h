#pragma once

namespace morvane {

// The system's number of this process: a part of names that must differ between processes
// running at the same time (temporary files, test folders).
unsigned ProcessId();

}  // namespace morvane
