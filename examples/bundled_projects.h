#pragma once

#include "testing/project_writer.h"

// The two projects bundled in examples/, one per editor, each filling every section its version
// has. The golden files pin their conversions.
namespace morvane::examples {

// A RexEdit 02.07 project: movies, stills, colour clips and a clip of another kind on the main
// and insert tracks, two extra audio tracks, a dissolve and a wipe, two titles, filters and a bin
// window with items of every kind.
testing::ProjectWriter RexEdit0207();

// An EzEdit 02.06 project: no title track and no filters, titles in the extended layout, and the
// katakana dissolve.
testing::ProjectWriter EzEdit0206();

}  // namespace morvane::examples
