// Drop-frame timecode text costs the same whatever the count: one million labels of counts
// spread over the whole 32-bit range take about as long as one million counts below 50000.
//
//   cmake -S . -B build-bench -G Ninja -DMORVANE_BUILD_APP=OFF -DMORVANE_BUILD_TESTS=OFF
//         -DMORVANE_BUILD_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench -j2 --target timecode_bench && ./build-bench/bench/timecode_bench

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "edl/timecode.h"

namespace {

constexpr std::size_t kLabels = 1000000;

// Counts from a fixed linear congruential sequence, reduced to [0, limit).
std::vector<std::int32_t> Counts(std::uint32_t limit) {
  std::vector<std::int32_t> counts(kLabels);
  std::uint64_t state = 88172645463325252ULL;
  for (std::int32_t& count : counts) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    count = static_cast<std::int32_t>((state >> 32) % limit);
  }
  return counts;
}

void FormatAll(benchmark::State& state, const std::vector<std::int32_t>& counts) {
  for (auto _ : state) {
    std::size_t characters = 0;
    for (std::int32_t count : counts) {
      characters += morvane::FormatTimecode(count, morvane::TimecodeMode::NtscDropFrame).View().size();
    }
    benchmark::DoNotOptimize(characters);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(counts.size()));
}

// Counts below the editors' first counting checkpoint (under 28 minutes).
void BM_DropFrameMillionSmallCounts(benchmark::State& state) {
  static const std::vector<std::int32_t> counts = Counts(50000);
  FormatAll(state, counts);
}

// Counts anywhere from 0 to 2^31 - 1 (up to about 19,900 hours).
void BM_DropFrameMillionCountsOverTheWholeRange(benchmark::State& state) {
  static const std::vector<std::int32_t> counts = Counts(2147483648u);
  FormatAll(state, counts);
}

// The signed range as the file holds it: half of these are negative and print 00:00:00;00.
void BM_DropFrameMillionSignedCounts(benchmark::State& state) {
  std::vector<std::int32_t> counts = Counts(4294967295u);
  for (std::int32_t& count : counts) {
    count = static_cast<std::int32_t>(static_cast<std::uint32_t>(count) ^ 0x80000000u);
  }
  FormatAll(state, counts);
}

BENCHMARK(BM_DropFrameMillionSmallCounts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DropFrameMillionCountsOverTheWholeRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DropFrameMillionSignedCounts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
