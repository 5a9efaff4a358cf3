#pragma once

#include <string>
#include <vector>

#include "listing/format_kinds.h"
#include "testing/project_writer.h"

namespace morvane::testing {

struct ExampleProject {
  std::string name;             // file name, such as "rexedit-0207.dvc"
  ConversionSettings settings;  // the software it is meant for
  ProjectWriter file;
  bool bundled;  // one of the examples/ folder; the others are only golden projects
};

// The example projects (synthetic content): the bundled examples and the golden projects.
std::vector<ExampleProject> ExampleProjects();

}  // namespace morvane::testing
