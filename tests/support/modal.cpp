#include "modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace kelvane::testing {

namespace {

// Polls until a modal widget other than the one active when it was armed shows up.
void Poll(QPointer<QWidget> before, bool hadBefore, std::shared_ptr<QElapsedTimer> clock,
          std::function<void(QWidget*)> act, int timeoutMs) {
  QWidget* now = QApplication::activeModalWidget();
  // A modal widget counts as new when the one seen at arming time is gone, or is
  // a different one; hadBefore tells a deleted widget from "there was none".
  const bool beforeGone = hadBefore && before.isNull();
  if (now && now->isVisible() && (beforeGone || now != before.data())) {
    act(now);
    return;
  }
  if (clock->elapsed() > timeoutMs) {
    qWarning("WhenModalShown: no new modal widget within %d ms", timeoutMs);
    return;
  }
  // Short waits keep the shared machine idle if the dialog takes its time.
  QTimer::singleShot(1, qApp, [before, hadBefore, clock, act = std::move(act), timeoutMs]() {
    Poll(before, hadBefore, clock, act, timeoutMs);
  });
}

}  // namespace

void WhenModalShown(std::function<void(QWidget*)> act, int timeoutMs) {
  QWidget* current = QApplication::activeModalWidget();
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QPointer<QWidget> before(current);
  const bool hadBefore = current != nullptr;
  QTimer::singleShot(0, qApp, [before, hadBefore, clock, act = std::move(act), timeoutMs]() {
    Poll(before, hadBefore, clock, act, timeoutMs);
  });
}

void RejectNextModal(int timeoutMs) {
  WhenModalShown(
      [](QWidget* w) {
        if (auto* dialog = qobject_cast<QDialog*>(w))
          dialog->reject();
        else
          w->close();
      },
      timeoutMs);
}

}  // namespace kelvane::testing
