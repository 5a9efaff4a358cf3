#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/write_behind.h"

namespace morvane {

struct TimelineTitle {
  std::int64_t begin = 0;
  std::string text;  // UTF-8, its text items joined by line feeds
};

// What the exports keep of a project's titles, which a project may hold more of than memory: no
// title shows more text than kTitleTextLimit bytes, and no editor takes more than kTitleLimit
// markers. What passes either is counted (shortened(), leftOut()) for the exports' warnings.
inline constexpr std::size_t kTitleTextLimit = 64 * 1024;
inline constexpr std::size_t kTitleLimit = 500'000;

// Appends more to text when the whole stays within limit bytes; else as much of more as fits
// without cutting a UTF-8 character, and returns false.
bool AppendWithin(std::string& text, std::string_view more, std::size_t limit);

// The titles as they are read, in order: each one's begin in memory, its text in a scratch file
// (platform/file_io.h) written as it comes and read back title by title, so that the memory an
// export takes does not grow with the titles' text. Short texts go to the file and come back
// in blocks: a block of kWriteBlock bytes is written at a time, and titles read in the order
// stored are read ahead, more at a time as the order holds, up to kReadAhead bytes. Texts that
// fit in the first block are never written: they are read from it. Without a
// scratch file the texts stay in memory, up to kMemoryLimit bytes; the titles past it are left
// out, as are those whose text the file had no room for.
class TitleStore {
 public:
  static constexpr std::size_t kMemoryLimit = 32 * 1024 * 1024;
  static constexpr std::size_t kWriteBlock = 256 * 1024;
  static constexpr std::size_t kReadAhead = 256 * 1024;

  TitleStore() = default;
  ~TitleStore();
  TitleStore(const TitleStore&) = delete;
  TitleStore& operator=(const TitleStore&) = delete;

  // A new title that begins at frame begin; its text items follow.
  void AddTitle(std::int64_t begin);
  // One more text item of the last title, UTF-8: after a line feed when the text so far is not
  // empty.
  void AddText(std::string_view item);
  // Ends the recording; the texts can be read from now on.
  void Finish();

  std::size_t size() const { return titles_.size(); }
  std::int64_t Begin(std::size_t i) const { return titles_[i].begin; }
  // The text of title i, read back.
  std::string Text(std::size_t i) const { return std::string(TextView(i)); }
  // The same, in the store's memory until the next call of either.
  std::string_view TextView(std::size_t i) const;
  // Keeps the titles for which keep(begin) holds, in their order.
  template <typename Keep>
  void KeepIf(Keep keep) {
    std::erase_if(titles_, [&](const Entry& entry) { return !keep(entry.begin); });
  }

  std::int64_t shortened() const { return shortened_; }
  std::int64_t leftOut() const { return leftOut_; }

 private:
  struct Entry {
    std::uint64_t offset = 0;  // in the scratch file, or in memory_
    std::uint32_t length = 0;
    std::int64_t begin = 0;
  };

  void EndTitle();
  void Store(const std::string& text);
  // Has the block of short texts written, on the file's own thread while the next block fills,
  // or the last one at once; when the file takes no more, leaves out the titles whose texts were
  // not written.
  void WriteBlock(bool last);
  // Reads size bytes at offset of the scratch file into out.
  void ReadScratch(std::uint64_t offset, char* out, std::size_t size) const;

  std::vector<Entry> titles_;
  std::string pending_;   // the last title's text, until the next title begins
  bool open_ = false;     // a title is being recorded
  bool leaving_ = false;  // the last title is past a limit: its items are dropped
  int scratch_ = -1;      // the scratch file, or -1
  bool scratchTried_ = false;
  bool scratchFailed_ = false;
  std::uint64_t written_ = 0;  // bytes handed to the scratch file
  std::uint64_t safe_ = 0;     // of them, the bytes known to be written
  std::string block_;          // the short texts after them, not yet handed (all, when no writer_)
  std::string spare_;          // the block being written
  std::unique_ptr<WriteBehind> writer_;  // the scratch file's writer, once a block is written
  std::string memory_;         // the texts without a scratch file
  // The part of the scratch file read last, aheadSize_ bytes from readFrom_ on: the text asked
  // for and the read-ahead that the order of the reads earned.
  mutable std::unique_ptr<char[]> ahead_;
  mutable std::size_t aheadSize_ = 0;
  mutable std::uint64_t readFrom_ = 0;
  mutable std::uint64_t readEnd_ = 0;  // where the text read last ends
  mutable std::size_t readAhead_ = 0;
  std::int64_t shortened_ = 0;
  std::int64_t leftOut_ = 0;
};

}  // namespace morvane
