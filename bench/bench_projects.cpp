#include "bench/bench_projects.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "listing/clip_tables.h"
#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace morvane::bench {

namespace {

using testing::ProjectWriter;

constexpr int kVersion = 0x0207;
constexpr std::int32_t kBinItems = 1000;
constexpr std::int32_t kEffects = kMainCapacity - 1;  // one per main clip that has a next one
constexpr std::int32_t kMaximalTitles = 1000;
constexpr int kMaximalTitleItems = 3;
constexpr int kLargeTitleItems = 24;
constexpr int kTextHeavyItems = 8;
constexpr std::size_t kTextHeavyLength = 1500;

std::string Numbered(const char* format, std::int32_t i) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<int>(i));
  return text;
}

// Eight level points spread over the clip, half of them silent.
testing::Levels LevelsFor(std::int32_t i) {
  testing::Levels levels(100, static_cast<std::uint16_t>(i % 101));
  for (std::int32_t p = 0; p < 8; ++p) {
    levels.points.emplace_back(p * 37 + i % 13, static_cast<std::uint16_t>(p % 2 == 0 ? 0 : 50 + p));
  }
  return levels;
}

std::string ColorFor(std::int32_t i) {
  return testing::ColorName(static_cast<char>('1' + i % 4), static_cast<char>('0' + i % 8), "FF0000",
                            "00FF00", "0000FF", Numbered("%06X", i * 4099 % 0xFFFFFF));
}

void AppendHeader(ProjectWriter& file, std::int32_t binCount, std::int32_t mainCount) {
  file.Header(kVersion, binCount, mainCount, 48000);
  file.U32(1);  // aspect ratio 16:9
  file.U32(2);  // title track
}

void AppendOption(ProjectWriter& file) {
  file.U32(120).U32(3).U32(4500);  // view position, time scale, cursor position
  file.U32(0);                     // reserved
  file.ShortString("C:\\DV\\OUT\\bench.avi");
}

void AppendMainClips(ProjectWriter& file) {
  for (std::int32_t i = 0; i < kMainCapacity; ++i) {
    switch (i % 3) {
      case 0:
        testing::MainMovie(file, Numbered("C:\\DV\\clip%04d.avi", i), i * 10, i * 10 + 299 + i % 100,
                           LevelsFor(i));
        break;
      case 1:
        testing::MainStill(file, Numbered("C:\\DV\\photo%04d.jpg", i), 0, 149, "still caption",
                           LevelsFor(i));
        break;
      default:
        testing::MainStill(file, ColorFor(i), 0, 89, "", LevelsFor(i));
        break;
    }
  }
}

void AppendInsertClips(ProjectWriter& file) {
  file.U32(kInsertCapacity);
  for (std::int32_t i = 0; i < kInsertCapacity; ++i) {
    const std::int32_t begin = i * 400;
    switch (i % 3) {
      case 0:
        testing::InsertMovie(file, Numbered("C:\\DV\\ins%04d.avi", i), i, i + 119, begin, LevelsFor(i));
        break;
      case 1:
        testing::InsertStill(file, Numbered("C:\\DV\\logo%04d.png", i), 0, 59, begin, "logo",
                             LevelsFor(i));
        break;
      default:
        testing::InsertStill(file, ColorFor(i), 0, 29, begin, "", LevelsFor(i));
        break;
    }
  }
}

void AppendAudioClips(ProjectWriter& file, const char* format) {
  file.U32(kExAudioCapacity);
  for (std::int32_t i = 0; i < kExAudioCapacity; ++i) {
    testing::AudioClip(file, Numbered(format, i), i * 5, i * 5 + 899, i * 450, LevelsFor(i));
  }
}

