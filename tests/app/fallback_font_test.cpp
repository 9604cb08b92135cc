// The main window where the layout's font is missing and another one stands in:
// no value field may show a different number than it holds.

#include <QAccessible>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "click.h"
#include "dialog_102_ids.h"
#include "kelvane_dlg.h"
#include "scripted_message_boxes.h"
#include "value_label.h"

using namespace kelvane;
using namespace kelvane::res::main_ids;

class FallbackFontTest : public QObject {
  Q_OBJECT
 private slots:
  void valuesKeepTheirLeadingDigits();
};

namespace {

// The left half of what a left-aligned label of the same look draws.
QImage StartOf(const QLabel& label) {
  QLabel reference;
  reference.setFont(label.font());
  reference.setPalette(label.palette());
  reference.setFrameStyle(label.frameStyle());
  reference.setLineWidth(label.lineWidth());
  reference.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  reference.setText(label.text());
  reference.resize(label.size());
  return reference.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(
      0, 0, label.width() / 2, label.height());
}

}  // namespace

void FallbackFontTest::valuesKeepTheirLeadingDigits() {
  // Set before any window resolves the template font, which Qt then caches.
  QFont::removeSubstitutions(QStringLiteral("MS Sans Serif"));
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
  testing::ScriptedMessageBoxes boxes;
  CKelvaneDlg main;
  main.thankYouWindow = [](QWidget*) {};
  if (QFontInfo(main.font()).family() != QLatin1String("DejaVu Sans"))
    QSKIP("DejaVu Sans, the stand-in font, is not installed");
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  qobject_cast<QLineEdit*>(main.control(kBaudEntry))->setText(QStringLiteral("500"));
  testing::Click(main, kCalculate);

  auto* fclk = qobject_cast<ValueLabel*>(main.control(kFclk));
  QVERIFY(fclk);
  QCOMPARE(fclk->text(), QStringLiteral("16000000.000000"));
  QVERIFY2(fclk->fontMetrics().horizontalAdvance(fclk->text()) > fclk->contentsRect().width(),
           "the stand-in font no longer makes the field too narrow");
  const auto value = [&main](int id) {
    return QAccessible::queryAccessibleInterface(main.control(id))->text(QAccessible::Value);
  };
  QCOMPARE(value(kFclk), QStringLiteral("16000000.000000"));
  QCOMPARE(value(kFclkMax), QStringLiteral("16016000.000000"));
  QCOMPARE(value(kFclkMin), QStringLiteral("15984000.000000"));

  for (QWidget* w : main.controls()) {
    const QString where = QString::number(main.controlId(w));
    if (auto* label = qobject_cast<ValueLabel*>(w)) {
      if (label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width())
        continue;
      const QImage shown = label->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(
          0, 0, label->width() / 2, label->height());
      QVERIFY2(shown == StartOf(*label), qPrintable(where));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      edit->grab();  // a line edit scrolls to its cursor when it paints
      QCOMPARE(edit->cursorPosition(), 0);
      const QRect first = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
      QVERIFY2(first.center().x() >= 0, qPrintable(where));
    }
  }
}

QTEST_MAIN(FallbackFontTest)
#include "fallback_font_test.moc"
