#include "listing/listing_writer.h"

#include <algorithm>

#include "listing/conversion_error.h"
#include "platform/file_io.h"

namespace morvane {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
// How much is written before the system is asked to begin writing it to the disk: first a
// little, so that a file of a few megabytes is on its way to the disk while the rest is made
// (its last flush waited 2 to 3 ms for 3 MB, against a quarter of a millisecond so), then twice
// as much each time up to a few megabytes, so that a large file asks a few dozen times and its
// last flush waits for a few megabytes at most.
constexpr std::size_t kFirstWriteBack = 256 * 1024;
constexpr std::size_t kLargestWriteBack = 4 * 1024 * 1024;
}  // namespace

void ListingWriter::WriteAllOrThrow(const char* data, std::size_t size) {
  if (!WriteAll(fd_, data, size)) {
    throw ConversionError(ConversionFailure::WriteError, IoFailureReason());
  }
  unflushed_ += size;
  if (unflushed_ >= writeBackEvery_) {
    StartWriteBack(fd_);
    unflushed_ = 0;
    writeBackEvery_ = std::min(2 * writeBackEvery_, kLargestWriteBack);
  }
}

ListingWriter::ListingWriter(int fd) : fd_(fd), writeBackEvery_(kFirstWriteBack), buffer_(new char[kBufferSize]) {
  next_ = buffer_.get();
  limit_ = next_ + kBufferSize;
}

ListingWriter::ListingWriter(std::string& out) : ListingWriter(-1) { string_ = &out; }

ListingWriter::ListingWriter(Discard) : ListingWriter(-1) { discard_ = true; }

ListingWriter::~ListingWriter() = default;

void ListingWriter::Flush() {
  const auto size = static_cast<std::size_t>(next_ - buffer_.get());
  if (discard_) {
  } else if (string_ != nullptr) {
    string_->append(buffer_.get(), size);
  } else {
    WriteAllOrThrow(buffer_.get(), size);
  }
  next_ = buffer_.get();
}

void ListingWriter::WriteLong(std::string_view text) {
  Flush();
  if (text.size() < kBufferSize) {
    std::memcpy(next_, text.data(), text.size());
    next_ += text.size();
    return;
  }
  if (discard_) {
  } else if (string_ != nullptr) {
    string_->append(text);
  } else {
    WriteAllOrThrow(text.data(), text.size());
  }
}

}  // namespace morvane
