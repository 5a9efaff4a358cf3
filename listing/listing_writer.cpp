#include "listing/listing_writer.h"

#include "listing/conversion_error.h"
#include "platform/file_io.h"

namespace morvane {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
// How much is written before the system is asked to begin writing it to the disk: a large
// file's last flush then waits for the last few megabytes instead of the whole file.
constexpr std::size_t kWriteBackEvery = 4 * 1024 * 1024;
}  // namespace

void ListingWriter::WriteAllOrThrow(const char* data, std::size_t size) {
  if (!WriteAll(fd_, data, size)) {
    throw ConversionError(ConversionFailure::WriteError, IoFailureReason());
  }
  unflushed_ += size;
  if (unflushed_ >= kWriteBackEvery) {
    StartWriteBack(fd_);
    unflushed_ = 0;
  }
}

ListingWriter::ListingWriter(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {
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
