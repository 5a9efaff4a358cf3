#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace morvane {

// Why a conversion stopped before its end. The listing itself never reports a malformed
// project (a file that ends early reads as zeros); these are the limits that keep a hostile
// file from costing unbounded work or overrunning a table, and the platform's I/O errors.
enum class ConversionFailure {
  EndsTooEarly,   // more than the reader's allowance was read past the end of the source
  OverCapacity,   // a track announced more clips than its table holds
  ReadError,      // the platform failed to read the source
  WriteError,     // the platform failed to write the destination
};

class ConversionError : public std::exception {
 public:
  // reason: the system's, for a read or write error ("No space left on device"), when known.
  explicit ConversionError(ConversionFailure failure, std::string reason = {})
      : failure_(failure), reason_(std::move(reason)) {}
  // A track count above its table's capacity: heading is the track's heading, such as "[MainAV]".
  ConversionError(std::string heading, std::int32_t count, std::int32_t capacity)
      : failure_(ConversionFailure::OverCapacity),
        heading_(std::move(heading)),
        count_(count),
        capacity_(capacity) {}

  ConversionFailure failure() const { return failure_; }
  const std::string& heading() const { return heading_; }
  std::int32_t count() const { return count_; }
  std::int32_t capacity() const { return capacity_; }
  const std::string& reason() const { return reason_; }
  const char* what() const noexcept override { return "conversion stopped"; }

 private:
  ConversionFailure failure_;
  std::string heading_;
  std::int32_t count_ = 0;
  std::int32_t capacity_ = 0;
  std::string reason_;
};

}  // namespace morvane
