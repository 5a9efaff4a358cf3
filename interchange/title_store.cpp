#include "interchange/title_store.h"

#include <algorithm>

#include "listing/conversion_error.h"
#include "platform/file_io.h"

namespace morvane {

namespace {

// The length of text up to at most limit bytes that ends between two UTF-8 characters.
std::size_t WholeCharacters(std::string_view text, std::size_t limit) {
  std::size_t length = std::min(limit, text.size());
  while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    --length;
  }
  return length;
}

}  // namespace

bool AppendWithin(std::string& text, std::string_view more, std::size_t limit) {
  if (text.size() + more.size() <= limit) {
    text += more;
    return true;
  }
  if (text.size() < limit) {
    text += more.substr(0, WholeCharacters(more, limit - text.size()));
  }
  return false;
}

TitleStore::~TitleStore() {
  writer_.reset();  // its thread ends before the file closes
  if (scratch_ >= 0) {
    CloseDescriptor(scratch_);
  }
}

void TitleStore::AddTitle(std::int64_t begin) {
  EndTitle();
  if (titles_.size() >= kTitleLimit) {
    ++leftOut_;
    leaving_ = true;
    return;
  }
  titles_.push_back({0, 0, begin});
  open_ = true;
}

void TitleStore::AddText(std::string_view item) {
  if (!open_) {
    return;
  }
  if (leaving_) {
    return;  // past a limit: the rest of this title's text is dropped
  }
  if (!pending_.empty() && !AppendWithin(pending_, "\n", kTitleTextLimit)) {
    ++shortened_;
    leaving_ = true;
    return;
  }
  if (!AppendWithin(pending_, item, kTitleTextLimit)) {
    ++shortened_;
    leaving_ = true;
  }
}

void TitleStore::EndTitle() {
  if (open_) {
    Store(pending_);
    pending_.clear();
    open_ = false;
  }
  leaving_ = false;
}

void TitleStore::Finish() {
  EndTitle();
  // Texts that all fit in the first block stay there, read from memory: the scratch file is
  // neither written nor read back.
  if (writer_) {
    WriteBlock(true);  // also waits for the block being written, before any read
  }
}

void TitleStore::Store(const std::string& text) {
  if (text.empty()) {
    return;  // the title has no text to keep
  }
  if (!scratchTried_) {
    scratchTried_ = true;
    scratch_ = OpenScratchFile();
  }
  if (scratch_ >= 0 && !scratchFailed_ && block_.size() + text.size() > kWriteBlock) {
    WriteBlock(false);  // before this title is given its place
  }
  Entry& entry = titles_.back();
  entry.length = static_cast<std::uint32_t>(text.size());
  if (scratch_ >= 0 && !scratchFailed_) {
    entry.offset = written_ + block_.size();
    block_ += text;  // no text is longer than a block (kTitleTextLimit)
    return;
  }
  if (scratch_ < 0 && memory_.size() + text.size() <= kMemoryLimit) {
    entry.offset = memory_.size();
    memory_ += text;
    return;
  }
  titles_.pop_back();
  ++leftOut_;
}

void TitleStore::WriteBlock(bool last) {
  if (!writer_) {
    writer_ = std::make_unique<WriteBehind>(scratch_, false);  // read back soon, never kept
  }
  if (last ? writer_->Write(block_.data(), block_.size()) : writer_->Hand(block_.data(), block_.size())) {
    written_ += block_.size();
    safe_ = last ? written_ : written_ - block_.size();  // a block handed, the one before written
    std::swap(block_, spare_);
    block_.clear();
    return;
  }
  // No room left for more: the titles whose text was not written are left out, and so is
  // every title with text from here on.
  scratchFailed_ = true;
  const auto kept = std::remove_if(titles_.begin(), titles_.end(),
                                   [&](const Entry& entry) { return entry.length > 0 && entry.offset >= safe_; });
  leftOut_ += titles_.end() - kept;
  titles_.erase(kept, titles_.end());
  block_ = {};
  spare_ = {};
}

void TitleStore::ReadScratch(std::uint64_t offset, char* out, std::size_t size) const {
  if (!SeekTo(scratch_, offset)) {
    throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
  }
  std::size_t done = 0;
  while (done < size) {
    const std::ptrdiff_t n = ReadSome(scratch_, out + done, size - done);
    if (n <= 0) {
      throw ConversionError(ConversionFailure::ReadError, n < 0 ? IoFailureReason() : "the scratch file ends early");
    }
    done += static_cast<std::size_t>(n);
  }
}

std::string_view TitleStore::TextView(std::size_t i) const {
  const Entry& entry = titles_[i];
  if (entry.length == 0) {
    return {};
  }
  if (scratch_ < 0) {
    return std::string_view(memory_).substr(entry.offset, entry.length);
  }
  if (!writer_) {
    return std::string_view(block_).substr(entry.offset, entry.length);  // never written
  }
  const std::uint64_t end = entry.offset + entry.length;
  if (entry.offset < readFrom_ || end > readFrom_ + aheadSize_) {
    // A read that follows the last one, or skips a little of it, doubles what is read ahead;
    // any other starts again without.
    const bool onward = entry.offset >= readEnd_ && entry.offset - readEnd_ < kReadAhead;
    readAhead_ = onward ? std::clamp<std::size_t>(readAhead_ * 2, 4096, kReadAhead) : 0;
    aheadSize_ = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::max<std::uint64_t>(entry.length, readAhead_), written_ - entry.offset));
    if (!ahead_) {
      ahead_ = std::make_unique<char[]>(kReadAhead);  // no text is longer (kTitleTextLimit)
    }
    ReadScratch(entry.offset, ahead_.get(), aheadSize_);
    readFrom_ = entry.offset;
  }
  readEnd_ = end;
  return std::string_view(ahead_.get() + (entry.offset - readFrom_), entry.length);
}

}  // namespace morvane
