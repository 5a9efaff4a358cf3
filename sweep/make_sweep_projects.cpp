// Writes the projects of the export sweep (sweep/sweep.py reads their exports back with the
// editors' own readers):
//
//   make_sweep_projects [--seed S] [--count N] [--max-main M] FOLDER
//                                        N projects shaped like real ones
//   make_sweep_projects --awkward FOLDER  the projects with awkward names
//
// The defaults are the committed sweep: seed 22, 200 projects. Project i depends only on the
// seed and i, so the first 20 of the sweep are the 20 of `--count 20`; --max-main caps the main
// clips of each (the quick sweep of the tests), the rest of the project drawn as without it.
// Each project is named sweep-NNN-EDITOR-VVVV.dvc (EDITOR rexedit or ezedit, VVVV its version),
// and the awkward ones awkward-NNN-EDITOR-VVVV-NAME.dvc, where NAME holds the bytes under test.
//
// A project of the sweep: RexEdit or EzEdit, version 02.00 to 02.07, 20 to 1,000 main clips
// (movies, some stills and colour clips; 60 % up to 200, 30 % up to 600), a transition on
// about 20 % of the cuts (dissolves and wipes under their editors' names; one in ten longer
// than the incoming clip, one in twenty-five over 999 frames, most of those shorter than the
// incoming clip), about 5 % of the main and insert clips at half speed (only RexEdit 02.07
// records it), insert and extra audio clips placed within the main track's length (overlapping
// as they fall, one in fifty starting before frame 0), titles with and without text items, and
// Shift-JIS names, Japanese and ASCII, some in Windows folders (C:\DV\...).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace {

using namespace morvane::testing;

constexpr std::uint32_t kDefaultSeed = 22;
constexpr int kDefaultCount = 200;

// Japanese words in Shift-JIS; several end in 0x5C (ソ, 表), the byte of the Windows folder
// separator.
constexpr std::string_view kJapanese[] = {
    "\x8A\x43",                          // 海
    "\x8E\x52",                          // 山
    "\x89\xC4\x8B\x78\x82\xDD",          // 夏休み
    "\x97\xB7\x8D\x73",                  // 旅行
    "\x89\x5E\x93\xAE\x89\xEF",          // 運動会
    "\x83\x5C\x83\x74\x83\x67",          // ソフト
    "\x95\x5C",                          // 表
    "\x8C\x8B\x8D\xA5\x8E\xAE",          // 結婚式
    "\x83\x5E\x83\x43\x83\x67\x83\x8B",  // タイトル
};
constexpr std::string_view kFolders[] = {"C:\\DV\\", "C:\\DV\\2003\\", "C:\\DV\\\x95\x5C\\",
                                         "C:\\DV\\\x8A\x43\\", "D:\\capture\\"};
constexpr std::string_view kDissolves[] = {kKatakanaDissolve, "Basic - \xC3\xDE\xA8\xBF\xDE\xD9\xCC\xDE",
                                           "Dissolve", "Basic - Dissolve"};
constexpr std::string_view kWipes[] = {"Basic - Wipe", "Wipe", "Slide", "\x83\x8F\x83\x43\x83\x76",
                                       "dissolve"};
constexpr std::string_view kStills[] = {".jpg", ".JPG", ".bmp", ".png", ".tif", ".jpeg"};

// What the project's names are made of.
struct NameStyle {
  bool awkward = false;
  std::string awkwardText;  // every name holds it when awkward
};

class ProjectMaker {
 public:
  ProjectMaker(std::uint32_t seed, int index, NameStyle style)
      : random_(seed * 1000003u + static_cast<std::uint32_t>(index)), style_(std::move(style)) {}

