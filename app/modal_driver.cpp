#include "app/modal_driver.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace morvane::app {

namespace {

constexpr std::chrono::milliseconds kPollInterval{10};

QWidget* ActiveWindow() {
  if (QWidget* popup = QApplication::activePopupWidget()) {
    return popup;
  }
  return QApplication::activeModalWidget();
}

}  // namespace

ModalDriver::ModalDriver(std::vector<Handler> handlers, std::chrono::milliseconds deadline)
    : handlers_(std::move(handlers)), deadline_(std::chrono::steady_clock::now() + deadline) {
  SchedulePoll();
}

void ModalDriver::Dismiss(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->reject();
  } else {
    window->close();
  }
}

// A fresh single-shot timer for every poll: Qt does not fire a timer again while its own
// handler runs, and a handler may sit in a nested event loop (a picker's overwrite question).
void ModalDriver::SchedulePoll() { QTimer::singleShot(kPollInterval, this, [this] { Poll(); }); }

bool ModalDriver::Seen(const QWidget* window) const {
  for (const QPointer<QWidget>& seen : seen_) {
    if (seen.data() == window) {
      return true;
    }
  }
  return false;
}

void ModalDriver::Poll() {
  SchedulePoll();
  QWidget* window = ActiveWindow();
  if (std::chrono::steady_clock::now() >= deadline_) {
    // Whatever is still open now would block the test.
    if (!finished() || window != nullptr) {
      timedOut_ = true;
    }
    if (window != nullptr) {
      Dismiss(window);
    }
    return;
  }
  if (window == nullptr || !window->isVisible() || Seen(window) || finished()) {
    return;
  }
  seen_.emplace_back(window);
  handlers_[next_++](window);
}

}  // namespace morvane::app
