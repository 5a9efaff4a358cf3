#include "listing/source_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "listing/conversion_error.h"

namespace morvane {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

SourceReader::SourceReader(int fd) : fd_(fd), buffer_(new std::uint8_t[kBufferSize]) {}

SourceReader::SourceReader(std::span<const std::uint8_t> bytes)
    : next_(bytes.data()), end_(bytes.data() + bytes.size()), bufferBegin_(bytes.data()) {}

SourceReader::~SourceReader() = default;

std::uint64_t SourceReader::Position() const {
  return bufferStart_ + static_cast<std::uint64_t>(next_ - bufferBegin_) + positionPastEnd_;
}

bool SourceReader::Refill() {
  if (atEnd_ || fd_ < 0) {
    atEnd_ = true;
    return false;
  }
  bufferStart_ += static_cast<std::uint64_t>(end_ - bufferBegin_);
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.get(), kBufferSize);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    throw ConversionError(ConversionFailure::ReadError);
  }
  bufferBegin_ = next_ = buffer_.get();
  end_ = buffer_.get() + n;
  if (n == 0) {
    atEnd_ = true;
    return false;
  }
  return true;
}

bool SourceReader::EndsHere() {
  if (positionPastEnd_ != 0 || next_ != end_ || Refill()) {
    return false;
  }
  // A forward seek can pass the end of a regular file unnoticed; its size tells.
  struct stat st {};
  if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
    return Position() == static_cast<std::uint64_t>(st.st_size);
  }
  return true;
}

void SourceReader::CountPastEnd(std::uint64_t n) {
  pastEnd_ += n;
  positionPastEnd_ += n;
  if (pastEnd_ > kPastEndLimit) {
    throw ConversionError(ConversionFailure::EndsTooEarly);
  }
}

std::uint8_t SourceReader::ReadSlowU8() {
  if (Refill()) {
    return *next_++;
  }
  CountPastEnd(1);
  return 0;
}

std::uint16_t SourceReader::ReadU16() {
  if (end_ - next_ >= 2) {
    const auto v = static_cast<std::uint16_t>(next_[0] | next_[1] << 8);
    next_ += 2;
    return v;
  }
  const std::uint16_t b0 = ReadU8();
  const std::uint16_t b1 = ReadU8();
  return static_cast<std::uint16_t>(b0 | b1 << 8);
}

std::uint32_t SourceReader::ReadU24() {
  const std::uint32_t b0 = ReadU8();
  const std::uint32_t b1 = ReadU8();
  const std::uint32_t b2 = ReadU8();
  return b0 | b1 << 8 | b2 << 16;
}

std::int32_t SourceReader::ReadSlowU32() {
  const std::uint32_t b0 = ReadU8();
  const std::uint32_t b1 = ReadU8();
  const std::uint32_t b2 = ReadU8();
  const std::uint32_t b3 = ReadU8();
  return static_cast<std::int32_t>(b0 | b1 << 8 | b2 << 16 | b3 << 24);
}

void SourceReader::ReadChars(char* buffer, std::int32_t n) {
  if (n <= 0) {
    return;  // no byte to read and no room for a terminator
  }
  std::size_t wanted = static_cast<std::size_t>(n) - 1;
  char* out = buffer;
  while (wanted > 0) {
    if (next_ == end_ && !Refill()) {
      std::memset(out, 0, wanted);
      CountPastEnd(wanted);
      out += wanted;
      break;
    }
    const std::size_t take = std::min(wanted, static_cast<std::size_t>(end_ - next_));
    std::memcpy(out, next_, take);
    next_ += take;
    out += take;
    wanted -= take;
  }
  *out = '\0';
}

ShortString SourceReader::ReadShortString() {
  ShortString text;
  const std::uint8_t length = ReadU8();
  ReadChars(text.Buffer(), length + 1);
  return text;
}

void SourceReader::Skip(std::uint64_t n) {
  const auto available = static_cast<std::uint64_t>(end_ - next_);
  if (n <= available) {
    next_ += n;
    return;
  }
  n -= available;
  next_ = end_;
  if (atEnd_ || fd_ < 0) {
    atEnd_ = true;
    positionPastEnd_ += n;
    return;
  }
  // Seek forward over a regular file; a pipe cannot seek, so read and drop its bytes instead.
  if (n <= static_cast<std::uint64_t>(INT64_MAX) &&
      ::lseek(fd_, static_cast<off_t>(n), SEEK_CUR) != static_cast<off_t>(-1)) {
    bufferStart_ += static_cast<std::uint64_t>(end_ - bufferBegin_) + n;
    bufferBegin_ = next_ = end_;
    return;
  }
  while (n > 0) {
    if (!Refill()) {
      positionPastEnd_ += n;
      return;
    }
    const std::uint64_t take = std::min(n, static_cast<std::uint64_t>(end_ - next_));
    next_ += take;
    n -= take;
  }
}

}  // namespace morvane
