// A value made on pages of its own starts zeroed in full, and goes with its destructor run.
#include "platform/pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace morvane {
namespace {

struct Large {
  ~Large() { ++*ended; }
  std::array<unsigned char, 3 * 4096 + 5> bytes;  // past a page's end, ending inside the last one
  int* ended = nullptr;
};

TEST(Pages, MakesAZeroedValueAndEndsItWithItsPages) {
  int ended = 0;
  {
    const PagesPtr<Large> large = MakeOnPages<Large>();
    EXPECT_TRUE(std::all_of(large->bytes.begin(), large->bytes.end(), [](unsigned char b) { return b == 0; }));
    large->bytes.fill(0xFF);  // every page can be written
    large->ended = &ended;
  }
  EXPECT_EQ(1, ended);
}

}  // namespace
}  // namespace morvane
