#include "testing/example_projects.h"

namespace morvane::testing {

namespace {

ProjectWriter RexEdit0207() {
  ProjectWriter file;
  file.Header(0x0207, 0, 0, 48000);
  file.U32(1);   // aspect ratio 16:9
  file.U32(2);   // title track
  file.U32(0).U32(1).U32(0);  // view position, time scale, cursor position
  file.U32(0);   // reserved
  file.ShortString("example.avi");
  return file;
}

ProjectWriter EzEdit() {
  ProjectWriter file;
  file.Header(0x0206, 0, 0, 44100);
  file.U32(0);   // aspect ratio 4:3
  file.U32(0).U32(1).U32(0);
  file.ShortString("");
  return file;
}

}  // namespace

std::vector<ExampleProject> ExampleProjects() {
  return {
      {"rexedit-0207.dvc", {SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame}, RexEdit0207()},
      {"ezedit-0206.dvc", {SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame}, EzEdit()},
  };
}

}  // namespace morvane::testing
