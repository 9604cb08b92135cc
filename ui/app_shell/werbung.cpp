#include "werbung.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include "dialog_144.h"
#include "dialog_144_ids.h"

namespace kelvane {

CWerbung::CWerbung(QWidget* parent) : TemplateDialog(res::Dialog144(), parent) {
  // Stays above the other windows. Not a tool window: some X11 window managers do
  // not give those the keyboard focus, and Enter and Escape must reach this one.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  // The picture has no identifier to give it a name by in the template.
  if (!controls().isEmpty()) controls().first()->setAccessibleName(QStringLiteral("Orvena thanks you"));
  if (auto* close = controlAs<QPushButton>(res::thanks_ids::kClose))
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void CWerbung::reject() { accept(); }

void CWerbung::showEvent(QShowEvent* event) {
  TemplateDialog::showEvent(event);
  // Centred on the work area of the owner's screen (the primary one while the
  // owner is not shown yet), not on the owner as Qt places a dialog.
  const QWindow* owner = windowHandle() ? windowHandle()->transientParent() : nullptr;
  QScreen* screen = owner && owner->isVisible() ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen && !event->spontaneous()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  // Brought to the front when shown, so that the keyboard reaches it at once.
  raise();
  activateWindow();
}

void ShowWerbung(QWidget* owner) {
  CWerbung window;
  if (owner && owner->window()->windowHandle()) {
    window.winId();  // creates the native window so that it can be tied to its owner
    if (QWindow* handle = window.windowHandle())
      handle->setTransientParent(owner->window()->windowHandle());
  }
  window.exec();
}

}  // namespace kelvane
