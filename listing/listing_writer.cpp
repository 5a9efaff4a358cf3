#include "listing/listing_writer.h"

#include <algorithm>

#include "listing/conversion_error.h"

namespace morvane {

ListingWriter::ListingWriter(int fd) {
  if (fd >= 0) {
    file_ = std::make_unique<WriteBehind>(fd);
    size_ = kFileBufferSize;
  }
  buffer_.reset(new char[size_]);
  next_ = buffer_.get();
  limit_ = next_ + size_;
}

ListingWriter::ListingWriter(std::string& out) : ListingWriter(-1) { string_ = &out; }

ListingWriter::ListingWriter(Discard) : ListingWriter(-1) { discard_ = true; }

ListingWriter::~ListingWriter() = default;

void ListingWriter::Drain() {
  if (!file_) {
    Flush();
    return;
  }
  if (!file_->Hand(buffer_.get(), static_cast<std::size_t>(next_ - buffer_.get()))) {
    throw ConversionError(ConversionFailure::WriteError, file_->FailureReason());
  }
  if (!spare_) {
    spare_.reset(new char[size_]);
  }
  std::swap(buffer_, spare_);
  next_ = buffer_.get();
  limit_ = next_ + size_;
}

void ListingWriter::Flush() {
  const auto size = static_cast<std::size_t>(next_ - buffer_.get());
  if (discard_) {
  } else if (string_ != nullptr) {
    string_->append(buffer_.get(), size);
  } else if (file_ && !file_->Write(buffer_.get(), size)) {
    throw ConversionError(ConversionFailure::WriteError, file_->FailureReason());
  }
  next_ = buffer_.get();
}

void ListingWriter::WriteLong(std::string_view text) {
  if (file_) {
    // Through the buffers, so that the file's thread goes on writing in order.
    while (!text.empty()) {
      if (next_ == limit_) {
        Drain();
      }
      const std::size_t part = std::min(text.size(), static_cast<std::size_t>(limit_ - next_));
      std::memcpy(next_, text.data(), part);
      next_ += part;
      text.remove_prefix(part);
    }
    return;
  }
  Flush();
  if (text.size() < size_) {
    std::memcpy(next_, text.data(), text.size());
    next_ += text.size();
  } else if (string_ != nullptr) {
    string_->append(text);
  }
}

}  // namespace morvane
