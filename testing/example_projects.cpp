#include "testing/example_projects.h"

#include "examples/bundled_projects.h"
#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace morvane::testing {

namespace {

// RexEdit 02.07 with the cases of the EDL's ordering: two transitions in a row, a dissolve on an
// unshortened clip, a transition naming the clip after the last, clips ending exactly where a main
// event ends, clips held back behind a longer one, clips ending after the main track, and half
// speed on main and insert clips (a still among them).
ProjectWriter Edl0207() {
  ProjectWriter file;
  file.Header(0x0207, 0, 7, 44100).U32(0).U32(0);
  MainMovie(file, "A.avi", 100, 199, {100, 100});
  MainMovie(file, "B.avi", 0, 149, {0, 7});  // level out alone gives audio
  MainMovie(file, "C.avi", 0, 99, {0, 50});
  MainStill(file, "S.bmp", 0, 59);
  MainMovie(file, "D.avi", 0, 29);
  MainMovie(file, "E.avi", 0, 29);
  MainMovie(file, "F.avi", 0, 49);
  file.U32(5);
  InsertMovie(file, "I.avi", 10, 40, 50, {80, 80});
  InsertMovie(file, "J.avi", 0, 59, 355);  // ends with the main event S.bmp
  InsertStill(file, "sign.png", -5, 94, 400);
  InsertMovie(file, "late.avi", 0, 499, 200);
  InsertMovie(file, "early.avi", 0, 9, 0);
  file.U32(2);
  AudioClip(file, "a1.wav", 0, 84, 0);
  AudioClip(file, "a1b.wav", 0, 999, 100);
  file.U32(1);
  AudioClip(file, "a2.wav", 5, 14, 30);
  file.U32(5);
  AppendEffectRecord(file, Transition(0, 85, "Dissolve"));
  AppendEffectRecord(file, Transition(1, 80, "Basic - Wipe"));
  AppendEffectRecord(file, Transition(2, 90, std::string(kKatakanaDissolve)));
  AppendEffectRecord(file, Transition(4, 30, "Basic - \xC3\xDE\xA8\xBF\xDE\xD9\xCC\xDE"));
  AppendEffectRecord(file, Transition(6, 40, "dissolve"));
  file.U32(0);  // titles
  for (std::uint32_t slow : {0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 0}) AppendVisualFilterRecord(file, {.slow = slow});
  for (int i = 0; i < 3; ++i) AppendAudioFilterRecord(file, {});
  file.U32(0).U32(0).U32(0).U32(0).ShortString("");
  return file;
}

// RexEdit 01.ff: no effects or titles, and values at the ends of the 32-bit range, so recorder
// positions wrap and drop-frame labels pass 2^31.
ProjectWriter Extremes01ff() {
  ProjectWriter file;
  file.Header(0x01ff, 3, 5, -1);
  MainMovie(file, "huge.avi", 0, 2147483646);
  MainMovie(file, "neg.avi", INT32_MIN, -1, {0, 0, {{-2, 1}}});
  file.ShortString("pts.avi").U32(0).U32(9).U32(0xFFFFFFFF).U16(3).U16(4);  // negative point count
  MainStill(file, "C23ab.clr", -16777216, 16777215);
  OtherClip(file, "x.\xC1VI");
  file.U32(1);
  InsertMovie(file, "wrap.avi", 2147483600, 2147483647, 2147483647);
  file.U32(0).U32(1);
  AudioClip(file, "end.wav", 7, 2147483647, -8);
  AppendBinItem(file, {"i", "f.avi", INT32_MIN, -1, -1, INT32_MAX});
  AppendBinItem(file, {"n", "clr", 1, 2});
  AppendBinItem(file, {"", "vi", 1, 2});
  file.I32(-1).U32(0x80000000).U32(5).ShortString(std::string(255, '\xE9'));
  return file;
}

TitleTextItem Item(std::string text) { return NumberedItem(std::move(text), "font", 1); }

// RexEdit 02.00: effects with unsigned numbers and clip indexes outside the table, titles in the
// plain layout with every escape, long and cut texts and word blocks of odd sizes.
ProjectWriter Titles0200() {
  ProjectWriter file;
  file.Header(0x0200, 1, 1, 32012);
  MainMovie(file, "m.avi", 0, 299, {1, 1});
  file.U32(0).U32(0).U32(0).U32(3);
  AppendEffectRecord(file, {.clipIndex = 0, .clipLength = 285, .third = 0xFFFFFFFF, .fourth = 65535, .effectName = "Wipe",
                            .values = {0x80000000, 0, 0, 0, 1}, .parameterBytes = 5, .parameterWords = {11, 12},
                            .closingText = "abc"});
  AppendEffectRecord(file, {.clipIndex = -1, .clipLength = -40, .effectName = std::string("Dis\0solve", 9),
                            .parameterBytes = -4});
  AppendEffectRecord(file, Transition(999, 40, "Wipe"));
  file.U32(3);
  AppendTitleRecord(file,
                    {.begin = -1, .second = INT32_MIN, .third = 7, .firstName = "abc", .firstBlock = {5, {11, 12}},
                     .fourth = 0xFFFFFFFF, .secondName = "x", .secondBlock = {-4, {}},
                     .items = {Item("a\rb\nc\"d\\e"), Item("\t\x01\x7f\x80\xff\x83\x5c"), Item(std::string(254, 'a'))},
                     .closingName = "end"},
                    TitleLayout::Plain);
  AppendTitleRecord(file,
                    {.items = {Item(std::string(255, 'b')), Item(std::string(300, 'c') + "z"),
                               Item(std::string("ab\0c\"", 5)), Item("")}},
                    TitleLayout::Plain);
  AppendTitleRecord(file, {.itemCount = -1}, TitleLayout::Plain);
  AppendBinItem(file, {"m", "m.avi", 0, 299});
  file.U32(0).U32(0).U32(0).ShortString("titles.avi");
  return file;
}

// RexEdit 02.05 without main clips: no other count is read; a bin item of every kind.
ProjectWriter Empty0205() {
  ProjectWriter file;
  file.Header(0x0205, 6, 0, 0).U32(2);
  AppendBinItem(file, {"bin1", "CLIP.AVI", 0, 299, 48000, 16});
  AppendBinItem(file, {"pic", "x.TARGA", 1, 2, 0, 0});
  AppendBinItem(file, {"blue", ColorName('1', '7', "000000", "FFFFFF", "808080", "C0C0C0"), 0, 89});
  AppendBinItem(file, {"photo.jpg", "movie.avi", 0, 1, 44100, 16});
  AppendBinItem(file, {"n", "AVI", 1, 2, 32000, 12});
  AppendBinItem(file, {"c", "C05__x.CLR", 1, 2});
  file.U32(1).U32(2).U32(3).ShortString(std::string("ab\0c", 4));
  return file;
}

}  // namespace

std::vector<ExampleProject> ExampleProjects() {
  constexpr ConversionSettings kRexEdit{SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame};
  constexpr ConversionSettings kEzEdit{SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame};
  return {
      {"rexedit-0207.dvc", kRexEdit, examples::RexEdit0207(), true},
      {"ezedit-0206.dvc", kEzEdit, examples::EzEdit0206(), true},
      {"edl-0207.dvc", kRexEdit, Edl0207(), false},
      {"extremes-01ff.dvc", kRexEdit, Extremes01ff(), false},
      {"titles-0200.dvc", kRexEdit, Titles0200(), false},
      {"empty-0205.dvc", kRexEdit, Empty0205(), false},
  };
}

}  // namespace morvane::testing
