#pragma once
// An opened main window for tests: the thank-you window is counted instead of
// shown, message boxes are scripted, texts are read from the live controls.

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <memory>

#include "dialog_102_ids.h"
#include "kelvane_dlg.h"
#include "scripted_message_boxes.h"

namespace kelvane::testing {

struct OpenedWindow {
  ScriptedMessageBoxes boxes;
  std::unique_ptr<CKelvaneDlg> dlg = std::make_unique<CKelvaneDlg>();
  int thanks = 0;             // thank-you windows shown
  QList<bool> visibleAtThanks;  // whether the main window was visible at each

  OpenedWindow() {
    dlg->thankYouWindow = [this](QWidget*) {
      ++thanks;
      visibleAtThanks.append(dlg->isVisible());
    };
    dlg->show();
  }

  // The text the control shows: an edit's, a label's or a button's.
  QString text(int id) const {
    QWidget* w = dlg->control(id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return QStringLiteral("<no text control %1>").arg(id);
  }
  void type(int id, const QString& value) const {
    qobject_cast<QLineEdit*>(dlg->control(id))->setText(value);
  }
  QListWidget* list(int id) const { return qobject_cast<QListWidget*>(dlg->control(id)); }
  QStringList entries(int id) const {
    QStringList out;
    for (int i = 0; i < list(id)->count(); ++i) out << list(id)->item(i)->text();
    return out;
  }
  QStringList boxTexts() const {
    QStringList out;
    for (const auto& b : boxes.shown()) out << b.text;
    return out;
  }
};

}  // namespace kelvane::testing
