// Fuzz target over the whole conversion. The first byte of an input chooses the settings (bit 0
// the software, bits 1 and 2 the timecode mode); the rest is the project file.
//
// Besides what the sanitizers catch, it checks the bound that keeps hostile files cheap: the
// text never grows beyond a fixed multiple of the input plus what may be read past its end, plus
// the EDL table of full clip tables (a few bytes can announce 1,000 clips of zeros). The
// reader is given a small past-the-end allowance: an input announcing huge counts reaches the
// same refusal as with the program's 1 MiB, in microseconds instead of milliseconds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "listing/format_kinds.h"
#include "listing/conversion_error.h"
#include "convert/listing_driver.h"
#include "listing/source_reader.h"

namespace {

class CountingProgress : public morvane::ProgressSink {
 public:
  void Step() override { ++steps; }
  void SetStatus(std::string_view) override {}
  long steps = 0;
};

constexpr std::uint64_t kGrowthBound = 16;
constexpr std::uint64_t kPastEndLimit = 4096;
// An EDL line of an entry whose names were not read from the file is under 128 bytes.
constexpr std::uint64_t kFullEdlBound =
    256 * (morvane::kMainCapacity + morvane::kInsertCapacity + 2 * morvane::kExAudioCapacity);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const morvane::ConversionSettings settings{static_cast<morvane::SoftwareKind>(data[0] & 1),
                                             static_cast<morvane::TimecodeMode>((data[0] >> 1) & 3)};
  const std::span<const std::uint8_t> project(data + 1, size - 1);

  // Kept from one input to the next: allocating them afresh costs more than most conversions.
  static const auto tables = std::make_unique<morvane::ClipTables>();
  static std::string text;
  text.clear();
  CountingProgress progress;
  bool completed = true;
  {
    morvane::SourceReader source(project, kPastEndLimit);
    morvane::ListingWriter out(text);
    morvane::ListingContext context{source, out, progress, settings};
    try {
      morvane::ListingDriver(context).Run(*tables);
      out.Flush();
    } catch (const morvane::ConversionError&) {
      completed = false;
    }
  }
  const std::uint64_t bound = kGrowthBound * (project.size() + kPastEndLimit) + kFullEdlBound;
  if (text.size() > bound) {
    std::fprintf(stderr, "output of %zu bytes for %zu input bytes\n", text.size(), project.size());
    std::abort();
  }
  if (completed && progress.steps > morvane::kProgressSteps) {
    std::fprintf(stderr, "%ld progress steps\n", progress.steps);
    std::abort();
  }
  return 0;
}