void AppendEffects(ProjectWriter& file) {
  static const char* const kNames[] = {"Dissolve", "Wipe", "Slide", "Page Turn"};
  file.U32(kEffects);
  for (std::int32_t i = 0; i < kEffects; ++i) {
    testing::EffectRecord effect = testing::Transition(i, 250 + i % 40, kNames[i % 4]);
    effect.third = 15 + static_cast<std::uint32_t>(i % 30);
    effect.fourth = 1;
    effect.values = {0, 1, 2, static_cast<std::uint32_t>(i), 0xFFFFFFFFu};
    for (std::uint32_t w = 0; w < 6; ++w) {
      effect.parameterWords.push_back(w * 1000 + static_cast<std::uint32_t>(i));
    }
    effect.closingText = i % 2 == 0 ? "" : "fx";
    testing::AppendEffectRecord(file, effect);
  }
}

// Text item j of a title has the same length in every title, so all titles are the same size.
std::string ItemText(std::int32_t title, int j) {
  const std::size_t length = 40 + static_cast<std::size_t>(j * 37 % 261);
  std::string text = Numbered("Title %05d line ", title) + std::to_string(j);
  if (j % 4 == 1) {
    text += " \"quoted\" C:\\path\r\nsecond line";
  }
  while (text.size() < length) {
    text += " and more words";
  }
  text.resize(length);
  return text;
}

testing::TitleRecord MakeTitle(std::int32_t i, int items) {
  testing::TitleRecord title;
  title.begin = i * 90;
  title.second = 200 + i % 100;
  title.third = 0;
  title.firstName = Numbered("title%05d", i % 100000);
  title.firstBlock.words = {1, 2, 3, 4};
  title.fourth = 1;
  title.secondName = "MS Gothic";
  title.secondBlock.words = {0x00FFFFFFu, 0x80000000u};
  title.layoutWord = 0x0200;
  title.fifth = 3;
  title.sixth = 7;
  for (int j = 0; j < items; ++j) {
    testing::TitleTextItem item = testing::NumberedItem(ItemText(i % 100000, j), "Arial",
                                                        static_cast<std::uint32_t>((i + j) % 90),
                                                        static_cast<std::uint32_t>(j));
    // Colours and coordinates, so that the numbers are not all of one or two digits: the first
    // two values, the first word of the first run and the sixth of the third.
    item.numbers[0] = 0x00FFFFFFu;
    item.numbers[1] = 4294967295u;
    item.numbers[14] = 720;
    item.numbers[61] = 65536u * static_cast<std::uint32_t>(j + 1);
    title.items.push_back(std::move(item));
  }
  title.closingName = i % 2 == 0 ? "" : "end";
  return title;
}

testing::VisualFilterRecord VisualFilterFor(std::int32_t i) {
  testing::VisualFilterRecord record;
  record.firstFlag = 1;
  record.secondFlag = 1;
  record.thirdFlag = 1;
  record.slow = i % 7 == 0 ? 1 : 0;
  record.fifth = 5;
  record.sixth = 6;
  record.firstBlock = std::string(16, 'a');
  record.secondBlockWord = 9;
  record.secondBlock = std::string(24, 'b');
  record.thirdBlock = std::string(8, 'c');
  record.firstList = {{"Blur", "settings"}, {"Sepia", std::string(12, 's')}};
  record.secondList = {{"Mosaic", "xy"}};
  return record;
}

void AppendBinItems(ProjectWriter& file) {
  for (std::int32_t i = 0; i < kBinItems; ++i) {
    testing::BinItem item;
    item.itemName = Numbered("bin%04d", i);
    switch (i % 4) {
      case 0: item.fileName = Numbered("C:\\DV\\clip%04d.avi", i); break;
      case 1: item.fileName = Numbered("C:\\DV\\photo%04d.jpg", i); break;
      case 2: item.fileName = ColorFor(i); break;
      default: item.fileName = Numbered("C:\\DV\\sound%04d.wav", i); break;
    }
    item.in = i;
    item.out = i + 299;
    testing::AppendBinItem(file, item);
  }
}

}  // namespace

