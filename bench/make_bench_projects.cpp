// Writes the benchmark projects into the folder given as the only argument and prints their
// paths: maximal.dvc (every table at its capacity), title-heavy.dvc and text-heavy.dvc (about
// 100 MB each) and level-heavy.dvc (60 MB: one clip with 10 million level points). With a
// second argument, only the project of that name ("maximal", "title-heavy", "text-heavy" or
// "level-heavy").
#include <cstdio>
#include <exception>
#include <string>

#include "bench/bench_projects.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_bench_projects FOLDER [maximal|title-heavy|text-heavy|level-heavy]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string only = argc == 3 ? argv[2] : "";
  try {
    if (only.empty() || only == "maximal") {
      const std::string maximal = folder + "/maximal.dvc";
      morvane::bench::MaximalProject().SaveTo(maximal);
      std::printf("%s\n", maximal.c_str());
    }
    if (only.empty() || only == "title-heavy") {
      const std::string large = folder + "/title-heavy.dvc";
      morvane::bench::TitleHeavyProject().SaveTo(large);
      std::printf("%s\n", large.c_str());
    }
    if (only.empty() || only == "text-heavy") {
      const std::string texts = folder + "/text-heavy.dvc";
      morvane::bench::TextHeavyProject().SaveTo(texts);
      std::printf("%s\n", texts.c_str());
    }
    if (only.empty() || only == "level-heavy") {
      const std::string levels = folder + "/level-heavy.dvc";
      morvane::bench::LevelHeavyProject().SaveTo(levels);
      std::printf("%s\n", levels.c_str());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_bench_projects: %s\n", error.what());
    return 1;
  }
  return 0;
}
