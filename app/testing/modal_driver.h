#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <vector>

namespace morvane::app {

// Answers the modal windows and popups the code under test opens, so no test waits for a user:
// every 10 ms each new active popup or modal window goes to the next handler, which closes it or
// acts on it. At the deadline it closes whatever is open, and finished() stays false.
class ModalDriver : public QObject {
 public:
  using Handler = std::function<void(QWidget*)>;
  explicit ModalDriver(std::vector<Handler> handlers,
                       std::chrono::seconds deadline = std::chrono::seconds(10));

  bool finished() const { return next_ == handlers_.size() && !timedOut_; }
  static void Dismiss(QWidget* window);  // as its close button would

 private:
  void Poll();

  std::vector<Handler> handlers_;
  std::size_t next_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
  std::vector<QPointer<QWidget>> seen_;
};

}  // namespace morvane::app
