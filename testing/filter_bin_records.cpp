#include "testing/filter_bin_records.h"

namespace morvane::testing {

namespace {

std::uint32_t SizeOf(const std::string& bytes) { return static_cast<std::uint32_t>(bytes.size()); }

void AppendFilterList(ProjectWriter& file, const std::vector<FilterRecord>& filters) {
  file.U32(static_cast<std::uint32_t>(filters.size()));
  for (const FilterRecord& filter : filters) {
    file.ShortString(filter.name).U32(SizeOf(filter.settings)).Bytes(filter.settings);
  }
}

}  // namespace

ProjectWriter& AppendVisualFilterRecord(ProjectWriter& file, const VisualFilterRecord& record) {
  file.U32(record.firstFlag).U32(record.secondFlag).U32(record.thirdFlag);
  file.U32(record.slow).U32(record.fifth).U32(record.sixth);
  if (record.firstFlag == 1) {
    file.U32(SizeOf(record.firstBlock) + 4).Bytes(record.firstBlock);
  }
  if (record.secondFlag == 1) {
    file.U32(record.secondBlockWord).U32(SizeOf(record.secondBlock)).Bytes(record.secondBlock);
  }
  if (record.thirdFlag == 1) {
    file.U32(SizeOf(record.thirdBlock)).Bytes(record.thirdBlock);
  }
  AppendFilterList(file, record.firstList);
  AppendFilterList(file, record.secondList);
  return file;
}

ProjectWriter& AppendAudioFilterRecord(ProjectWriter& file,
                                       const std::vector<FilterRecord>& filters) {
  AppendFilterList(file, filters);
  return file;
}

ProjectWriter& AppendBinItem(ProjectWriter& file, const BinItem& item) {
  file.ShortString(item.itemName).ShortString(item.fileName);
  return file.I32(item.in).I32(item.out).I32(item.audioRate).I32(item.audioBits);
}

}  // namespace morvane::testing
