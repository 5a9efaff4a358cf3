// Writes the bundled example projects into FOLDER, or with --golden every example project (the
// golden projects of testing/golden included).
#include <cstdio>
#include <string>

#include "testing/example_projects.h"

int main(int argc, char** argv) {
  const bool golden = argc == 3 && std::string(argv[1]) == "--golden";
  if (argc != 2 && !golden) {
    std::fprintf(stderr, "usage: make_examples [--golden] FOLDER\n");
    return 2;
  }
  const std::string folder = argv[argc - 1];
  for (const auto& example : morvane::testing::ExampleProjects()) {
    if (example.bundled || golden) {
      example.file.SaveTo(folder + "/" + example.name);
      std::printf("%s/%s\n", folder.c_str(), example.name.c_str());
    }
  }
  return 0;
}
