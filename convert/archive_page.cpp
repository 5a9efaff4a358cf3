#include "convert/archive_page.h"

#include <cstdio>
#include <utility>

#include "convert/project_page.h"
#include "interchange/svg_writer.h"
#include "listing/conversion_error.h"
#include "listing/media_names.h"
#include "listing/unicode_compose.h"
#include "platform/file_io.h"

namespace morvane {

namespace {

const char* EditorWord(SoftwareKind kind) { return kind == SoftwareKind::RexEdit ? "RexEdit" : "EzEdit"; }

// "H:MM:SS" of thousandths of a second.
std::string Clock(std::int64_t thousandths) {
  const std::int64_t seconds = thousandths / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

}  // namespace

ArchivePage::ArchivePage(ProbeOptions options) : options_(std::move(options)) {
  scratch_ = OpenScratchFile();
  sections_ = scratch_ >= 0 ? std::make_unique<ListingWriter>(scratch_) : std::make_unique<ListingWriter>(memory_);
}

ArchivePage::~ArchivePage() {
  sections_.reset();
  if (scratch_ >= 0) {
    CloseDescriptor(scratch_);
  }
}

void ArchivePage::Add(const std::string& source, int fd) {
  PageProject project = ReadPageProject(source, fd, options_);
  project.timeline.page = &project.facts;
  const std::string id = "p" + std::to_string(rows_.size() + 1);
  WriteProjectSection(project.timeline, options_.timecode, project.facts, id, notes_, *sections_);

  SummaryRow row;
  row.id = id;
  row.name = project.timeline.name;
  row.editor = EditorWord(project.probe.software);
  const std::int64_t frames = project.timeline.Duration();
  row.length = LengthText(frames, options_.timecode);
  const ProjectFacts& facts = project.probe.facts;
  row.clips = std::int64_t{facts.mainClips} + facts.insertClips + facts.exAudio1Clips + facts.exAudio2Clips;
  row.media = static_cast<std::int64_t>(project.facts.media.size());
  for (const PageMedia& media : project.facts.media) {
    row.missing += media.found ? 0 : 1;
    const auto [entry, added] = media_.emplace(FoldAsciiCase(ComposeNfc(MediaBaseName(media.name))), media.found);
    entry->second = entry->second && media.found;
  }
  row.refusal = project.probe.refusal;
  std::string picture;
  ListingWriter pictureOut(picture);
  WriteSvg(project.timeline, options_.timecode, {id + "-t-", false, true}, notes_, pictureOut);
  pictureOut.Flush();
  row.picture = std::move(picture);
  rows_.push_back(std::move(row));
  seconds_ += frames * 1000 * project.timeline.rate.denominator / project.timeline.rate.numerator;
}

void ArchivePage::AddUnread(const std::string& source, const std::string& why) {
  totals_.unread.push_back(source + ": " + why);
}

void ArchivePage::Write(ListingWriter& out) {
  totals_.projects = static_cast<std::int64_t>(rows_.size());
  totals_.length = Clock(seconds_);
  totals_.media = static_cast<std::int64_t>(media_.size());
  for (const auto& [name, found] : media_) {
    (found ? totals_.found : totals_.missing) += 1;
  }
  WritePageHead(totals_.projects == 1 ? "1 project" : std::to_string(totals_.projects) + " projects", out);
  WriteSummary(rows_, totals_, notes_, out);
  sections_->Flush();
  if (scratch_ < 0) {
    out.WriteText(memory_);
  } else {
    if (!Rewind(scratch_)) {
      throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
    }
    char buffer[64 * 1024];
    for (;;) {
      const std::ptrdiff_t n = ReadSome(scratch_, buffer, sizeof buffer);
      if (n < 0) {
        throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
      }
      if (n == 0) {
        break;
      }
      out.WriteText(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
  }
  WritePageEnd(out);
}

}  // namespace morvane
