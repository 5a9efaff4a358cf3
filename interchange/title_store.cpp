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
  if (scratch_ >= 0) {
    CloseDescriptor(scratch_);
  }
}

void TitleStore::AddTitle(std::int64_t begin) {
  Finish();
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

void TitleStore::Finish() {
  if (open_) {
    Store(pending_);
    pending_.clear();
    open_ = false;
  }
  leaving_ = false;
}

void TitleStore::Store(const std::string& text) {
  Entry& entry = titles_.back();
  entry.length = static_cast<std::uint32_t>(text.size());
  if (text.empty()) {
    return;
  }
  if (!scratchTried_) {
    scratchTried_ = true;
    scratch_ = OpenScratchFile();
  }
  if (scratch_ >= 0 && !scratchFailed_) {
    if (WriteAll(scratch_, text.data(), text.size())) {
      entry.offset = written_;
      written_ += text.size();
      return;
    }
    scratchFailed_ = true;  // no room left for more: titles from here on are left out
  }
  if (scratch_ < 0 && memory_.size() + text.size() <= kMemoryLimit) {
    entry.offset = memory_.size();
    memory_ += text;
    return;
  }
  titles_.pop_back();
  ++leftOut_;
}

std::string TitleStore::Text(std::size_t i) const {
  const Entry& entry = titles_[i];
  std::string text(entry.length, '\0');
  if (entry.length == 0) {
    return text;
  }
  if (scratch_ < 0) {
    text.assign(memory_, entry.offset, entry.length);
    return text;
  }
  std::size_t done = 0;
  if (!SeekTo(scratch_, entry.offset)) {
    throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
  }
  while (done < text.size()) {
    const std::ptrdiff_t n = ReadSome(scratch_, text.data() + done, text.size() - done);
    if (n <= 0) {
      throw ConversionError(ConversionFailure::ReadError, n < 0 ? IoFailureReason() : "the scratch file ends early");
    }
    done += static_cast<std::size_t>(n);
  }
  return text;
}

}  // namespace morvane
