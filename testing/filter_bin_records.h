#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testing/project_writer.h"

namespace morvane::testing {

// One filter of a visual or audio filter list: its name, then its settings as a u32 size and
// that many bytes.
struct FilterRecord {
  std::string name{};
  std::string settings{};  // any bytes; its size is written before it
};

// A visual filter record of [FilterMainAV] or [FilterInsertAV]. Each settings block is written
// only when its flag is exactly 1, so a record with flags 2 carries no blocks:
// {.firstFlag = 1, .firstBlock = "abcdef", .firstList = {{"Blur", "xyz"}}} writes the six numbers,
// the first block as the size 10 and 6 bytes, the first list with one filter and an empty second.
struct VisualFilterRecord {
  std::uint32_t firstFlag = 0;
  std::uint32_t secondFlag = 0;
  std::uint32_t thirdFlag = 0;
  std::uint32_t slow = 0;
  std::uint32_t fifth = 0;
  std::uint32_t sixth = 0;
  std::string firstBlock{};  // the bytes after its size field, which counts itself
  std::uint32_t secondBlockWord = 0;  // the word before the second block's size, not used
  std::string secondBlock{};
  std::string thirdBlock{};
  std::vector<FilterRecord> firstList{};
  std::vector<FilterRecord> secondList{};
};

ProjectWriter& AppendVisualFilterRecord(ProjectWriter& file, const VisualFilterRecord& record);

// An audio filter record of [FilterExAudio1] or [FilterExAudio2]: the count, then the filters.
ProjectWriter& AppendAudioFilterRecord(ProjectWriter& file,
                                       const std::vector<FilterRecord>& filters);

// A bin item of [BinWindow].
struct BinItem {
  std::string itemName{};
  std::string fileName{};
  std::int32_t in = 0;
  std::int32_t out = 0;
  std::int32_t audioRate = 48000;
  std::int32_t audioBits = 16;
};

ProjectWriter& AppendBinItem(ProjectWriter& file, const BinItem& item);

}  // namespace morvane::testing
