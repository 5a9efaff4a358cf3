// Writes the bundled example projects into the folder given as the only argument.
#include <cstdio>
#include <string>

#include "testing/example_projects.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_examples FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (const auto& example : morvane::testing::ExampleProjects()) {
    example.file.SaveTo(folder + "/" + example.name);
    std::printf("%s/%s\n", folder.c_str(), example.name.c_str());
  }
  return 0;
}
