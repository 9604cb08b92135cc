#include "modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace kelvane::testing {

namespace {

struct Watch {
  QList<QPointer<QWidget>> old;  // modal windows open when the watch was armed
  QElapsedTimer clock;
  std::function<void(QWidget*)> act;
  int timeoutMs = 0;
};

bool IsOld(const Watch& watch, const QWidget* w) {
  for (const QPointer<QWidget>& old : watch.old) {
    if (old.data() == w) return true;  // a deleted one is null and never matches
  }
  return false;
}

void Poll(const std::shared_ptr<Watch>& watch) {
  QWidget* now = QApplication::activeModalWidget();
  if (now && now->isVisible() && !IsOld(*watch, now)) {
    watch->act(now);
    return;
  }
  if (watch->clock.elapsed() > watch->timeoutMs) {
    qWarning("WhenModalShown: no new modal widget within %d ms", watch->timeoutMs);
    return;
  }
  // Short waits keep the shared machine idle if the dialog takes its time.
  QTimer::singleShot(1, qApp, [watch] { Poll(watch); });
}

}  // namespace

void WhenModalShown(std::function<void(QWidget*)> act, int timeoutMs) {
  auto watch = std::make_shared<Watch>();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->isModal()) watch->old.append(w);
  }
  if (QWidget* active = QApplication::activeModalWidget()) watch->old.append(active);
  watch->act = std::move(act);
  watch->timeoutMs = timeoutMs;
  watch->clock.start();
  QTimer::singleShot(0, qApp, [watch] { Poll(watch); });
}

void WhenShown(std::function<void(QWidget*)> act, int timeoutMs) {
  WhenModalShown(
      [act](QWidget* w) {
        act(w);
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
          dialog->reject();
      },
      timeoutMs);
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
