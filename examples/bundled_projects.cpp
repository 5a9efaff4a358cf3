#include "examples/bundled_projects.h"

#include <string>
#include <string_view>
#include <utility>

#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace morvane::examples {

using namespace morvane::testing;

namespace {

TitleTextItem TextItem(std::string text, std::string name, std::uint32_t first) {
  return NumberedItem(std::move(text), std::move(name), first, 7);
}

}  // namespace

// One clip at half speed.
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
  AppendEffectRecord(file, {.clipIndex = 0, .clipLength = 270, .third = 30, .fourth = 1, .effectName = "Dissolve"});
  AppendEffectRecord(file, {.clipIndex = 2, .clipLength = 85, .third = 15, .effectName = "Basic - Wipe",
                            .parameterWords = {100, 200, 4294967295u}, .closingText = "left to right"});

  file.U32(2);  // titles
  AppendTitleRecord(file,
                    {.begin = 10, .second = 200, .firstName = "Opening", .firstBlock = {{}, {1, 2}}, .fourth = 1,
                     .secondName = "Gothic", .layoutWord = 1, .fifth = 2, .sixth = 3,
                     .items = {TextItem("A day at the lake", "line1", 1),
                               TextItem("\"Quoted\"\r\nC:\\edits\\lake", "line2", 10)}},
                    TitleLayout::Extended);
  AppendTitleRecord(file,
                    {.begin = 1200, .second = 150, .firstName = "Credits", .secondName = "Mincho",
                     .secondBlock = {5, {9, 10}}, .layoutWord = 0x0300,  // no item words
                     .items = {TextItem(std::string(300, 'x'), "roll", 20)}, .closingName = "end"},
                    TitleLayout::Extended);

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
  AppendTitleRecord(file,
                    {.begin = 30, .second = 120, .firstName = "Beach", .layoutWord = 2,
                     .items = {TextItem("\x8A\x43\x82\xCC\x93\xFA", "kaisui", 1)}},  // Shift-JIS text
                    TitleLayout::Extended);

  AppendBinItem(file, {.itemName = "Beach", .fileName = "beach.avi", .in = 0, .out = 599});
  AppendBinItem(file, {.itemName = "Sunset", .fileName = "sunset.tiff", .in = 0, .out = 149});

  file.U32(0).U32(2).U32(0);
  file.ShortString("beach.avi");
  return file;
}

}  // namespace morvane::examples
