#include "testing/effect_title_records.h"

#include <stdexcept>
#include <utility>

namespace morvane::testing {

namespace {

template <class Words>
ProjectWriter& AppendWords(ProjectWriter& file, const Words& words) {
  for (const std::uint32_t word : words) file.U32(word);
  return file;
}

ProjectWriter& AppendWordBlock(ProjectWriter& file, const WordBlock& block) {
  file.I32(block.size.value_or(static_cast<std::int32_t>(4 * block.words.size())));
  return AppendWords(file, block.words);
}

ProjectWriter& AppendTextItem(ProjectWriter& file, const TitleTextItem& item, bool itemWord) {
  if (itemWord) file.U32(item.itemWord);
  if (item.text.size() > 65535) throw std::invalid_argument("a title text holds at most 65535 bytes");
  if (item.text.size() < 255) {
    file.U8(static_cast<std::uint8_t>(item.text.size()));
  } else {
    file.U8(255).U16(static_cast<std::uint16_t>(item.text.size()));
  }
  file.Bytes(item.text);
  const std::uint32_t* n = item.numbers.data();
  for (int i = 0; i < 9; ++i) file.U32(*n++);
  file.ShortString(item.name);
  for (int i = 0; i < 4; ++i) file.U32(*n++);
  file.U8(static_cast<std::uint8_t>(*n++));
  for (const int words : {22, 18, 28, 18, 29, 18}) {
    for (int i = 0; i < words; ++i) file.U32(*n++);
    file.U16(static_cast<std::uint16_t>(*n++));
  }
  for (int i = 0; i < 5; ++i) file.U32(*n++);
  return file;
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
  file.I32(record.clipIndex).I32(record.clipLength).U32(record.third).U16(record.fourth);
  AppendWords(file.ShortString(record.effectName), record.values);
  file.I32(record.parameterBytes.value_or(static_cast<std::int32_t>(4 * record.parameterWords.size())));
  return AppendWords(file, record.parameterWords).ShortString(record.closingText);
}

TitleTextItem NumberedItem(std::string text, std::string name, std::uint32_t first, std::uint32_t itemWord) {
  TitleTextItem item{itemWord, std::move(text), std::move(name), {}};
  for (std::uint32_t& number : item.numbers) number = first++;
  return item;
}

ProjectWriter& AppendTitleRecord(ProjectWriter& file, const TitleRecord& title, TitleLayout layout) {
  file.I32(title.begin).I32(title.second).I32(title.third).ShortString(title.firstName);
  AppendWordBlock(file, title.firstBlock).U32(title.fourth).ShortString(title.secondName);
  AppendWordBlock(file, title.secondBlock);
  const bool extended = layout == TitleLayout::Extended;
  if (extended) file.U16(title.layoutWord).U16(title.fifth).U32(title.sixth);
  file.I32(title.itemCount.value_or(static_cast<std::int32_t>(title.items.size())));
  for (const TitleTextItem& item : title.items) AppendTextItem(file, item, extended && title.layoutWord != 0x0300);
  return file.ShortString(title.closingName);
}

}  // namespace morvane::testing
