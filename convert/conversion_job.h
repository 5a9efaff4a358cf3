#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "interchange/exports.h"
#include "listing/format_kinds.h"
#include "listing/media_finder.h"
#include "listing/progress_sink.h"
#include "platform/file_access.h"

namespace morvane {

// What a conversion did, as facts; convert/messages.h words them for each front end.
struct ConversionOutcome {
  enum class Kind {
    Completed,
    SourceOpenFailed,       // missing, empty path, a folder, in use by another conversion
    DestinationOpenFailed,  // empty path, not writable, folder missing, in use (the source itself)
    EndsTooEarly,           // the file ended long before its counts did
    OverCapacity,           // a track holds more clips than the editors allow
    ReadFailed,
    WriteFailed,            // a full disk, an I/O error, a closed pipe
    NoFrameRate,            // an export in FRAME mode
    DestinationExists,      // a file of the export exists and is to be kept
    Withdrawn,              // written, then not put in place: the front end was asked and declined
    OutOfMemory,            // an allocation failed: nothing is put in place
  };

  Kind kind = Kind::Completed;
  std::string source;       // the source as the user gave it
  std::string destination;  // the destination as the user gave it ("-" and the like for a descriptor)
  // The file a failure concerns (the one that could not be opened, or the existing one that was
  // kept) and the operating system's reason ("Permission denied"); each empty when there is none.
  std::string file{};
  std::string reason{};
  // OverCapacity: the track's heading ("[MainAV]"), the clips it holds and how many it may.
  std::string heading{};
  std::int32_t count = 0;
  std::int32_t capacity = 0;

  // Once the source was read: the layout the conversion read with, whether it fits (converted
  // exactly to the file's last byte), and whether the other one fits, which is checked only
  // when the first does not (false otherwise). Also known after a refusal.
  SoftwareKind software = SoftwareKind::RexEdit;
  bool fits = false;
  bool otherFits = false;
  // Completed without fitting: true when the file ended before the reads did (what followed read
  // as zeros), false when bytes were left after them.
  bool endedEarly = false;

  // Every file put in place, the one named first (several for a CMX 3600 export); empty unless
  // completed.
  std::vector<std::string> written{};
  // DestinationExists: every existing file of the export that was to be kept, file first.
  std::vector<std::string> kept{};
  // An export: its format and what it changed so that the format holds the edit, or left out,
  // per kind (none when the edit went over whole).
  ExportFormat format = ExportFormat::Listing;
  std::vector<ExportNote> changes{};
  // Temporaries of this program's naming found beside the destinations once the text was
  // written, left by conversions that were killed; those abandoned for over a day removed.
  std::vector<StaleTemporary> staleTemporaries{};

  bool completed() const { return kind == Kind::Completed; }
  // The layout read with does not fit the project and the other one does.
  bool OnlyOtherFits() const { return !fits && otherFits; }
  // Converted, although neither layout fits the project.
  bool FitsNeither() const { return completed() && !fits && !otherFits; }
};

// One conversion: opens the source for exclusive reading and the destination for exclusive
// writing, lists the project and its EDL into the destination, closes both and says how it went.
//
// The files are handled as platform/file_access.h describes: a file that another conversion
// holds cannot be opened, and a destination that is the source itself (the same path, a
// symbolic or a hard link) gives "Can not open destination file" and leaves the project
// untouched. Nothing is lost: the text goes to a temporary file beside a regular destination,
// which replaces the destination (keeping its permissions) only when the conversion has
// succeeded and the text is on the disk. After any failure the destination is exactly as it
// was, and a destination that did not exist does not appear. A destination that is not a
// regular file (a pipe, a terminal, /dev/null) is written directly.
class ConversionJob {
 public:
  ConversionJob(std::string sourcePath, std::string destinationPath, ConversionSettings settings);

  // Writes the text to an open descriptor (standard output) instead of a path; it is neither
  // locked nor closed. displayName stands for it in the completion message.
  static ConversionJob ToDescriptor(std::string sourcePath, int fd, std::string displayName,
                                    ConversionSettings settings);

  // Reads with the layout that fits the source instead of the settings' software: RexEdit when
  // both or neither fit (then fits is false). Costs one parse more, two when RexEdit does not
  // fit. A source that cannot seek is read as RexEdit.
  void ChooseSoftwareByFit() { chooseByFit_ = true; }

  // What to write and how: the listing (the default) or the timeline in another format, its
  // media looked up in mediaFolder (empty: the project's own folder). An export's files go where
  // the destination says: the one named and, for a format of several files, one beside it per
  // further track (ExportPath). All are written to temporaries first and put in place together.
  // With keepExisting, a conversion that would replace an existing file fails with
  // DestinationExists and touches nothing; the listing's file is checked before the source is
  // opened, an export's files all together once the export knows them. The further files of a set are the user's too although not named: unless
  // replaceFurther, any of them that exists is kept the same way (the outcome lists each). An
  // export in FRAME mode fails with NoFrameRate before any file is opened. start is the record
  // time of the timeline's first frame, in frames. Media missing from mediaFolder are looked for
  // under each of relinkFolders and its subfolders (listing/media_finder.h), each read once for
  // every job that shares trees (none: the job reads them itself).
  struct Export {
    ExportFormat format = ExportFormat::Listing;
    std::string mediaFolder;
    bool keepExisting = false;
    bool replaceFurther = false;
    std::int64_t start = 0;
    std::vector<std::string> relinkFolders{};
    std::shared_ptr<MediaTrees> trees{};
  };
  void SetExport(Export exportSettings) { export_ = std::move(exportSettings); }

  // Asked once every text is written and before any file is put in place, when the layout read
  // with does not fit the project and the other one does (facts says so): true puts the files
  // in place, false discards them and the outcome is Withdrawn. Without it they are put in place.
  using Confirm = std::function<bool(const ConversionOutcome& facts)>;
  void ConfirmWhenOnlyOtherFits(Confirm confirm) { confirm_ = std::move(confirm); }

  // Runs the conversion to its end on the calling thread (an export reads its relinking folders
  // on a second one meanwhile), reporting to progress (whose bar the caller has set to 0 of 200). When the project does not fit the layout, the source is read
  // once more with the other layout, its text and progress going nowhere.
  ConversionOutcome Run(ProgressSink& progress) const;

 private:
  std::string sourcePath_;
  std::string destinationPath_;
  int destinationFd_ = -1;
  ConversionSettings settings_;
  Export export_;
  bool chooseByFit_ = false;
  Confirm confirm_;

  ConversionOutcome RunListing(ProgressSink& progress) const;
  ConversionOutcome RunExport(ProgressSink& progress) const;
  // An outcome that knows the job's paths.
  ConversionOutcome Facts() const;
  // With keepExisting, whether path is a file to keep (a descriptor is never kept).
  bool KeepsExisting(const std::string& path) const;
};

}  // namespace morvane
