#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "listing/short_string.h"

namespace morvane {

// Once more than this many bytes have been read past the end of the source, the conversion is
// refused: a short file with huge counts would otherwise list zeros for hours. The program's
// allowance; a reader can be given another (the fuzz target uses a small one).
inline constexpr std::uint64_t kPastEndLimit = 1024 * 1024;

// Reads the fields of a project file strictly from front to back. Little-endian; every byte
// past the end of the file reads as 0 (the two bytes 34 12 followed by the end of the file read
// as the ReadU32 value 4660). Never seeks back and never reads a byte twice.
//
// Bytes read past the end are counted (skips are not). When the count exceeds the allowance
// pastEndLimit the read throws ConversionError(EndsTooEarly); a failing read of the file throws
// ReadError. Past the end the reader serves its zeros from a block of zeros, as it serves the
// file from its buffer, so reading there costs no call per byte.
class SourceReader {
 public:
  // Reads the open file fd (not owned, not closed) through a buffer of its own.
  explicit SourceReader(int fd, std::uint64_t pastEndLimit = kPastEndLimit);
  // Reads bytes held in memory; they must outlive the reader.
  explicit SourceReader(std::span<const std::uint8_t> bytes,
                        std::uint64_t pastEndLimit = kPastEndLimit);
  ~SourceReader();
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // One byte: 0 to 255.
  std::uint8_t ReadU8() {
    if (next_ < end_) {
      return *next_++;
    }
    return ReadSlowU8();
  }
  // b0 + b1*256: 0 to 65535.
  std::uint16_t ReadU16() {
    if (end_ - next_ >= 2) {
      const auto v = static_cast<std::uint16_t>(next_[0] | next_[1] << 8);
      next_ += 2;
      return v;
    }
    return ReadSlowU16();
  }
  // b0 + b1*2^8 + b2*2^16: 0 to 2^24 - 1.
  std::uint32_t ReadU24();
  // The 32-bit pattern of four bytes, held signed as the editors held it: FF FF FF FF gives -1.
  std::int32_t ReadU32() {
    if (end_ - next_ >= 4) {
      const std::uint32_t v = std::uint32_t{next_[0]} | std::uint32_t{next_[1]} << 8 |
                              std::uint32_t{next_[2]} << 16 | std::uint32_t{next_[3]} << 24;
      next_ += 4;
      return static_cast<std::int32_t>(v);
    }
    return ReadSlowU32();
  }
  // The next n bytes at once, where the buffer holds them all: taken as n reads of a byte would
  // take them. Else null, and nothing is taken: the caller reads them field by field.
  const std::uint8_t* Take(std::size_t n) {
    if (static_cast<std::size_t>(end_ - next_) < n) {
      return nullptr;
    }
    const std::uint8_t* const taken = next_;
    next_ += n;
    return taken;
  }
  // Stores n - 1 bytes in buffer[0..n-2] and a zero at buffer[n-1]; with n <= 1 it reads
  // nothing (and stores the zero only when n is 1).
  void ReadChars(char* buffer, std::int32_t n);
  // A length byte L, then L bytes: L + 1 bytes in all; L = 0 gives the empty text.
  ShortString ReadShortString();
  // Reads n bytes and drops them: what reading them field by field does, bytes past the end
  // counted as read (unlike Skip), without the fields. For a conversion that lists nothing.
  void Drop(std::uint64_t n) {
    if (static_cast<std::uint64_t>(end_ - next_) >= n) {
      next_ += n;
      return;
    }
    DropSlow(n);
  }
  // A string field dropped as ReadShortString would read it.
  void DropShortString() { Drop(ReadU8()); }
  // Passes over n bytes without reading them; past the end of the file this costs nothing.
  void Skip(std::uint64_t n);

  // Bytes consumed so far, skips included (64-bit: skips never wrap).
  std::uint64_t Position() const;
  // Bytes that were read (not skipped) beyond the end of the file.
  std::uint64_t BytesPastEnd() const {
    return pastEnd_ + (inZeros_ ? static_cast<std::uint64_t>(next_ - bufferBegin_) : 0);
  }
  // How the reads so far met the end of the file: exactly (no byte is left, and none was read or
  // skipped past the end), past it (the file ended first: bytes read or skipped beyond it), or
  // short of it (bytes are left). It may read ahead into the buffer; the position does not change.
  enum class Ending { Exact, PastEnd, BytesLeft };
  Ending HowItEnds();
  bool EndsHere() { return HowItEnds() == Ending::Exact; }

 private:
  std::uint8_t ReadSlowU8();
  std::uint16_t ReadSlowU16();
  void DropSlow(std::uint64_t n);
  std::int32_t ReadSlowU32();
  // Makes bytes available at next_: the file's next bytes, or once it has ended zeros, as many
  // as the allowance has left. False when there are none (the allowance is spent).
  bool Refill();
  // Counts n bytes read past the end without a block of zeros; throws once over the allowance.
  void CountPastEnd(std::uint64_t n);

  int fd_ = -1;
  std::unique_ptr<std::uint8_t[]> buffer_;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint64_t bufferStart_ = 0;  // position of the byte that next_ started at (bufferBegin_)
  const std::uint8_t* bufferBegin_ = nullptr;
  bool atEnd_ = false;    // the file has ended
  bool inZeros_ = false;  // next_ points into the block of zeros
  std::uint64_t skippedPastEnd_ = 0;  // bytes skipped after the end of the file was reached
  std::uint64_t pastEnd_ = 0;         // bytes read past the end, the current block not included
  std::uint64_t pastEndLimit_;
};

}  // namespace morvane
