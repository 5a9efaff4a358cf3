#include "listing/listing_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "listing/conversion_error.h"

namespace morvane {
namespace {

TEST(ListingWriter, CarriesTextsLongerThanItsBufferWhole) {
  std::string text;
  ListingWriter out(text);
  out.WriteText("<");
  out.WriteText(std::string(200000, 'a'));
  for (int i = 0; i < 100000; ++i) out.WriteUnsigned(7);
  out.Flush();
  EXPECT_EQ(300001u, text.size());
  EXPECT_EQ(text.size(), out.BytesWritten());
  EXPECT_EQ("<aa", text.substr(0, 3));
  EXPECT_EQ("a7", text.substr(200000, 2));
}

TEST(ListingWriter, ReportsAFullDeviceAsAWriteError) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  ListingWriter out(fileno(full));
  out.WriteText("text");
  try {
    out.Flush();
    ADD_FAILURE() << "no write error";
  } catch (const ConversionError& error) {
    EXPECT_EQ(ConversionFailure::WriteError, error.failure());
  }
  std::fclose(full);
}

}  // namespace
}  // namespace morvane
