#include "listing/listing_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "listing/conversion_error.h"

namespace morvane {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
// Windows' write() takes an unsigned int count: long texts go in pieces of at most 1 GiB.
constexpr std::size_t kMaxWrite = std::size_t{1} << 30;

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const auto n = ::write(fd, data, static_cast<unsigned>(std::min(size, kMaxWrite)));
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw ConversionError(ConversionFailure::WriteError);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}
}  // namespace

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
    WriteAll(fd_, buffer_.get(), size);
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
    WriteAll(fd_, text.data(), text.size());
  }
}

}  // namespace morvane
