#include "platform/shift_jis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace morvane {
namespace {

// Every byte alone, every pair of bytes alone and every pair among others decode the same on
// both systems (iconv's CP932, Windows' code page 932 through the same table): the texts are
// pinned by their FNV-1a digest, the same in both builds' tests. A change of either table, or
// of a byte's or pair's answer on one system, changes it.
TEST(ShiftJis, DecodesEveryByteAndPairAlikeOnBothSystems) {
  std::uint64_t digest = 0xcbf29ce484222325u;
  std::size_t replaced = 0;
  const auto add = [&](const std::string& text) {
    for (const char c : text + '|') {
      digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    for (std::size_t at = text.find("\uFFFD"); at != std::string::npos; at = text.find("\uFFFD", at + 1)) {
      ++replaced;
    }
  };
  for (int first = 0; first < 256; ++first) {
    add(DecodeShiftJis(std::string(1, static_cast<char>(first))));
    std::string pairs;
    for (int second = 0; second < 256; ++second) {
      const std::string pair{static_cast<char>(first), static_cast<char>(second)};
      add(DecodeShiftJis(pair));
      pairs += pair + 'x';
    }
    add(DecodeShiftJis(pairs));
  }
  EXPECT_EQ(30'687u, replaced);
  EXPECT_EQ(16'657'813'278'914'774'224u, digest);
}

}  // namespace
}  // namespace morvane
