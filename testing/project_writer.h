#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::testing {

// Builds the bytes of a project file field by field, in file order, so that a test reads like
// the layout tables:
//
//   ProjectWriter file;
//   file.U8(0x07).U8(0x02).U16(0).U32(0).U32(1).U32(48000);
//   file.ShortString("clip.avi").U32(0).U32(299).U32(0).U16(100).U16(100);
//
// The same writer makes the example projects, the benchmark projects and the fuzz seeds.
class ProjectWriter {
 public:
  ProjectWriter& U8(std::uint8_t value);
  ProjectWriter& U16(std::uint16_t value);
  ProjectWriter& U24(std::uint32_t value);                // low 24 bits
  ProjectWriter& U32(std::uint32_t value);                // negative ints as their 32-bit pattern
  ProjectWriter& I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
  ProjectWriter& Bytes(std::string_view bytes);           // raw, no length
  ProjectWriter& Zeros(std::size_t n);
  // The string field: a length byte L (the text's size, at most 255), then L bytes.
  ProjectWriter& ShortString(std::string_view text);
  // The 4-byte frame field: a negative value is stored as value + 2^24 with marker 31.
  ProjectWriter& SignedFrame24(std::int32_t value);
  // The first header fields: version (0x0207 is 02.07), reserved, bin item count, main count,
  // frequency.
  ProjectWriter& Header(int version, std::int32_t binCount, std::int32_t mainCount,
                        std::int32_t frequency = 48000);

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  std::string str() const { return std::string(bytes_.begin(), bytes_.end()); }

  // Writes the bytes to a file; throws std::runtime_error when it cannot.
  void SaveTo(const std::string& path) const;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace morvane::testing
