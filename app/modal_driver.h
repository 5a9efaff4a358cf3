#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <vector>

namespace morvane::app {

// Test support: answers the modal windows and popup menus that the code under test opens, so
// that no test waits for a user.
//
// Every 10 ms it looks for the active popup menu, or else the active modal window; each one it
// has not seen before goes to the next handler, which reads it and closes it (or acts on it, and
// the windows that opens go to the handlers after it). Once the deadline has passed it closes
// every modal window and popup it finds and reports timedOut(), so a missing or unexpected
// window fails the test instead of hanging it.
//
//   ModalDriver driver({[&](QWidget* w) { text = qobject_cast<QMessageBox*>(w)->text();
//                                         w->close(); }});
//   boxes.Show(nullptr, "Can not open source file", MessageIcon::Warning);
//   QVERIFY(driver.finished());
class ModalDriver : public QObject {
 public:
  using Handler = std::function<void(QWidget*)>;

  explicit ModalDriver(std::vector<Handler> handlers,
                       std::chrono::milliseconds deadline = std::chrono::seconds(10));

  // Every handler has been called.
  bool finished() const { return next_ == handlers_.size(); }
  bool timedOut() const { return timedOut_; }

  // Closes a modal window as its close button would (a QDialog is rejected).
  static void Dismiss(QWidget* window);

 private:
  void Poll();
  void SchedulePoll();
  bool Seen(const QWidget* window) const;

  std::vector<Handler> handlers_;
  std::size_t next_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
  std::vector<QPointer<QWidget>> seen_;
};

}  // namespace morvane::app
