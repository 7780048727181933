// The top-level failure handler: a failure that no command handles is shown in an error box
// and the program carries on with the next event.
#pragma once

#include <QApplication>

#include <exception>
#include <utility>

class QWidget;

// The text a failure is shown with.
[[nodiscard]] QString FailureMessage(const std::exception& failure);
// Shows the failure's message in an error box over owner (or the active window).
void ReportFailure(QWidget* owner, const std::exception& failure);
void ReportUnknownFailure(QWidget* owner);

// Runs a handler and reports what it raises; the rest of the handler is skipped.
template <class Handler>
void Guarded(QWidget* owner, Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
  } catch (const std::exception& failure) {
    ReportFailure(owner, failure);
  } catch (...) {
    ReportUnknownFailure(owner);
  }
}

// The application object; its notify() is the last line of defence for events whose handlers
// are not wrapped in Guarded.
class TKorvaneApplication : public QApplication {
 public:
  TKorvaneApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
