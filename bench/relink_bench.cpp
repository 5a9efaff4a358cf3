// The relinking benchmark: the time to index a tree of many files, and the time of an export of
// the maximal project (1,000 main clips and 900 more on the other tracks) that looks for its
// media in that tree, against the same export looking in an empty folder.
//
//   build/bench/relink_bench FOLDER [FILES] [RUNS]
//
// Writes into FOLDER (which must not exist): tree/ with FILES files (default 100,000; 100 to a
// folder, two folders deep) among which the project's clips, a third of them renamed in case
// and a third with another extension; empty/; and maximal.dvc. Prints the best of RUNS (default
// 5) for the index, the export over the tree and the export over the empty folder, and the
// ratio of the two exports. The files are in the system's cache after the first run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/bench_projects.h"
#include "convert/conversion_job.h"
#include "listing/media_finder.h"
#include "listing/progress_sink.h"

namespace {

namespace fs = std::filesystem;

double BestSeconds(int runs, const std::function<void()>& run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

struct NoProgress : morvane::ProgressSink {
  void Step() override {}
  void SetStatus(std::string_view) override {}
};

// The clip names of the maximal project, spread over the tree: clipNNNN.avi as it is, in upper
// case or as .mov by turns; the other files are named fNNNNNNN.avi.
void MakeTree(const fs::path& tree, int files) {
  for (int i = 0; i < files; ++i) {
    char name[64];
    if (i % 100 == 0 && i / 100 < 1000) {
      const int clip = i / 100;
      std::snprintf(name, sizeof name,
                    clip % 3 == 0   ? "clip%04d.avi"
                    : clip % 3 == 1 ? "CLIP%04d.AVI"
                                    : "clip%04d.mov",
                    clip);
    } else {
      std::snprintf(name, sizeof name, "f%07d.avi", i);
    }
    char folder[32];
    std::snprintf(folder, sizeof folder, "d%02d/d%03d", i / 10000, i / 100 % 100);
    if (i % 100 == 0) fs::create_directories(tree / folder);
    std::ofstream(tree / folder / name).put('x');
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: relink_bench FOLDER [FILES] [RUNS]\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const int files = argc > 2 ? std::atoi(argv[2]) : 100'000;
  const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
  if (fs::exists(folder)) {
    std::fprintf(stderr, "relink_bench: %s exists; name a new folder\n", argv[1]);
    return 2;
  }
  MakeTree(folder / "tree", files);
  fs::create_directories(folder / "empty");
  morvane::bench::MaximalProject().SaveTo((folder / "maximal.dvc").string());

  std::size_t indexed = 0;
  const double index =
      BestSeconds(runs, [&] { indexed = morvane::MediaTree((folder / "tree").string()).size(); });
  const auto exportOver = [&](const char* relink) {
    return BestSeconds(runs, [&] {
      morvane::ConversionJob job((folder / "maximal.dvc").string(), (folder / "out.otio").string(),
                                 {morvane::SoftwareKind::RexEdit, morvane::TimecodeMode::NtscDropFrame});
      job.SetExport({morvane::ExportFormat::Otio,
                     (folder / "empty").string(),
                     false,
                     true,
                     0,
                     {(folder / relink).string()}});
      NoProgress progress;
      if (!job.Run(progress).completed()) {
        std::fprintf(stderr, "relink_bench: the export failed\n");
        std::exit(1);
      }
    });
  };
  const double overTree = exportOver("tree");
  const double overEmpty = exportOver("empty");
  std::printf("index of %zu files: %.3f s\n", indexed, index);
  std::printf("export of the maximal project (OTIO), looking in the tree: %.3f s\n", overTree);
  std::printf("the same, looking in an empty folder:                     %.3f s\n", overEmpty);
  std::printf("ratio: %.2f (best of %d runs each)\n", overTree / overEmpty, runs);
  return 0;
}
