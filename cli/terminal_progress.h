#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "listing/progress_sink.h"

namespace morvane {

// `--progress plain`: one line per status text, "<pos>/200 <text>", where pos is the bar's
// position when the text is set; the final empty text prints "<pos>/200".
class PlainProgress : public ProgressSink {
 public:
  explicit PlainProgress(std::FILE* stream) : stream_(stream) {}
  void Step() override { ++position_; }
  void SetStatus(std::string_view text) override;

 private:
  std::FILE* stream_;
  int position_ = 0;
};

// `--progress bar`: one line redrawn in place, "<label> [#####.....] pos/200 <text>". Redraws
// at most every 50 ms, and always when the status empties (the end of a conversion).
class BarProgress : public ProgressSink {
 public:
  BarProgress(std::FILE* stream, std::string label) : stream_(stream), label_(std::move(label)) {}
  void Step() override;
  void SetStatus(std::string_view text) override;
  // Ends the line (call once the conversion is over).
  void Finish();

 private:
  void Draw(bool force);

  std::FILE* stream_;
  std::string label_;
  std::string status_;
  int position_ = 0;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// `--progress none`.
class SilentProgress : public ProgressSink {
 public:
  void Step() override {}
  void SetStatus(std::string_view) override {}
  bool ShowsStatus() const override { return false; }
};

}  // namespace morvane
