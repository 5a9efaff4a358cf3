#include "listing/source_reader.h"

#include <algorithm>
#include <cstring>

#include "listing/conversion_error.h"
#include "platform/file_io.h"

namespace morvane {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
// What reads past the end of the file are served from, a block at a time.
constexpr std::size_t kZeroBlockSize = 16 * 1024;
const std::uint8_t kZeros[kZeroBlockSize] = {};
}  // namespace

SourceReader::SourceReader(int fd, std::uint64_t pastEndLimit)
    : fd_(fd), buffer_(new std::uint8_t[kBufferSize]), pastEndLimit_(pastEndLimit) {}

SourceReader::SourceReader(std::span<const std::uint8_t> bytes, std::uint64_t pastEndLimit)
    : next_(bytes.data()),
      end_(bytes.data() + bytes.size()),
      bufferBegin_(bytes.data()),
      pastEndLimit_(pastEndLimit) {}

SourceReader::~SourceReader() = default;

std::uint64_t SourceReader::Position() const {
  return bufferStart_ + static_cast<std::uint64_t>(next_ - bufferBegin_) + skippedPastEnd_;
}

bool SourceReader::Refill() {
  // Called with the current piece used up.
  const auto used = static_cast<std::uint64_t>(end_ - bufferBegin_);
  bufferStart_ += used;
  if (inZeros_) {
    pastEnd_ += used;
  }
  if (!atEnd_ && fd_ >= 0) {
    const std::ptrdiff_t n = ReadSome(fd_, buffer_.get(), kBufferSize);
    if (n < 0) {
      throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
    }
    if (n > 0) {
      bufferBegin_ = next_ = buffer_.get();
      end_ = buffer_.get() + n;
      return true;
    }
  }
  atEnd_ = true;
  inZeros_ = true;
  const std::uint64_t allowed = pastEndLimit_ > pastEnd_ ? pastEndLimit_ - pastEnd_ : 0;
  bufferBegin_ = next_ = kZeros;
  end_ = kZeros + std::min<std::uint64_t>(allowed, kZeroBlockSize);
  return next_ != end_;
}

SourceReader::Ending SourceReader::HowItEnds() {
  if (BytesPastEnd() != 0 || skippedPastEnd_ != 0) {
    return Ending::PastEnd;
  }
  if (!inZeros_ && (next_ != end_ || (Refill() && !inZeros_))) {
    return Ending::BytesLeft;
  }
  // A forward seek can pass the end of a regular file unnoticed; its size tells.
  if (const auto size = fd_ >= 0 ? RegularFileSize(fd_) : std::nullopt) {
    return Position() == *size ? Ending::Exact : Position() > *size ? Ending::PastEnd : Ending::BytesLeft;
  }
  return Ending::Exact;
}

void SourceReader::CountPastEnd(std::uint64_t n) {
  pastEnd_ += n;
  bufferStart_ += n;
  if (pastEnd_ > pastEndLimit_) {
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

std::uint16_t SourceReader::ReadSlowU16() {
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

void SourceReader::DropSlow(std::uint64_t n) {
  while (n > 0) {
    if (next_ == end_ && !Refill()) {
      CountPastEnd(n);  // as ReadChars counts what the allowance no longer covers
      return;
    }
    const std::uint64_t take = std::min(n, static_cast<std::uint64_t>(end_ - next_));
    next_ += take;
    n -= take;
  }
}

ShortString SourceReader::ReadShortString() {
  ShortString text;
  const std::uint8_t length = ReadU8();
  ReadChars(text.Buffer(), length + 1);
  return text;
}

void SourceReader::Skip(std::uint64_t n) {
  if (inZeros_) {
    skippedPastEnd_ += n;
    return;
  }
  const auto available = static_cast<std::uint64_t>(end_ - next_);
  if (n <= available) {
    next_ += n;
    return;
  }
  n -= available;
  next_ = end_;
  if (fd_ < 0) {
    skippedPastEnd_ += n;
    return;
  }
  // Seek forward over a regular file; a pipe cannot seek, so read and drop its bytes instead.
  if (SeekForward(fd_, n)) {
    bufferStart_ += static_cast<std::uint64_t>(end_ - bufferBegin_) + n;
    bufferBegin_ = next_ = end_;
    return;
  }
  while (n > 0) {
    Refill();
    if (inZeros_) {
      skippedPastEnd_ += n;  // skipped, not read: the zeros are not counted
      return;
    }
    const std::uint64_t take = std::min(n, static_cast<std::uint64_t>(end_ - next_));
    next_ += take;
    n -= take;
  }
}

}  // namespace morvane
