// Texts longer than the writer's buffer; the golden files hold none.
#include "listing/listing_writer.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace morvane
