// The guard that keeps user input away from the window while a search runs.

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QWheelEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "search_input_guard.h"

using kelvane::ui::SearchInputGuard;

namespace {

bool Press(QWidget* target, Qt::MouseButton button) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)),
                    button, button, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  return press.isAccepted();
}

}  // namespace

class SearchInputGuardTest : public QObject {
  Q_OBJECT

 private slots:
  void dropsInputAndRecordsTheRightButton() {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Calculate"), &window);
    auto* entry = new QLineEdit(&window);
    entry->move(0, 40);
    window.show();
    QSignalSpy clicked(button, &QPushButton::clicked);
    {
      SearchInputGuard guard;
      QTest::mouseClick(button, Qt::LeftButton);
      QTest::mouseDClick(button, Qt::LeftButton);  // a press of its own
      QVERIFY(!button->isDown());
      QTest::keyClicks(entry, QStringLiteral("500"));
      QCloseEvent close;
      QCoreApplication::sendEvent(&window, &close);
      QVERIFY(window.isVisible());
      QCOMPARE(clicked.size(), 0);
      QCOMPARE(entry->text(), QString());
      QVERIFY(!guard.takeRightPress());
      Press(button, Qt::RightButton);
      QVERIFY(guard.takeRightPress());
      QVERIFY(!guard.takeRightPress());  // taken once

      guard.setSuspended(true);  // a question box of the search is open: input passes
      QTest::keyClicks(entry, QStringLiteral("7"));
      QCOMPARE(entry->text(), QStringLiteral("7"));
      Press(button, Qt::RightButton);
      guard.setSuspended(false);
      QVERIFY(!guard.takeRightPress());
    }
    QTest::mouseClick(button, Qt::LeftButton);  // gone with the guard
    QCOMPARE(clicked.size(), 1);
  }

  // The result lists are being filled: turning the wheel must not scroll them.
  void dropsTheWheel() {
    QListWidget list;
    for (int i = 0; i < 100; ++i) list.addItem(QString::number(i));
    list.resize(80, 60);
    list.show();
    const auto turn = [&list] {
      QWheelEvent wheel(QPointF(5, 5), list.viewport()->mapToGlobal(QPointF(5, 5)), {},
                        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(list.viewport(), &wheel);
    };
    {
      SearchInputGuard guard;
      turn();
      QCOMPARE(list.verticalScrollBar()->value(), 0);
    }
    turn();
    QVERIFY(list.verticalScrollBar()->value() > 0);
  }
};

QTEST_MAIN(SearchInputGuardTest)
#include "search_input_guard_test.moc"
