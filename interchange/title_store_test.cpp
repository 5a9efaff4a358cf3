#include "interchange/title_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "interchange/safe_text.h"
#include "interchange/timeline.h"
#include "interchange/title_placement.h"
#include "platform/shift_jis.h"
#include "platform/testing/file_size_limit.h"

namespace morvane {
namespace {

// Items are joined by line feeds once the text is not empty; a title's text stops at the limit,
// never inside a character, and each text reads back as it was stored.
TEST(TitleStore, KeepsEachTitlesTextUpToTheLimitAndReadsItBack) {
  const std::string limit(kTitleTextLimit, 'a');
  const std::string kana = "\xE3\x82\xBD";  // three bytes
  const struct {
    std::vector<std::string> items;
    std::string text;
    int shortened;
  } rows[] = {
      {{"a", "", "b"}, "a\n\nb", 0},
      {{"", "x"}, "x", 0},
      {{}, "", 0},
      {{limit}, limit, 0},
      {{limit, "b"}, limit, 1},
      {{limit + "b"}, limit, 1},
      {{std::string(kTitleTextLimit - 2, 'a') + kana}, std::string(kTitleTextLimit - 2, 'a'), 1},
      {{std::string(kTitleTextLimit - 3, 'a') + kana + "z"}, std::string(kTitleTextLimit - 3, 'a') + kana, 1},
      {{std::string(kTitleTextLimit - 1, 'a'), "b"}, std::string(kTitleTextLimit - 1, 'a') + "\n", 1},
  };
  TitleStore store;
  int shortened = 0;
  for (const auto& row : rows) {
    store.AddTitle(static_cast<std::int64_t>(store.size()));
    for (const std::string& item : row.items) store.AddText(item);
    shortened += row.shortened;
  }
  store.Finish();
  ASSERT_EQ(std::size(rows), store.size());
  for (std::size_t i = 0; i < store.size(); ++i) {
    EXPECT_EQ(rows[i].text, store.Text(i)) << i;
  }
  EXPECT_EQ(shortened, store.shortened());
  store.KeepIf([](std::int64_t begin) { return begin % 2 == 1; });
  ASSERT_EQ(4u, store.size());
  EXPECT_EQ(3, store.Begin(1));
  EXPECT_EQ(limit, store.Text(1));
}

TEST(TitleStore, LeavesOutTheTitlesPastTheLimitWithTheirText) {
  TitleStore store;
  for (std::size_t i = 0; i < kTitleLimit + 2; ++i) {
    store.AddTitle(static_cast<std::int64_t>(i));
    store.AddText(i + 1 >= kTitleLimit ? "last" : "");
  }
  store.Finish();
  ASSERT_EQ(kTitleLimit, store.size());
  EXPECT_EQ(2, store.leftOut());
  EXPECT_EQ("last", store.Text(kTitleLimit - 1));
}

// Texts go through the decoding thread's pieces to the scratch file a block at a time and come
// back read ahead: every text reads back as it was, whatever the order, where the pieces, the
// blocks and the read-aheads end inside a text or just at one, and when the titles kept are
// fewer than those stored. A text of a title before the last is not one of its texts.
TEST(TitleStore, ReadsEveryTextBackThroughTheBlocksInAnyOrder) {
  std::vector<std::size_t> lengths(300, 233);  // short texts, many to a block
  // The first block full to its last byte, then one byte more.
  lengths.insert(lengths.end(), {kTitleTextLimit, kTitleTextLimit, TitleStore::kWriteBlock - 233 * 300 - 2 * kTitleTextLimit, 1});
  for (std::uint32_t seed = 7; lengths.size() < 400;) {
    seed = seed * 1103515245u + 12345u;
    lengths.push_back(1 + (seed >> 8) % kTitleTextLimit);
  }
  TimelineFacts facts;
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    std::string text = std::to_string(i) + ":";
    text.resize(lengths[i], static_cast<char>('a' + i % 26));
    const auto title = static_cast<std::int32_t>(i);
    facts.RecordTitle(title, title);
    facts.RecordTitleText(title, title, text);
    facts.RecordTitleText(title - 1, title - 1, "not this title's");
    texts.push_back(std::move(text));
  }
  TitleStore& store = *facts.titles();
  store.Finish();
  const std::size_t n = texts.size();  // not a multiple of 97
  for (const std::size_t step : {std::size_t{1}, n - 1, std::size_t{97}, std::size_t{1}}) {  // forward, backward, scattered
    for (std::size_t k = 0, i = step == 1 ? 0 : n - 1; k < n; ++k, i = (i + step) % n) {
      ASSERT_EQ(texts[i], store.Text(i)) << i;
    }
  }
  store.KeepIf([](std::int64_t begin) { return begin % 3 != 1; });
  for (std::size_t i = 0, kept = 0; i < n; ++i) {
    if (i % 3 != 1) { ASSERT_EQ(texts[i], store.Text(kept++)) << i; }
  }
}

// The texts are decoded on the titles' thread, or on the reading thread while that one is still
// busy with the piece before: either way each title gets its own text, decoded, in its order.
TEST(TitleStore, DecodesEveryTextInItsPlaceWhereverItWasDecoded) {
  TimelineFacts facts;
  std::vector<std::string> texts;
  for (std::int32_t title = 0; title < 6000; ++title) {
    std::string text = std::to_string(title) + std::string(title % 90, 'x');
    for (int k = 0; k < 20; ++k) text += "\x83\x4A\x82\xA0" "ab";  // katakana ka, hiragana a
    facts.RecordTitle(title, 2 * title);
    facts.RecordTitleText(title, 2 * title, title % 500 == 3 ? text + "\x81" : text);  // a lead byte alone
    texts.push_back(DecodeShiftJis(title % 500 == 3 ? text + "\x81" : text));
  }
  TitleStore& store = *facts.titles();
  store.Finish();
  ASSERT_EQ(texts.size(), store.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(texts[i], store.Text(i)) << i;
    ASSERT_EQ(static_cast<std::int64_t>(2 * i), store.Begin(i)) << i;
  }
}

// A scratch file that takes no more (a full disk): the titles whose text did not fit are left
// out and counted, those before read back.
TEST(TitleStore, LeavesOutTheTitlesWhoseTextTheScratchFileRefused) {
  TitleStore store;
  const std::string text(TitleStore::kWriteBlock / 4, 't');
  {
    const testing::FileSizeLimit full(TitleStore::kWriteBlock + 1000);  // the first block and a little
    if (!full.active()) {
      GTEST_SKIP() << "no file size limit on this system";
    }
    for (int i = 0; i < 9; ++i) {  // four texts to a block: the second block fails, then all
      store.AddTitle(i);
      store.AddText(text);
      store.AddTitle(-1 - i);  // a title without text keeps its place
    }
    store.Finish();
  }
  ASSERT_EQ(4u + 9u, store.size());
  EXPECT_EQ(5, store.leftOut());
  for (std::size_t i = 0; i < store.size(); ++i) {
    EXPECT_TRUE(store.Text(i) == (store.Begin(i) >= 0 ? text : "")) << i;
  }
}

// Titles that begin together show as one, each until the next title and five seconds at most;
// cut at frame 0 where the format starts there, and left out when nothing remains.
TEST(TitlePlacement, JoinsCapsAndCutsTheTitlesAsTheyShow) {
  const struct { bool cutAtZero; std::vector<std::int64_t> placed; std::size_t joined; } rows[] = {
      {true, {0, 40, 40, 125, 170, 5, 175, 125, 900, 125}, 1},
      {false, {-200, 125, -60, 100, 40, 125, 170, 5, 175, 125, 900, 125}, 2},
  };
  for (const auto& row : rows) {
    auto store = std::make_shared<TitleStore>();
    for (const std::int64_t begin : {-200, -60, 40, 40, 170, 175, 900}) {
      store->AddTitle(begin);
      store->AddText(begin == 40 ? "a\r\nb\rc" : "t");
    }
    store->Finish();
    const TimelineTitles titles(store);
    const TitlePlacement placement(titles, 25, row.cutAtZero);
    std::vector<std::int64_t> placed;
    for (const PlacedTitle& title : placement.Titles()) {
      placed.insert(placed.end(), {title.begin, title.frames});
    }
    EXPECT_EQ(row.placed, placed) << row.cutAtZero;
    const PlacedTitle& joined = placement.Titles()[row.joined];
    ExportNotes notes;
    EXPECT_EQ(2u, joined.count);
    EXPECT_EQ("a\nb\nc\na\nb\nc", LineFeeds(placement.Joined(joined, notes)));
  }
}

}  // namespace
}  // namespace morvane
