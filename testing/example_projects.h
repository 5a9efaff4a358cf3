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
};

// The bundled example projects (synthetic content).
std::vector<ExampleProject> ExampleProjects();

}  // namespace morvane::testing