  // Uniform in [low, high]; std::mt19937's sequence is the same with every standard library.
  std::int32_t Between(std::int32_t low, std::int32_t high) {
    return low + static_cast<std::int32_t>(random_() % static_cast<std::uint32_t>(high - low + 1));
  }
  bool Percent(int percent) { return Between(0, 99) < percent; }
  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Between(0, static_cast<std::int32_t>(N) - 1)];
  }

  std::string Word() {
    if (style_.awkward) {
      return style_.awkwardText;
    }
    if (Percent(40)) {
      return std::string(Pick(kJapanese)) + std::to_string(Between(1, 99));
    }
    static constexpr std::string_view kAscii[] = {"clip", "beach", "party", "Take", "scene", "DV"};
    return std::string(Pick(kAscii)) + std::to_string(Between(1, 999));
  }

  std::string FileName(std::string_view extension) {
    std::string name = Percent(30) ? std::string(Pick(kFolders)) : std::string();
    return name + Word() + std::string(extension);
  }

  std::string Colour() {
    static constexpr std::string_view kColours[] = {"000000", "FFFFFF", "FF0000", "0000FF", "808080"};
    return ColorName('1', '0', Pick(kColours), "000000", "000000", "000000");
  }

  Levels SomeLevels() {
    if (Percent(20)) {
      return {};  // no sound
    }
    Levels levels(static_cast<std::uint16_t>(Between(1, 255)), static_cast<std::uint16_t>(Between(1, 255)));
    if (Percent(20)) {
      levels.points = {{Between(0, 50), 0}, {Between(60, 200), 100}};
    }
    return levels;
  }

  ProjectWriter Make(bool ezEdit, int version, std::int32_t mainCount);

 private:
  struct Clip {
    enum Kind { Movie, Still, Colour } kind = Movie;
    std::string name;
    std::int32_t in = 0;
    std::int32_t length = 0;
    std::int32_t begin = 0;  // side tracks only
    Levels levels;
    bool slow = false;
  };

  Clip SideClip(bool audio, std::int32_t mainLength);

  std::mt19937 random_;
  NameStyle style_;
};

ProjectMaker::Clip ProjectMaker::SideClip(bool audio, std::int32_t mainLength) {
  Clip clip;
  const int kind = audio ? 0 : Between(0, 9);
  clip.kind = kind < 7 ? Clip::Movie : kind < 9 ? Clip::Still : Clip::Colour;
  clip.name = clip.kind == Clip::Colour  ? Colour()
              : clip.kind == Clip::Still ? FileName(Pick(kStills))
                                         : FileName(audio ? ".wav" : ".avi");
  clip.in = clip.kind == Clip::Movie ? Between(0, 3000) : 0;
  clip.length = Between(15, audio ? 1800 : 600);
  clip.begin =
      Percent(2) ? -Between(1, clip.length + 200) : Between(0, std::max(0, mainLength - clip.length));
  clip.levels = SomeLevels();
  clip.slow = !audio && Percent(5);
  return clip;
}

