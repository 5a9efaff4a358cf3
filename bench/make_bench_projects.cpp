// Writes the two benchmark projects into the folder given as the only argument and prints
// their paths: maximal.dvc (every table at its capacity) and title-heavy.dvc (about 100 MB).
#include <cstdio>
#include <exception>
#include <string>

#include "bench/bench_projects.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_bench_projects FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  try {
    const std::string maximal = folder + "/maximal.dvc";
    morvane::bench::MaximalProject().SaveTo(maximal);
    std::printf("%s\n", maximal.c_str());
    const std::string large = folder + "/title-heavy.dvc";
    morvane::bench::TitleHeavyProject().SaveTo(large);
    std::printf("%s\n", large.c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_bench_projects: %s\n", error.what());
    return 1;
  }
  return 0;
}
