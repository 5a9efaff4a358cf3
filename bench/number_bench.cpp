// The listing's integer writer against std::to_chars, on the numbers a title lists: a run of
// values of mixed sizes written as ",%u" each into one buffer, as a text item's runs are.
//
//   cmake -S . -B build-bench -G Ninja -DMORVANE_BUILD_APP=OFF -DMORVANE_BUILD_TESTS=OFF
//         -DMORVANE_BUILD_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench -j2 --target number_bench && ./build-bench/bench/number_bench

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <vector>

#include "listing/listing_writer.h"

namespace {

constexpr std::size_t kValues = 1 << 16;

// Values from a fixed linear congruential sequence, of 1 to maxDigits digits, each length
// about as likely.
std::vector<std::uint32_t> Values(std::int64_t maxDigits) {
  static constexpr std::uint32_t kLimits[10] = {10,     100,     1000,     10000,     100000,
                                                1000000, 10000000, 100000000, 1000000000, 0xFFFFFFFFu};
  std::vector<std::uint32_t> values(kValues);
  std::uint64_t state = 88172645463325252ULL;
  for (std::uint32_t& value : values) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    value = static_cast<std::uint32_t>((state >> 32) % kLimits[(state >> 20) % static_cast<std::uint64_t>(maxDigits)]);
  }
  return values;
}

template <class Format>
void FormatRun(benchmark::State& state, Format format) {
  const std::vector<std::uint32_t> values = Values(state.range(0));
  std::vector<char> text(values.size() * 11);
  for (auto _ : state) {
    char* p = text.data();
    for (const std::uint32_t value : values) {
      *p++ = ',';
      p = format(p, value);
    }
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(values.size()));
}

void BM_ToChars(benchmark::State& state) {
  FormatRun(state, [](char* p, std::uint32_t value) { return std::to_chars(p, p + 10, value).ptr; });
}
BENCHMARK(BM_ToChars)->Arg(3)->Arg(10);

void BM_FormatUnsigned(benchmark::State& state) {
  FormatRun(state, [](char* p, std::uint32_t value) { return morvane::FormatUnsigned(p, value); });
}
BENCHMARK(BM_FormatUnsigned)->Arg(3)->Arg(10);

}  // namespace

BENCHMARK_MAIN();
