#include "value_label.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>

namespace kelvane {
namespace {

// Read-only text: the value, its characters and nothing to select or edit.
class ValueLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ValueLabelAccessible(QLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return shown();
    return QAccessibleWidget::text(t);
  }

  QString text(int startOffset, int endOffset) const override {
    return shown().mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(shown().size()); }
  void selection(int, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
  }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* startOffset, int* endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
  }

 private:
  QString shown() const { return static_cast<const QLabel*>(widget())->text(); }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(ValueLabel::staticMetaObject.className())) return nullptr;
  return new ValueLabelAccessible(static_cast<QLabel*>(object));
}

}  // namespace

ValueLabel::ValueLabel(QWidget* parent) : QLabel(parent) {
  static const bool installed = [] {
    QAccessible::installFactory(&MakeAccessible);
    return true;
  }();
  Q_UNUSED(installed);
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

// What QLabel leaves free at its aligned side.
int ValueLabel::indentPixels() const {
  if (indent() >= 0) return indent();
  return frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
}

void ValueLabel::paintEvent(QPaintEvent* event) {
  const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  const int indent = indentPixels();
  if (fontMetrics().horizontalAdvance(text()) + indent <= room.width()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  drawFrame(&painter);
  painter.setClipRect(room);
  // The indent as QLabel keeps it: on the aligned sides, so also from the top.
  const Qt::Alignment vertical = alignment() & Qt::AlignVertical_Mask;
  const QRect place = room.adjusted(indent, vertical & Qt::AlignTop ? indent : 0, 0,
                                    vertical & Qt::AlignBottom ? -indent : 0);
  style()->drawItemText(&painter, place, Qt::AlignLeft | vertical, palette(), isEnabled(), text(),
                        foregroundRole());
}

}  // namespace kelvane
