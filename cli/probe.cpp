#include "cli/probe.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "convert/layout_fit.h"
#include "convert/media_folder.h"
#include "convert/messages.h"
#include "edl/timecode.h"
#include "listing/conversion_error.h"
#include "listing/media_names.h"
#include "platform/file_access.h"
#include "platform/shift_jis.h"

namespace morvane {
namespace {

using Json = nlohmann::ordered_json;

const char* SoftwareName(SoftwareKind kind) {
  return kind == SoftwareKind::RexEdit ? "rexedit" : "ezedit";
}

std::string VersionText(int version) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x.%02x", (version >> 8) & 0xff, version & 0xff);
  return text;
}

std::string LengthText(std::int32_t frames, TimecodeMode mode) {
  const TimecodeText timecode = FormatTimecode(frames, mode);
  std::string_view text = timecode.View();
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));  // "%6d" of Frames
  return std::string(text);
}

Json Describe(const std::string& source, const ProbeOptions& options, const ProjectProbe& probe) {
  const ProjectFacts& facts = probe.facts;
  Json fits = Json::array();
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    if (probe.fit.Fits(kind)) {
      fits.push_back(SoftwareName(kind));
    }
  }
  const MediaIndex folder(MediaFolder(options.mediaDir, source));  // read once for every name
  Json media = Json::array();
  for (const std::string& raw : probe.mediaNames) {
    const std::string name = DecodeShiftJis(raw);
    const MediaLocation location = folder.Locate(name);
    media.push_back({{"name", name}, {"path", location.path}, {"exists", location.exists}});
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

void PrintText(const Json& json, std::FILE* out) {
  std::string fits;
  for (const Json& kind : json["fits"]) {
    fits += (fits.empty() ? "" : ", ") + kind.get<std::string>();
  }
  const Json& clips = json["clips"];
  std::fprintf(out, "%s\n", json["file"].get<std::string>().c_str());
  std::fprintf(out, "  version: %s\n", json["version"].get<std::string>().c_str());
  std::fprintf(out, "  fits: %s\n", fits.empty() ? "none" : fits.c_str());
  std::fprintf(out, "  read as: %s\n", json["software"].get<std::string>().c_str());
  if (json.contains("refusal")) {
    std::fprintf(out, "  refused: %s\n", json["refusal"].get<std::string>().c_str());
  }
  std::fprintf(out, "  clips: main %d, insert %d, exaudio1 %d, exaudio2 %d\n", clips["main"].get<int>(),
               clips["insert"].get<int>(), clips["exaudio1"].get<int>(), clips["exaudio2"].get<int>());
  std::fprintf(out, "  effects: %d, titles: %d, bin items: %d\n", json["effects"].get<int>(),
               json["titles"].get<int>(), json["binItems"].get<int>());
  std::fprintf(out, "  main length: %s\n", json["mainLength"]["timecode"].get<std::string>().c_str());
  for (const Json& item : json["media"]) {
    std::fprintf(out, "  media: %s %s\n", item["exists"].get<bool>() ? "found  " : "missing",
                 item["name"].get<std::string>().c_str());
  }
}

}  // namespace

bool ProbeSources(const ProbeOptions& options, const std::vector<std::string>& sources, std::FILE* out) {
  bool allRead = true;
  for (const std::string& source : sources) {
    SourceFile file;
    std::string reason;
    if (!file.Open(source, reason)) {
      std::fprintf(stderr, "morvane-convert: %s: %s (%s)\n", source.c_str(), std::string(kSourceOpenFailed).c_str(),
                   reason.c_str());
      allRead = false;
      continue;
    }
    ProjectProbe probe;
    try {
      probe = ProbeProject(file.Descriptor(), options.software);
    } catch (const ConversionError&) {
      std::fprintf(stderr, "morvane-convert: %s: %s\n", source.c_str(), std::string(kReadFailed).c_str());
      allRead = false;
      continue;
    }
    const Json json = Describe(source, options, probe);
    if (options.json) {
      std::fprintf(out, "%s\n", json.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
    } else {
      PrintText(json, out);
    }
  }
  return allRead;
}

}  // namespace morvane
