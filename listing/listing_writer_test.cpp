#include "listing/listing_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "listing/conversion_error.h"

namespace morvane {
namespace {

TEST(ListingWriter, WritesPiecesAsTheirPrintfConversions) {
  std::string text;
  ListingWriter out(text);
  const ShortString name("clip\xE3.avi");
  out.Write(name, ",in=", std::int32_t{-5}, ",u=", std::uint32_t{4294967295u}, ',', "\r\n");
  out.Write(INT32_MIN, ' ', INT32_MAX);
  out.WriteText("");
  out.Flush();
  EXPECT_EQ("clip\xE3.avi,in=-5,u=4294967295,\r\n-2147483648 2147483647", text);
}

// Every digit count, at both ends: the writer's digit count and its pairs against printf.
TEST(ListingWriter, WritesEveryDigitCountAsPrintfDoes) {
  std::string text, expected;
  ListingWriter out(text);
  char buffer[32];
  for (std::uint64_t power = 1; power <= 10'000'000'000u; power *= 10) {
    for (const std::uint64_t value : {power - 1, power, power + 1, power * 7 / 3}) {
      if (value > UINT32_MAX) continue;
      out.Write(',', static_cast<std::uint32_t>(value), ',', static_cast<std::int32_t>(value));
      std::snprintf(buffer, sizeof buffer, ",%u,%d", static_cast<unsigned>(value), static_cast<int>(value));
      expected += buffer;
    }
  }
  out.Flush();
  EXPECT_EQ(expected, text);
}

TEST(ListingWriter, CarriesTextsLongerThanItsBufferWhole) {
  std::string text;
  ListingWriter out(text);
  const std::string longText(200000, 'a');
  out.WriteText("<");
  out.WriteText(longText);
  for (int i = 0; i < 100000; ++i) {
    out.WriteUnsigned(7);
  }
  out.Flush();
  EXPECT_EQ(1u + longText.size() + 100000u, text.size());
  EXPECT_EQ(text.size(), out.BytesWritten());
  EXPECT_EQ('<', text.front());
  EXPECT_EQ('7', text.back());
}

TEST(ListingWriter, ReportsAFullDeviceAsAWriteError) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) {
    GTEST_SKIP() << "no /dev/full";
  }
  ListingWriter out(fileno(full));
  out.WriteText("text");
  try {
    out.Flush();
    FAIL() << "no write error";
  } catch (const ConversionError& error) {
    EXPECT_EQ(ConversionFailure::WriteError, error.failure());
  }
  std::fclose(full);
}

}  // namespace
}  // namespace morvane
