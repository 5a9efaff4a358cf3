#include "testing/example_projects.h"

#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace morvane::testing {

namespace {

// "ディゾルブ" in Shift-JIS, the name EzEdit gives its dissolve.
constexpr std::string_view kKatakanaDissolve = "\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75";

TitleTextItem TextItem(std::string text, std::string name, std::uint32_t first) {
  TitleTextItem item;
  item.itemWord = 7;
  item.text = std::move(text);
  item.name = std::move(name);
  NumberTextItem(item, first);
  return item;
}

// A RexEdit 02.07 project with every section filled: movies, stills, colour clips and a clip of
// another kind on the main and insert tracks, two extra audio tracks, a dissolve and a wipe, two
// titles, filters (one clip at half speed) and a bin window with items of every kind.
ProjectWriter RexEdit0207() {
  const std::string colour = ColorName('2', '3', "FF0000", "00FF00", "0000FF", "FFFFFF");
  ProjectWriter file;
  file.Header(0x0207, 5, 5, 48000);
  file.U32(1);  // aspect ratio 16:9
  file.U32(1);  // title track

  MainMovie(file, "opening.avi", 0, 299, {100, 100, {{150, 50}, {200, 100}}});
  MainStill(file, colour, 0, 89);
  MainStill(file, "title card.JPEG", -5, 94, "card");
  MainMovie(file, "INTERVIEW.AVI", 300, 899, {0, 0});
  OtherClip(file, "broll.mov");

  file.U32(4);  // insert clips
  InsertMovie(file, "logo.avi", 10, 59, 50, {80, 80});
  InsertStill(file, "sign.png", -5, 94, 400, "sign");
  InsertStill(file, ColorName('1', '6', "000000", "FFFFFF", "808080", "C0C0C0"), 0, 29, 700);
  OtherClip(file, "flash.mov");

  file.U32(2);  // extra audio 1
  AudioClip(file, "music.wav", 0, 899, 120, {200, 0, {{450, 100}}});
  AudioClip(file, "applause.wav", 0, 149, 1500, {180, 180});
  file.U32(1);  // extra audio 2
  AudioClip(file, "narration.wav", 30, 629, 300, {255, 255});

  file.U32(2);  // effects
  EffectRecord dissolve = Transition(0, 270, "Dissolve");
  dissolve.third = 30;
  dissolve.fourth = 1;
  AppendEffectRecord(file, dissolve);
  EffectRecord wipe = Transition(2, 85, "Basic - Wipe");
  wipe.third = 15;
  wipe.parameterWords = {100, 200, 4294967295u};
  wipe.closingText = "left to right";
  AppendEffectRecord(file, wipe);

  file.U32(2);  // titles
  TitleRecord opening;
  opening.begin = 10;
  opening.second = 200;
  opening.firstName = "Opening";
  opening.firstBlock.words = {1, 2};
  opening.fourth = 1;
  opening.secondName = "Gothic";
  opening.layoutWord = 1;
  opening.fifth = 2;
  opening.sixth = 3;
  opening.items = {TextItem("A day at the lake", "line1", 1),
                   TextItem("\"Quoted\"\r\nC:\\edits\\lake", "line2", 10)};
  AppendTitleRecord(file, opening, TitleLayout::Extended);
  TitleRecord credits;
  credits.begin = 1200;
  credits.second = 150;
  credits.firstName = "Credits";
  credits.secondName = "Mincho";
  credits.secondBlock.size = 5;
  credits.secondBlock.words = {9, 10};
  credits.layoutWord = 0x0300;  // no item words
  credits.items = {TextItem(std::string(300, 'x'), "roll", 20)};
  credits.closingName = "end";
  AppendTitleRecord(file, credits, TitleLayout::Extended);

  // Filters: one record per clip of each track.
  AppendVisualFilterRecord(file, {.firstFlag = 1, .firstBlock = "abcdef", .firstList = {{"Blur", "xyz"}}});
  AppendVisualFilterRecord(file, {});
  AppendVisualFilterRecord(file, {.secondFlag = 1, .thirdFlag = 2, .secondBlockWord = 9, .secondBlock = "12345678"});
  AppendVisualFilterRecord(file, {.slow = 1, .secondList = {{"Sepia", ""}, {"", "zz"}}});
  AppendVisualFilterRecord(file, {});
  AppendVisualFilterRecord(file, {.thirdFlag = 1, .thirdBlock = "q"});
  AppendVisualFilterRecord(file, {});
  AppendVisualFilterRecord(file, {});
  AppendVisualFilterRecord(file, {});
  AppendAudioFilterRecord(file, {{"Echo", "1234"}, {"Reverb", ""}});
  AppendAudioFilterRecord(file, {});
  AppendAudioFilterRecord(file, {{"Fade", "ab"}});

  AppendBinItem(file, {.itemName = "Opening", .fileName = "opening.avi", .in = 0, .out = 299});
  AppendBinItem(file, {.itemName = "Card", .fileName = "title card.JPEG", .in = 0, .out = 99});
  AppendBinItem(file, {.itemName = "Colour", .fileName = colour, .in = 0, .out = 89});
  AppendBinItem(file, {.itemName = "Music", .fileName = "music.wav", .in = 0, .out = 899, .audioRate = 44100});
  AppendBinItem(file, {.itemName = "x", .fileName = "x", .in = 0, .out = 0, .audioRate = 0, .audioBits = 0});

  file.U32(0).U32(3).U32(120);  // view position, time scale, cursor position
  file.U32(0);                  // reserved
  file.ShortString("lake.avi");
  return file;
}

// An EzEdit project of version 02.06: no title track and no filters, titles in the extended
// layout, and the katakana dissolve.
ProjectWriter EzEdit0206() {
  ProjectWriter file;
  file.Header(0x0206, 2, 3, 32016);
  file.U32(0);  // aspect ratio 4:3

  MainMovie(file, "beach.avi", 100, 399, {64, 64});
  MainMovie(file, "waves.avi", 0, 239, {64, 0, {{120, 32}}});
  MainStill(file, "sunset.tiff", 0, 149);
  file.U32(1);
  InsertMovie(file, "gull.avi", 0, 59, 200);
  file.U32(1);
  AudioClip(file, "surf.wav", 0, 599, 0, {100, 100});
  file.U32(0);

  file.U32(1);
  AppendEffectRecord(file, Transition(0, 285, std::string(kKatakanaDissolve)));

  file.U32(1);
  TitleRecord title;
  title.begin = 30;
  title.second = 120;
  title.firstName = "Beach";
  title.layoutWord = 2;
  title.items = {TextItem("\x8A\x43\x82\xCC\x93\xFA", "kaisui", 1)};  // Shift-JIS text
  AppendTitleRecord(file, title, TitleLayout::Extended);

  AppendBinItem(file, {.itemName = "Beach", .fileName = "beach.avi", .in = 0, .out = 599});
  AppendBinItem(file, {.itemName = "Sunset", .fileName = "sunset.tiff", .in = 0, .out = 149});

  file.U32(0).U32(2).U32(0);
  file.ShortString("beach.avi");
  return file;
}

}  // namespace

std::vector<ExampleProject> ExampleProjects() {
  return {
      {"rexedit-0207.dvc", {SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame}, RexEdit0207()},
      {"ezedit-0206.dvc", {SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame}, EzEdit0206()},
  };
}

}  // namespace morvane::testing
