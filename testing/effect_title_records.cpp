#include "testing/effect_title_records.h"

#include <stdexcept>
#include <utility>

namespace morvane::testing {

namespace {

constexpr std::uint16_t kLayoutWithoutItemWords = 0x0300;

std::int32_t BytesOf(const std::vector<std::uint32_t>& words) {
  return static_cast<std::int32_t>(4 * words.size());
}

ProjectWriter& AppendWords(ProjectWriter& file, const std::vector<std::uint32_t>& words) {
  for (const std::uint32_t word : words) {
    file.U32(word);
  }
  return file;
}

template <std::size_t N>
ProjectWriter& AppendWords(ProjectWriter& file, const std::array<std::uint32_t, N>& words) {
  for (const std::uint32_t word : words) {
    file.U32(word);
  }
  return file;
}

ProjectWriter& AppendWordBlock(ProjectWriter& file, const WordBlock& block) {
  file.I32(block.size.value_or(BytesOf(block.words)));
  return AppendWords(file, block.words);
}

ProjectWriter& AppendText(ProjectWriter& file, const std::string& text) {
  if (text.size() > 65535) {
    throw std::invalid_argument("a title text holds at most 65535 bytes");
  }
  if (text.size() < 255) {
    file.U8(static_cast<std::uint8_t>(text.size()));
  } else {
    file.U8(255).U16(static_cast<std::uint16_t>(text.size()));
  }
  return file.Bytes(text);
}

ProjectWriter& AppendTextItem(ProjectWriter& file, const TitleTextItem& item, bool itemWord) {
  if (itemWord) {
    file.U32(item.itemWord);
  }
  AppendText(file, item.text);
  AppendWords(file, item.nineValues);
  file.ShortString(item.name);
  AppendWords(file, item.fourValues);
  file.U8(item.oneValue);
  for (std::size_t r = 0; r < item.runs.size(); ++r) {
    const TitleRun& run = item.runs[r];
    if (run.words.size() > kTitleRunWords[r]) {
      throw std::invalid_argument("too many words for a run of a text item");
    }
    AppendWords(file, run.words).Zeros(4 * (kTitleRunWords[r] - run.words.size()));
    file.U16(run.last);
  }
  return AppendWords(file, item.fiveValues);
}

}  // namespace

EffectRecord Transition(std::int32_t clipIndex, std::int32_t clipLength, std::string effectName) {
  EffectRecord record;
  record.clipIndex = clipIndex;
  record.clipLength = clipLength;
  record.effectName = std::move(effectName);
  return record;
}

ProjectWriter& AppendEffectRecord(ProjectWriter& file, const EffectRecord& record) {
  file.I32(record.clipIndex);
  file.I32(record.clipLength);
  file.U32(record.third);
  file.U16(record.fourth);
  file.ShortString(record.effectName);
  AppendWords(file, record.values);
  file.I32(record.parameterBytes.value_or(BytesOf(record.parameterWords)));
  AppendWords(file, record.parameterWords);
  return file.ShortString(record.closingText);
}

void NumberTextItem(TitleTextItem& item, std::uint32_t first) {
  std::uint32_t next = first;
  for (auto& value : item.nineValues) {
    value = next++;
  }
  for (auto& value : item.fourValues) {
    value = next++;
  }
  item.oneValue = static_cast<std::uint8_t>(next++);
  for (std::size_t r = 0; r < item.runs.size(); ++r) {
    item.runs[r].words.resize(kTitleRunWords[r]);
    for (auto& word : item.runs[r].words) {
      word = next++;
    }
    item.runs[r].last = static_cast<std::uint16_t>(next++);
  }
  for (auto& value : item.fiveValues) {
    value = next++;
  }
}

ProjectWriter& AppendTitleRecord(ProjectWriter& file, const TitleRecord& title, TitleLayout layout) {
  file.I32(title.begin);
  file.I32(title.second);
  file.I32(title.third);
  file.ShortString(title.firstName);
  AppendWordBlock(file, title.firstBlock);
  file.U32(title.fourth);
  file.ShortString(title.secondName);
  AppendWordBlock(file, title.secondBlock);
  const bool extended = layout == TitleLayout::Extended;
  if (extended) {
    file.U16(title.layoutWord);
    file.U16(title.fifth);
    file.U32(title.sixth);
  }
  file.I32(title.itemCount.value_or(static_cast<std::int32_t>(title.items.size())));
  const bool itemWords = extended && title.layoutWord != kLayoutWithoutItemWords;
  for (const TitleTextItem& item : title.items) {
    AppendTextItem(file, item, itemWords);
  }
  return file.ShortString(title.closingName);
}

}  // namespace morvane::testing
