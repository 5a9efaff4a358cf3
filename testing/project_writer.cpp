#include "testing/project_writer.h"

#include <fstream>
#include <stdexcept>

namespace morvane::testing {

ProjectWriter& ProjectWriter::U8(std::uint8_t value) {
  bytes_.push_back(value);
  return *this;
}

ProjectWriter& ProjectWriter::U16(std::uint16_t value) {
  U8(static_cast<std::uint8_t>(value));
  return U8(static_cast<std::uint8_t>(value >> 8));
}

ProjectWriter& ProjectWriter::U24(std::uint32_t value) {
  U8(static_cast<std::uint8_t>(value));
  U8(static_cast<std::uint8_t>(value >> 8));
  return U8(static_cast<std::uint8_t>(value >> 16));
}

ProjectWriter& ProjectWriter::U32(std::uint32_t value) {
  U24(value);
  return U8(static_cast<std::uint8_t>(value >> 24));
}

ProjectWriter& ProjectWriter::Bytes(std::string_view bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ProjectWriter& ProjectWriter::Zeros(std::size_t n) {
  bytes_.insert(bytes_.end(), n, 0);
  return *this;
}

ProjectWriter& ProjectWriter::ShortString(std::string_view text) {
  if (text.size() > 255) {
    throw std::invalid_argument("a string field holds at most 255 bytes");
  }
  return U8(static_cast<std::uint8_t>(text.size())).Bytes(text);
}

ProjectWriter& ProjectWriter::SignedFrame24(std::int32_t value) {
  return value < 0 ? U24(static_cast<std::uint32_t>(value + 16777216)).U8(31) : U24(static_cast<std::uint32_t>(value)).U8(0);
}

ProjectWriter& ProjectWriter::Header(int version, std::int32_t binCount, std::int32_t mainCount,
                                     std::int32_t frequency) {
  U8(static_cast<std::uint8_t>(version & 0xff));
  U8(static_cast<std::uint8_t>((version >> 8) & 0xff));
  U16(0);
  I32(binCount);
  I32(mainCount);
  return I32(frequency);
}

void ProjectWriter::SaveTo(const std::string& path) const {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  if (!file) {
    throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace morvane::testing
