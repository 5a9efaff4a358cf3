#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testing/project_writer.h"

namespace morvane::testing {

// "ディゾルブ" in Shift-JIS, the name EzEdit gives its dissolve.
inline constexpr std::string_view kKatakanaDissolve = "\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75";

// Effect and title records: a struct per record with its fields in file order (each zero or
// empty unless set), and a function that appends it to a ProjectWriter:
//
//   EffectRecord dissolve = Transition(0, 85, "Dissolve");
//   dissolve.parameterWords = {100, 200};
//   AppendEffectRecord(file, dissolve);

struct EffectRecord {
  std::int32_t clipIndex = 0;
  std::int32_t clipLength = 0;
  std::uint32_t third = 0;
  std::uint16_t fourth = 0;
  std::string effectName{};
  std::array<std::uint32_t, 5> values{};
  std::optional<std::int32_t> parameterBytes{};  // when unset, 4 bytes per parameter word
  std::vector<std::uint32_t> parameterWords{};
  std::string closingText{};
};

// A record with the three fields that the main clip table takes.
EffectRecord Transition(std::int32_t clipIndex, std::int32_t clipLength, std::string effectName);
ProjectWriter& AppendEffectRecord(ProjectWriter& file, const EffectRecord& record);

// A word block of a title: its size in bytes, then its words.
struct WordBlock {
  std::optional<std::int32_t> size{};  // when unset, 4 bytes per word
  std::vector<std::uint32_t> words{};
};

// A text item: the item word (only when the title's layout carries item words), the text (length
// u8 below 255, else 255 and a u16), then 158 numbers in file order: nine u32, the name, four
// u32, one u8, six runs of 22, 18, 28, 18, 29 and 18 u32 each followed by a u16, and five u32.
struct TitleTextItem {
  std::uint32_t itemWord = 0;
  std::string text{};
  std::string name{};
  std::array<std::uint32_t, 158> numbers{};
};

// An item whose numbers count first, first + 1, ... (below 100 every one fits its field).
TitleTextItem NumberedItem(std::string text, std::string name, std::uint32_t first, std::uint32_t itemWord = 0);

struct TitleRecord {
  std::int32_t begin = 0;
  std::int32_t second = 0;
  std::int32_t third = 0;
  std::string firstName{};
  WordBlock firstBlock{};
  std::uint32_t fourth = 0;
  std::string secondName{};
  WordBlock secondBlock{};
  std::uint16_t layoutWord = 0;  // extended layout only; 0x0300 drops the item words
  std::uint16_t fifth = 0;       // extended layout only
  std::uint32_t sixth = 0;       // extended layout only
  std::optional<std::int32_t> itemCount{};  // when unset, the number of items
  std::vector<TitleTextItem> items{};
  std::string closingName{};
};

// Extended: the layout of version 02.07 and of every EzEdit project.
enum class TitleLayout { Plain, Extended };

ProjectWriter& AppendTitleRecord(ProjectWriter& file, const TitleRecord& title, TitleLayout layout);

}  // namespace morvane::testing
