#include "search_input_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>

namespace kelvane::ui {

SearchInputGuard::SearchInputGuard() { QCoreApplication::instance()->installEventFilter(this); }

SearchInputGuard::~SearchInputGuard() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool SearchInputGuard::takeRightPress() {
  const bool pressed = rightPress_;
  rightPress_ = false;
  return pressed;
}

bool SearchInputGuard::eventFilter(QObject* watched, QEvent* event) {
  if (suspended_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) rightPress_ = true;
      return true;
    case QEvent::MouseMove:  // no tips either: the search owns the thread
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace kelvane::ui
