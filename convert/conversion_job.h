#pragma once

#include <string>

#include "listing/format_kinds.h"
#include "listing/progress_sink.h"

namespace morvane {

enum class MessageIcon {
  None,     // the completion message
  Warning,  // every failure (an exclamation mark)
};

// How a conversion ended, with the text and icon of the message a front end shows.
struct ConversionOutcome {
  enum class Kind {
    Completed,
    SourceOpenFailed,       // missing, empty path, a folder, in use by another conversion
    DestinationOpenFailed,  // empty path, not writable, folder missing, in use (the source itself)
    EndsTooEarly,           // the file ended long before its counts did
    OverCapacity,           // a track holds more clips than the editors allow
    ReadFailed,
    WriteFailed,            // a full disk, an I/O error, a closed pipe
  };

  Kind kind = Kind::Completed;
  std::string message;
  MessageIcon icon = MessageIcon::None;
  std::string hint;  // a second paragraph for the user (empty: none)
  // The operating system's reason for a failed open or write ("Permission denied"), apart
  // from message so that the dialog's texts stay as they are; empty when there is none.
  std::string reason;

  bool completed() const { return kind == Kind::Completed; }
};

// One conversion: opens the source for exclusive reading and the destination for exclusive
// writing, lists the project and its EDL into the destination, closes both and says how it went.
//
// The files are handled as convert/file_access.h describes: a file that another conversion
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

  // Runs the conversion to its end on the calling thread, reporting to progress (whose bar the
  // caller has set to 0 of 200).
  ConversionOutcome Run(ProgressSink& progress) const;

 private:
  std::string sourcePath_;
  std::string destinationPath_;
  int destinationFd_ = -1;
  ConversionSettings settings_;
};

}  // namespace morvane
