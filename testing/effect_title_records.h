#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "testing/project_writer.h"

namespace morvane::testing {

// Effect and title records for tests, examples and benchmarks: a struct per record with its
// fields in file order, and a function that appends it to a ProjectWriter:
//
//   EffectRecord dissolve = Transition(0, 85, "Dissolve");
//   dissolve.parameterWords = {100, 200};
//   AppendEffectRecord(file, dissolve);
//
// Every field defaults to zero or empty.

struct EffectRecord {
  std::int32_t clipIndex = 0;               // u32
  std::int32_t clipLength = 0;              // u32
  std::uint32_t third = 0;                  // u32
  std::uint16_t fourth = 0;                 // u16
  std::string effectName;                   // string field
  std::array<std::uint32_t, 5> values{};    // u32 each
  std::optional<std::int32_t> parameterBytes;  // u32; when unset, 4 bytes per parameter word
  std::vector<std::uint32_t> parameterWords;   // u32 each, written as given
  std::string closingText;                  // string field
};

// A record with the three fields that the main clip table takes; the others zero or empty.
EffectRecord Transition(std::int32_t clipIndex, std::int32_t clipLength, std::string effectName);

ProjectWriter& AppendEffectRecord(ProjectWriter& file, const EffectRecord& record);

// A word block of a title: its size in bytes (u32), then its words (u32 each, written as given).
struct WordBlock {
  std::optional<std::int32_t> size;  // when unset, 4 bytes per word
  std::vector<std::uint32_t> words;
};

// The six runs of a text item hold this many u32 values, each run followed by one u16.
inline constexpr std::array<std::size_t, 6> kTitleRunWords = {22, 18, 28, 18, 29, 18};

struct TitleRun {
  std::vector<std::uint32_t> words;  // missing words are written as 0; more than fit throw
  std::uint16_t last = 0;            // u16
};

struct TitleTextItem {
  std::uint32_t itemWord = 0;  // u32; written only when the title's layout carries item words
  std::string text;  // length u8 below 255, else 255 and a u16; then the bytes (at most 65,535)
  std::array<std::uint32_t, 9> nineValues{};  // u32 each
  std::string name;                           // string field
  std::array<std::uint32_t, 4> fourValues{};  // u32 each
  std::uint8_t oneValue = 0;                  // u8
  std::array<TitleRun, 6> runs{};
  std::array<std::uint32_t, 5> fiveValues{};  // u32 each
};

// Sets the 158 numbers of an item (nine values, four values, the u8 value, the six runs with
// their u16 values, five values) to first, first + 1, ... in file order. With first below 100
// every number fits its field, and the item lists its numbers in counting order.
void NumberTextItem(TitleTextItem& item, std::uint32_t first);

struct TitleRecord {
  std::int32_t begin = 0;   // u32
  std::int32_t second = 0;  // u32
  std::int32_t third = 0;   // u32
  std::string firstName;    // string field
  WordBlock firstBlock;
  std::uint32_t fourth = 0;  // u32
  std::string secondName;    // string field
  WordBlock secondBlock;
  std::uint16_t layoutWord = 0;  // u16, extended layout only; 0x0300 drops the item words
  std::uint16_t fifth = 0;       // u16, extended layout only
  std::uint32_t sixth = 0;       // u32, extended layout only
  std::optional<std::int32_t> itemCount;  // u32; when unset, the number of items
  std::vector<TitleTextItem> items;
  std::string closingName;  // string field
};

// Extended: the layout of version 02.07 and of every EzEdit project.
enum class TitleLayout { Plain, Extended };

ProjectWriter& AppendTitleRecord(ProjectWriter& file, const TitleRecord& title, TitleLayout layout);

}  // namespace morvane::testing
