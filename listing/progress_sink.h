#pragma once

#include <cstdint>
#include <string_view>

namespace morvane {

// The conversion's 200 progress steps are shared among the sections that have items:
// main AV 40, insert AV 20, each extra audio track 10, effects 20, titles 60, EDL 40.
inline constexpr int kProgressSteps = 200;
inline constexpr std::int32_t kMainAvShare = 40;
inline constexpr std::int32_t kInsertAvShare = 20;
inline constexpr std::int32_t kExAudioShare = 10;
inline constexpr std::int32_t kEffectShare = 20;
inline constexpr std::int32_t kTitleShare = 60;
inline constexpr std::int32_t kEdlShare = 40;

// Where a conversion shows how far it has come: a bar of 200 steps and a one-line status text.
// The dialog, the command line and the tests implement it.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Advances the bar by one of its 200 steps.
  virtual void Step() = 0;
  // Shows the text at once; the empty text empties the status line.
  virtual void SetStatus(std::string_view text) = 0;
  // False for a sink that shows no status, so that no text is made for it.
  virtual bool ShowsStatus() const { return true; }
};

// Takes n steps.
void TakeSteps(ProgressSink& progress, std::int32_t n);

// Sets the status "<name> k / n", as "[BinWindow] %d / %d" does with k and n.
void ReportItem(ProgressSink& progress, std::string_view name, std::int32_t k, std::int32_t n);

// Spends a section's share of the steps in proportion to its items: after item k of n the
// section has taken (k * share) / n steps, so 3 main clips take 13, 26 and 40, and the last
// item completes the share. Each ItemDone also sets the section's status first.
class ProgressShare {
 public:
  ProgressShare(ProgressSink& progress, std::string_view name, std::int32_t share, std::int32_t count)
      : progress_(progress), name_(name), share_(share), count_(count) {}

  // Item k (counted from 1) is done.
  void ItemDone(std::int32_t k);

 private:
  ProgressSink& progress_;
  std::string_view name_;
  std::int32_t share_;
  std::int32_t count_;
  std::int64_t taken_ = 0;
};

}  // namespace morvane
