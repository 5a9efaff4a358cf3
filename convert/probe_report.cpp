#include "convert/probe_report.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "convert/layout_fit.h"
#include "convert/media_folder.h"
#include "edl/timecode.h"
#include "listing/media_finder.h"
#include "listing/media_names.h"
#include "platform/shift_jis.h"

namespace morvane {
namespace {

using Json = nlohmann::ordered_json;

const char* SoftwareName(SoftwareKind kind) {
  return kind == SoftwareKind::RexEdit ? "rexedit" : "ezedit";
}

Json Describe(const std::string& source, const ProbeOptions& options, const ProjectProbe& probe) {
  const ProjectFacts& facts = probe.facts;
  Json fits = Json::array();
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    if (probe.fit.Fits(kind)) {
      fits.push_back(SoftwareName(kind));
    }
  }
  Json media = Json::array();
  for (const ProbedMedia& item : LocateProbedMedia(source, options, probe)) {
    const MediaLocation& location = item.found.location;
    media.push_back({{"name", item.name}, {"path", location.path}, {"exists", location.exists}});
    if (!options.relinkFolders.empty()) {
      if (location.exists) {
        media.back()["match"] = MatchWord(location.match);
      }
      media.back()["others"] = item.found.others;
    }
  }
  Json json = {
      {"file", source},
      {"version", VersionText(facts.version)},
      {"fits", fits},
      {"software", SoftwareName(probe.software)},
  };
  if (!probe.refusal.empty()) {
    json["refusal"] = probe.refusal;
  }
  json["clips"] = {{"main", facts.mainClips},
                   {"insert", facts.insertClips},
                   {"exaudio1", facts.exAudio1Clips},
                   {"exaudio2", facts.exAudio2Clips}};
  json["effects"] = facts.effects;
  json["titles"] = facts.titles;
  json["binItems"] = facts.binItems;
  json["mainLength"] = {{"frames", facts.mainLength}, {"timecode", LengthText(facts.mainLength, options.timecode)}};
  json["media"] = media;
  return json;
}

std::string Text(const Json& json) {
  std::string fits;
  for (const Json& kind : json["fits"]) {
    fits += (fits.empty() ? "" : ", ") + kind.get<std::string>();
  }
  const Json& clips = json["clips"];
  const auto number = [](const Json& value) { return std::to_string(value.get<int>()); };
  std::string text = json["file"].get<std::string>() + "\n";
  text += "  version: " + json["version"].get<std::string>() + "\n";
  text += "  fits: " + (fits.empty() ? std::string("none") : fits) + "\n";
  text += "  read as: " + json["software"].get<std::string>() + "\n";
  if (json.contains("refusal")) {
    text += "  refused: " + json["refusal"].get<std::string>() + "\n";
  }
  text += "  clips: main " + number(clips["main"]) + ", insert " + number(clips["insert"]) + ", exaudio1 " +
          number(clips["exaudio1"]) + ", exaudio2 " + number(clips["exaudio2"]) + "\n";
  text += "  effects: " + number(json["effects"]) + ", titles: " + number(json["titles"]) +
          ", bin items: " + number(json["binItems"]) + "\n";
  text += "  main length: " + json["mainLength"]["timecode"].get<std::string>() + "\n";
  for (const Json& item : json["media"]) {
    text += std::string("  media: ") + (item["exists"].get<bool>() ? "found  " : "missing") + " " +
            item["name"].get<std::string>() + "\n";
    if (item.contains("match")) {
      text += "    at " + item["path"].get<std::string>() + " (" + item["match"].get<std::string>() + ")\n";
    }
    for (const Json& other : item.value("others", Json::array())) {
      text += "    also " + other.get<std::string>() + "\n";
    }
  }
  return text;
}

}  // namespace

std::string VersionText(int version) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x.%02x", (version >> 8) & 0xff, version & 0xff);
  return text;
}

std::string LengthText(std::int64_t frames, TimecodeMode mode) {
  const TimecodeText timecode = FormatTimecode(static_cast<std::int32_t>(frames), mode);
  std::string_view text = timecode.View();
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));  // "%6d" of Frames
  return std::string(text);
}

std::vector<ProbedMedia> LocateProbedMedia(const std::string& source, const ProbeOptions& options,
                                           const ProjectProbe& probe) {
  const std::shared_ptr<MediaTrees> trees = options.trees ? options.trees : std::make_shared<MediaTrees>();
  std::vector<std::shared_ptr<const MediaTree>> relink;
  for (const std::string& folder : options.relinkFolders) {
    relink.push_back(trees->Tree(folder));
  }
  const MediaFinder finder(MediaFolder(options.mediaDir, source), relink);  // each folder read once
  std::vector<ProbedMedia> media;
  for (const std::string& raw : probe.mediaNames) {
    std::string name = DecodeShiftJis(raw);
    FoundMedia found = finder.Find(name);
    media.push_back({std::move(name), std::move(found)});
  }
  return media;
}

std::string ProbeReport(const std::string& source, const ProbeOptions& options, const ProjectProbe& probe) {
  const Json json = Describe(source, options, probe);
  return options.json ? json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n" : Text(json);
}

}  // namespace morvane