ProjectWriter ProjectMaker::Make(bool ezEdit, int version, std::int32_t mainCount) {
  // The main track, then the transitions into it: the clip before a transition gives up the
  // transition's frames from its end.
  std::vector<Clip> main(static_cast<std::size_t>(mainCount));
  for (Clip& clip : main) {
    const int kind = Between(0, 99);
    clip.kind = kind < 85 ? Clip::Movie : kind < 93 ? Clip::Still : Clip::Colour;
    clip.name =
        clip.kind == Clip::Colour ? Colour() : FileName(clip.kind == Clip::Still ? Pick(kStills) : ".avi");
    clip.in = clip.kind == Clip::Movie ? Between(0, 5000) : Percent(10) ? -5 : 0;
    clip.length = Between(15, 900);
    clip.levels = clip.kind == Clip::Movie ? SomeLevels() : Levels{};
  }
  std::vector<EffectRecord> effects;
  for (std::int32_t k = 1; k < mainCount; ++k) {
    if (!Percent(20)) {
      continue;
    }
    Clip& from = main[static_cast<std::size_t>(k - 1)];
    std::int32_t frames = Between(5, 60);
    if (Percent(4)) {
      frames = Between(1000, 2400);  // over the EDL's three digits; the incoming clip mostly longer
      std::int32_t& incoming = main[static_cast<std::size_t>(k)].length;
      incoming = Percent(75) ? std::max(incoming, frames + Between(1, 300)) : incoming;
    } else if (Percent(10)) {
      frames = main[static_cast<std::size_t>(k)].length + Between(1, 120);  // longer than the incoming clip
    }
    from.length = std::max(from.length, frames + Between(1, 200));  // it still plays a part of its own
    const std::string name(Percent(50) ? Pick(kDissolves) : Pick(kWipes));
    EffectRecord effect = Transition(k - 1, from.length - frames, style_.awkward ? style_.awkwardText : name);
    effect.third = static_cast<std::uint32_t>(frames);
    effects.push_back(effect);
  }
  std::int32_t mainLength = 0;
  for (const Clip& clip : main) {
    mainLength += clip.length;
  }
  std::vector<Clip> inserts(static_cast<std::size_t>(Between(0, std::min(300, mainCount / 3))));
  for (Clip& clip : inserts) {
    clip = SideClip(false, mainLength);
  }
  std::vector<Clip> audio[2];
  for (std::vector<Clip>& track : audio) {
    track.resize(static_cast<std::size_t>(Between(0, std::min(300, mainCount / 4))));
    for (Clip& clip : track) {
      clip = SideClip(true, mainLength);
    }
  }

  const bool rexEditFilters = !ezEdit && version >= 0x0207;
  ProjectWriter file;
  const std::int32_t binCount = Between(0, 5);
  file.Header(version, binCount, mainCount, Percent(50) ? 48000 : 32016);
  if (version >= 0x0205) {
    file.U32(Percent(30) ? 1 : 0);  // aspect ratio
  }
  if (rexEditFilters) {
    file.U32(1);  // title track
  }
  for (const Clip& clip : main) {
    if (clip.kind == Clip::Movie) {
      MainMovie(file, clip.name, clip.in, clip.in + clip.length - 1, clip.levels);
    } else {
      MainStill(file, clip.name, clip.in, clip.in + clip.length - 1, Percent(30) ? Word() : "");
    }
  }
  file.U32(static_cast<std::uint32_t>(inserts.size()));
  for (const Clip& clip : inserts) {
    if (clip.kind == Clip::Movie) {
      InsertMovie(file, clip.name, clip.in, clip.in + clip.length - 1, clip.begin, clip.levels);
    } else {
      InsertStill(file, clip.name, clip.in, clip.in + clip.length - 1, clip.begin, "", clip.levels);
    }
  }
  for (const std::vector<Clip>& track : audio) {
    file.U32(static_cast<std::uint32_t>(track.size()));
    for (const Clip& clip : track) {
      AudioClip(file, clip.name, clip.in, clip.in + clip.length - 1, clip.begin, clip.levels);
    }
  }
  file.U32(static_cast<std::uint32_t>(effects.size()));
  for (const EffectRecord& effect : effects) {
    AppendEffectRecord(file, effect);
  }
  const std::int32_t titleCount = Between(0, std::min(20, mainCount / 10));
  file.U32(static_cast<std::uint32_t>(titleCount));
  const TitleLayout layout = ezEdit || version >= 0x0207 ? TitleLayout::Extended : TitleLayout::Plain;
  for (std::int32_t t = 0; t < titleCount; ++t) {
    TitleRecord title{.begin = Between(0, mainLength - 1), .second = Between(30, 300), .firstName = Word()};
    title.layoutWord = Percent(50) ? 0x0300 : 1;
    const int items = Percent(40) ? 0 : Between(1, 3);
    for (int j = 0; j < items; ++j) {
      title.items.push_back(NumberedItem(Word() + (Percent(20) ? "\r\n" + Word() : ""), "MS Gothic",
                                         static_cast<std::uint32_t>(j + 1), static_cast<std::uint32_t>(j)));
    }
    AppendTitleRecord(file, title, layout);
  }
  if (rexEditFilters) {
    for (std::int32_t k = 0; k < mainCount; ++k) {
      AppendVisualFilterRecord(file, {.slow = Percent(5) ? 1u : 0u});
    }
    for (const Clip& clip : inserts) {
      AppendVisualFilterRecord(file, {.slow = clip.slow ? 1u : 0u});
    }
    for (const std::vector<Clip>& track : audio) {
      for (std::size_t i = 0; i < track.size(); ++i) {
        AppendAudioFilterRecord(file, {});
      }
    }
  }
  for (std::int32_t b = 0; b < binCount; ++b) {
    const Clip& clip = main[static_cast<std::size_t>(Between(0, mainCount - 1))];
    AppendBinItem(file, {.itemName = Word(), .fileName = clip.name, .in = 0, .out = clip.length - 1});
  }
  file.U32(0).U32(3).U32(static_cast<std::uint32_t>(Between(0, mainLength)));  // view, scale, cursor
  if (rexEditFilters) {
    file.U32(0);  // reserved
  }
  file.ShortString(FileName(".avi"));
  return file;
}

