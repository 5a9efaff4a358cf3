#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <vector>

namespace morvane::app {

// Answers the modal windows and popup menus the code under test opens, so no test waits for a
// user. Every 10 ms it takes the active popup, or else the active modal window; each one not seen
// before goes to the next handler, which closes it or acts on it. After the deadline it closes
// whatever is open and reports timedOut(), so a missing window fails a test instead of hanging it.
class ModalDriver : public QObject {
 public:
  using Handler = std::function<void(QWidget*)>;

  explicit ModalDriver(std::vector<Handler> handlers,
                       std::chrono::milliseconds deadline = std::chrono::seconds(10));

  bool finished() const { return next_ == handlers_.size() && !timedOut_; }

  // Closes a window as its close button would (a QDialog is rejected).
  static void Dismiss(QWidget* window);

 private:
  void Poll();

  std::vector<Handler> handlers_;
  std::size_t next_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
  std::vector<QPointer<QWidget>> seen_;
};

}  // namespace morvane::app