ProjectWriter MaximalProject() {
  ProjectWriter file;
  AppendHeader(file, kBinItems, kMainCapacity);
  AppendMainClips(file);
  AppendInsertClips(file);
  AppendAudioClips(file, "C:\\DV\\music%04d.wav");
  AppendAudioClips(file, "C:\\DV\\voice%04d.wav");
  AppendEffects(file);
  file.U32(kMaximalTitles);
  for (std::int32_t i = 0; i < kMaximalTitles; ++i) {
    testing::AppendTitleRecord(file, MakeTitle(i, kMaximalTitleItems), testing::TitleLayout::Extended);
  }
  for (std::int32_t i = 0; i < kMainCapacity; ++i) {
    testing::AppendVisualFilterRecord(file, VisualFilterFor(i));
  }
  for (std::int32_t i = 0; i < kInsertCapacity; ++i) {
    testing::AppendVisualFilterRecord(file, VisualFilterFor(i));
  }
  for (std::int32_t track = 0; track < 2; ++track) {
    for (std::int32_t i = 0; i < kExAudioCapacity; ++i) {
      testing::AppendAudioFilterRecord(file, {{"Echo", "delay"}, {"Reverb", std::string(10, 'r')}});
    }
  }
  AppendBinItems(file);
  AppendOption(file);
  return file;
}

namespace {

// One main clip, its filter record and the options around titles made by makeTitle(i), as
// many as fit targetBytes.
template <class MakeTitleFn>
ProjectWriter TitleProject(std::size_t targetBytes, MakeTitleFn makeTitle) {
  ProjectWriter head;
  AppendHeader(head, 0, 1);
  testing::MainMovie(head, "C:\\DV\\clip0000.avi", 0, 299, LevelsFor(0));
  head.U32(0).U32(0).U32(0);  // insert and extra audio counts
  head.U32(0);                // effect count

  ProjectWriter oneTitle;
  testing::AppendTitleRecord(oneTitle, makeTitle(0), testing::TitleLayout::Extended);
  const std::size_t budget = targetBytes > head.size() ? targetBytes - head.size() : 0;
  const auto titleCount = static_cast<std::int32_t>(budget / oneTitle.size());

  ProjectWriter file = head;
  file.I32(titleCount);
  for (std::int32_t i = 0; i < titleCount; ++i) {
    testing::AppendTitleRecord(file, makeTitle(i), testing::TitleLayout::Extended);
  }
  testing::AppendVisualFilterRecord(file, VisualFilterFor(0));
  AppendOption(file);
  return file;
}

}  // namespace

ProjectWriter TitleHeavyProject(std::size_t targetBytes) {
  return TitleProject(targetBytes, [](std::int32_t i) { return MakeTitle(i, kLargeTitleItems); });
}

ProjectWriter TextHeavyProject(std::size_t targetBytes) {
  static constexpr char kAlphabet[17] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h',    'i',
                                         'j', ' ', '\r', '\n', '"', '\\', '\x83', '\x42'};
  // Every title is the same size; the texts differ. A 64-bit linear congruential sequence (its
  // top bits), the same on every platform.
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  return TitleProject(targetBytes, [&state](std::int32_t i) {
    testing::TitleRecord title = MakeTitle(i, kTextHeavyItems);
    for (testing::TitleTextItem& item : title.items) {
      item.text.resize(kTextHeavyLength);
      for (char& c : item.text) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        c = kAlphabet[(state >> 33) * 17 >> 31];
      }
    }
    return title;
  });
}

ProjectWriter LevelHeavyProject(std::int32_t points) {
  ProjectWriter file;
  AppendHeader(file, 0, 1);
  testing::Levels levels(100, 100);
  levels.points.reserve(static_cast<std::size_t>(points));
  for (std::int32_t p = 0; p < points; ++p) {
    levels.points.emplace_back(p, static_cast<std::uint16_t>(p % 2 == 0 ? 0 : 80));
  }
  testing::MainMovie(file, "C:\\DV\\clip0000.avi", 0, 299, LevelsFor(0));
  file.U32(0);  // insert count
  file.U32(1);
  testing::AudioClip(file, "C:\\DV\\music0000.wav", 0, 299, 0, levels);
  file.U32(0);         // extra audio 2
  file.U32(0).U32(0);  // effect and title counts
  testing::AppendVisualFilterRecord(file, VisualFilterFor(0));
  testing::AppendAudioFilterRecord(file, {{"Echo", "delay"}});
  AppendOption(file);
  return file;
}

}  // namespace morvane::bench
