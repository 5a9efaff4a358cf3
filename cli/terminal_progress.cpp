#include "cli/terminal_progress.h"

#include "platform/console.h"

namespace morvane {

void PlainProgress::SetStatus(std::string_view text) {
  if (text.empty()) {
    std::fprintf(stream_, "%d/%d\n", position_, kProgressSteps);
  } else {
    std::fprintf(stream_, "%d/%d %.*s\n", position_, kProgressSteps, static_cast<int>(text.size()),
                 text.data());
  }
  std::fflush(stream_);
}

void BarProgress::Step() {
  ++position_;
  Draw(false);
}

void BarProgress::SetStatus(std::string_view text) {
  status_.assign(text);
  Draw(text.empty());
}

void BarProgress::Draw(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && drawn_ && now - lastDraw_ < std::chrono::milliseconds(50)) {
    return;
  }
  lastDraw_ = now;
  drawn_ = true;
  constexpr int kWidth = 30;
  char bar[kWidth + 1];
  const int filled = position_ * kWidth / kProgressSteps;
  for (int i = 0; i < kWidth; ++i) {
    bar[i] = i < filled ? '#' : '.';
  }
  bar[kWidth] = '\0';
  char count[16];
  std::snprintf(count, sizeof count, "%3d/%d", position_, kProgressSteps);
  // Through the console, as the messages: the label and status may be in any script. \033[K clears
  // what a longer previous status left on the line.
  WriteText(stream_, "\r" + label_ + " [" + bar + "] " + count + " " + status_ + "\033[K");
  std::fflush(stream_);
}

void BarProgress::Finish() {
  if (drawn_) {
    Draw(true);
    WriteText(stream_, "\n");
    std::fflush(stream_);
  }
}

}  // namespace morvane
