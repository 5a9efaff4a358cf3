// Texts longer than the writer's buffer; the golden files hold none.
#include "listing/listing_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace morvane {
namespace {

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
  out.WriteText("<");
  out.WriteText(std::string(200000, 'a'));
  for (int i = 0; i < 100000; ++i) out.WriteUnsigned(7);
  out.Flush();
  EXPECT_EQ(300001u, text.size());
  EXPECT_EQ("<aa", text.substr(0, 3));
  EXPECT_EQ("a7", text.substr(200000, 2));
}

}  // namespace
}  // namespace morvane