std::string ProjectName(const char* prefix, int index, bool ezEdit, int version) {
  char name[64];
  std::snprintf(name, sizeof name, "%s-%03d-%s-%04x", prefix, index, ezEdit ? "ezedit" : "rexedit", version);
  return name;
}

// The bytes each awkward project puts in every name: the project's file name, its clips',
// effects' and titles'.
std::vector<std::string> AwkwardTexts() {
  std::string controls;
  for (char c = 0x01; c <= 0x1F; ++c) {
    controls += c;
  }
  return {
      controls,
      "\"quoted\" 'single' <tag> & ]]> &amp; end",
      "line one\r\nline two\rthree\nfour",
      "\x83 \x81\x7F \xA0\xFD\xFE\xFF \x82",  // lead bytes without their second byte, unused bytes
      "999 BL  C        00:00:00:00 00:00:01:00 00:00:00:00 00:00:01:00\r\n* comment",
  };
}

int Usage() {
  std::fprintf(stderr,
               "usage: make_sweep_projects [--seed S] [--count N] [--max-main M] [--awkward] FOLDER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint32_t seed = kDefaultSeed;
  int count = kDefaultCount;
  std::int32_t maxMain = 1000;
  bool awkward = false;
  int arg = 1;
  for (; arg + 1 < argc; ++arg) {
    if (std::strcmp(argv[arg], "--seed") == 0 && arg + 2 < argc) {
      seed = static_cast<std::uint32_t>(std::stoul(argv[++arg]));
    } else if (std::strcmp(argv[arg], "--count") == 0 && arg + 2 < argc) {
      count = std::stoi(argv[++arg]);
    } else if (std::strcmp(argv[arg], "--max-main") == 0 && arg + 2 < argc) {
      maxMain = std::stoi(argv[++arg]);
    } else if (std::strcmp(argv[arg], "--awkward") == 0) {
      awkward = true;
    } else {
      return Usage();
    }
  }
  if (arg + 1 != argc) {
    return Usage();
  }
  const std::string folder = argv[arg];
  try {
    if (awkward) {
      const std::vector<std::string> texts = AwkwardTexts();
      for (int i = 0; i < static_cast<int>(texts.size()) * 2; ++i) {
        const bool ezEdit = i % 2 == 1;
        const int version = ezEdit ? 0x0206 : 0x0207;
        std::string text = texts[static_cast<std::size_t>(i / 2)];
        ProjectMaker maker(seed, 1000 + i, {.awkward = true, .awkwardText = text});
        // The file name keeps the bytes a file name can hold: all but '/'.
        std::erase(text, '/');
        const std::string name = ProjectName("awkward", i, ezEdit, version) + "-" + text + ".dvc";
        maker.Make(ezEdit, version, 30).SaveTo(folder + "/" + name);
      }
      return 0;
    }
    for (int i = 0; i < count; ++i) {
      ProjectMaker maker(seed, i, {});
      const bool ezEdit = maker.Percent(40);
      const int version = 0x0200 + maker.Between(0, 7);
      const int size = maker.Between(0, 9);
      const std::int32_t mainCount = size < 6   ? maker.Between(20, 200)
                                     : size < 9 ? maker.Between(201, 600)
                                                : maker.Between(601, 1000);
      maker.Make(ezEdit, version, std::clamp(mainCount, 20, std::max(20, maxMain)))
          .SaveTo(folder + "/" + ProjectName("sweep", i, ezEdit, version) + ".dvc");
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_sweep_projects: %s\n", error.what());
    return 1;
  }
  return 0;
}
