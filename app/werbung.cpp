#include "werbung.h"

#include <QPushButton>
#include <QWindow>

#include "dialog_144.h"

namespace kelvane {

namespace {
constexpr int kIdClose = 1123;
}  // namespace

CWerbung::CWerbung(QWidget* parent) : TemplateDialog(res::Dialog144(), parent) {
  // A small-captioned window that stays above the others, as the template asks.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  if (auto* close = controlAs<QPushButton>(kIdClose))
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void CWerbung::reject() { accept(); }

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
