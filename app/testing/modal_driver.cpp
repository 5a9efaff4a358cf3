#include "app/testing/modal_driver.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <algorithm>

namespace morvane::app {

ModalDriver::ModalDriver(std::vector<Handler> handlers, std::chrono::seconds deadline)
    : handlers_(std::move(handlers)), deadline_(std::chrono::steady_clock::now() + deadline) {
  Poll();
}

void ModalDriver::Dismiss(QWidget* window) {
  auto* dialog = qobject_cast<QDialog*>(window);
  dialog != nullptr ? dialog->reject() : void(window->close());
}

// A fresh single-shot timer each time: a handler may sit in a nested event loop (a picker's
// question), and Qt does not fire a timer again while its own handler runs.
void ModalDriver::Poll() {
  QTimer::singleShot(10, this, [this] { Poll(); });
  QWidget* window = QApplication::activePopupWidget();
  window = window != nullptr ? window : QApplication::activeModalWidget();
  if (std::chrono::steady_clock::now() >= deadline_) {
    timedOut_ = timedOut_ || next_ < handlers_.size() || window != nullptr;
    if (window != nullptr) Dismiss(window);
  } else if (window != nullptr && window->isVisible() && next_ < handlers_.size() &&
             std::find(seen_.begin(), seen_.end(), window) == seen_.end()) {
    seen_.emplace_back(window);
    handlers_[next_++](window);
  }
}

}  // namespace morvane::app
