#include "widget_text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kelvane {

void ShowStart(QWidget* box) {
  if (auto* line = qobject_cast<QLineEdit*>(box)) line->setCursorPosition(0);
}

QString TextOf(const QWidget* box) {
  if (auto* line = qobject_cast<const QLineEdit*>(box)) return line->text();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(box)) return plain->toPlainText();
  if (auto* rich = qobject_cast<const QTextEdit*>(box)) return rich->toPlainText();
  if (auto* combo = qobject_cast<const QComboBox*>(box)) return combo->currentText();
  return {};
}

void SetTextOf(QWidget* box, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(box)) {
    line->setText(text);
    ShowStart(line);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
    plain->setPlainText(text);
  } else if (auto* rich = qobject_cast<QTextEdit*>(box)) {
    rich->setPlainText(text);
  }
}

}  // namespace kelvane
