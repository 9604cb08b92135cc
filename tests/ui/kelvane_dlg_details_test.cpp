// The details panel and the register test in the live window: the lists kept in
// step, the selected pair explained, typed pairs decoded or refused.

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QWheelEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "main_window_fixture.h"

using kelvane::testing::OpenedWindow;
using namespace kelvane::res::main_ids;

namespace {

// Every control of the panel and the counters, in one line, to see that nothing changed.
QStringList PanelTexts(const OpenedWindow& w) {
  QStringList out;
  for (int id : {kSjwBits, kBrpBits, kSamBits, kTseg2Bits, kTseg1Bits, kSjwValue, kBrpValue,
                 kSamValue, kTseg2Value, kTseg1Value, kNbt, kSamplePoint, kBitTime, kQuantum, kRate,
                 kTclk, kFclk, kFclkMax, kFclkMin, kVariation, kTsclMin, kTsclMax, kProp, kCurrent,
                 kTotal}) {
    out << w.text(id);
  }
  return out;
}

void FillLists(const OpenedWindow& w, const QStringList& btr0, const QStringList& btr1) {
  w.list(kBtr0List)->addItems(btr0);
  w.list(kBtr1List)->addItems(btr1);
}

void RunTest(const OpenedWindow& w, const QString& btr0, const QString& btr1) {
  w.type(kTestBtr0Entry, btr0);
  w.type(kTestBtr1Entry, btr1);
  w.dlg->controlAs<QPushButton>(kTest)->click();
}

struct Expected {
  const char* sjwBits;
  const char* brpBits;
  const char* samBit;
  const char* tseg2Bits;
  const char* tseg1Bits;
  const char* sjw;
  const char* brp;
  const char* sam;
  const char* tseg2;
  const char* tseg1;
  const char* nbt;
  const char* samplePoint;
  const char* bitDuration;
  const char* timeQuantum;
  const char* baudRate;
};

void CompareFields(const OpenedWindow& w, const Expected& e) {
  const struct {
    int id;
    const char* text;
  } rows[] = {{kSjwBits, e.sjwBits}, {kBrpBits, e.brpBits}, {kSamBits, e.samBit},
              {kTseg2Bits, e.tseg2Bits}, {kTseg1Bits, e.tseg1Bits}, {kSjwValue, e.sjw},
              {kBrpValue, e.brp}, {kSamValue, e.sam}, {kTseg2Value, e.tseg2},
              {kTseg1Value, e.tseg1}, {kNbt, e.nbt}, {kSamplePoint, e.samplePoint},
              {kBitTime, e.bitDuration}, {kQuantum, e.timeQuantum}, {kRate, e.baudRate}};
  for (const auto& r : rows) {
    if (w.text(r.id) != QString::fromUtf8(r.text)) {
      QFAIL(qPrintable(QStringLiteral("control %1 shows \"%2\", expected \"%3\"")
                           .arg(r.id)
                           .arg(w.text(r.id), QString::fromUtf8(r.text))));
    }
  }
}

const Expected k00_1C{"00", "000000", "0", "001", "1100", "1", "1", "0", "2", "13",
                      "16", "87.500000", "2.000000", "125", "500.000000"};

}  // namespace

class KelvaneDlgDetailsTest : public QObject {
  Q_OBJECT

 private slots:
  void registerTestDecodesTypedPairs_data() {
    QTest::addColumn<QString>("btr0");
    QTest::addColumn<QString>("btr1");
    QTest::addColumn<int>("row");
    QTest::newRow("00/1C") << "00" << "1C" << 0;
    QTest::newRow("00/00") << "00" << "00" << 1;
    QTest::newRow("FF/FF") << "FF" << "FF" << 2;
  }
  void registerTestDecodesTypedPairs() {
    QFETCH(QString, btr0);
    QFETCH(QString, btr1);
    QFETCH(int, row);
    const Expected expected[] = {
        k00_1C,
        {"00", "000000", "0", "000", "0000", "1", "1", "0", "1", "1", "3", "66.666667",
         "0.375000", "125", "2666.666667"},
        {"11", "111111", "1", "111", "1111", "4", "64", "1", "8", "16", "25", "68.000000",
         "200.000000", "8000", "5.000000"},
    };
    OpenedWindow w;
    RunTest(w, btr0, btr1);
    QVERIFY(w.boxes.shown().isEmpty());
    CompareFields(w, expected[row]);
    // A value wider than its field shows its first digits.
    QCOMPARE(qobject_cast<QLineEdit*>(w.dlg->control(kSamplePoint))->cursorPosition(), 0);
    for (int id : {kTclk, kFclk, kFclkMax, kFclkMin, kVariation, kTsclMin, kTsclMax}) {
      QCOMPARE(w.text(id), QStringLiteral("Test Mode..."));
    }
    // The test leaves the counters, PROP and the lists alone.
    QCOMPARE(w.text(kCurrent), QStringLiteral("0"));
    QCOMPARE(w.text(kTotal), QString());
    QCOMPARE(w.text(kProp), QString());
    QCOMPARE(w.thanks, 2);  // start-up and the test
  }

  void registerTestIgnoresTheDivider() {
    OpenedWindow w;
    w.dlg->controlAs<QRadioButton>(kDividedClock)->setChecked(true);
    QCOMPARE(w.text(kDividerEntry), QStringLiteral("2"));
    RunTest(w, "00", "1C");
    QVERIFY(w.boxes.shown().isEmpty());
    QCOMPARE(w.text(kRate), QStringLiteral("500.000000"));
  }

  void registerTestWithoutOscillatorShowsZeros() {
    OpenedWindow w;
    w.type(kOscillatorEntry, QStringLiteral("0"));
    RunTest(w, "00", "1C");
    QCOMPARE(w.text(kQuantum), QStringLiteral("0"));
    QCOMPARE(w.text(kBitTime), QStringLiteral("0.000000"));
    QCOMPARE(w.text(kRate), QStringLiteral("0.000000"));
    QCOMPARE(w.text(kNbt), QStringLiteral("16"));
    QCOMPARE(w.text(kSamplePoint), QStringLiteral("87.500000"));
  }

  void registerTestRefusesWhatIsNotTwoHexDigits_data() {
    QTest::addColumn<QString>("btr0");
    QTest::addColumn<QString>("btr1");
    QTest::newRow("one character") << "5" << "1C";
    QTest::newRow("G in BTR1") << "00" << "G1";
    QTest::newRow("empty BTR0") << "" << "00";
    QTest::newRow("blank") << " 1" << "00";
    QTest::newRow("sign") << "-0" << "00";
    QTest::newRow("point") << "." << "00";
    QTest::newRow("full-width A") << "00" << QStringLiteral("\uFF21" "1");
    QTest::newRow("Arabic-Indic digits") << QStringLiteral("\u0661\u0661") << "00";
    QTest::newRow("emoji") << "00" << QStringLiteral("\U0001F600");
  }
  void registerTestRefusesWhatIsNotTwoHexDigits() {
    QFETCH(QString, btr0);
    QFETCH(QString, btr1);
    OpenedWindow w;
    RunTest(w, "00", "1C");  // something on show that a refusal must leave alone
    const QStringList before = PanelTexts(w);
    RunTest(w, btr0, btr1);
    QCOMPARE(w.boxTexts(), QStringList{"Please Enter a Correct value for Testing values"});
    const auto& box = w.boxes.shown().first();
    QCOMPARE(box.caption, QString());
    QCOMPARE(box.shownCaption, QStringLiteral("Kelvane"));
    QCOMPARE(box.buttons, kelvane::MsgButtons::Ok);
    QCOMPARE(box.icon, kelvane::MsgIcon::None);
    QCOMPARE(PanelTexts(w), before);
    QCOMPARE(w.thanks, 2);  // start-up and the first test, none for the refused one
  }

  void typedLettersBecomeUpperCase() {
    OpenedWindow w;
    QLineEdit* entry = qobject_cast<QLineEdit*>(w.dlg->control(kTestBtr1Entry));
    entry->clear();
    QTest::keyClicks(entry, QStringLiteral("1cff"));
    QCOMPARE(entry->text(), QStringLiteral("1C"));
  }

  void listsSelectInStepBothWays() {
    OpenedWindow w;
    FillLists(w, {"00", "01", "C9", "00", "00"}, {"1C", "1C", "A7", "00", "1C"});
    w.list(kBtr1List)->setCurrentRow(3);
    QCOMPARE(w.list(kBtr0List)->currentRow(), 3);
    QCOMPARE(w.text(kCurrent), QStringLiteral("4"));
    w.list(kBtr0List)->setCurrentRow(4);
    QCOMPARE(w.list(kBtr1List)->currentRow(), 4);
    QCOMPARE(w.text(kCurrent), QStringLiteral("5"));
    w.list(kBtr1List)->setCurrentRow(4);  // the same entry again changes nothing
    QCOMPARE(w.text(kCurrent), QStringLiteral("5"));
  }

  // Each list shows one highlighted entry, the one the panel explains, whatever
  // keys or clicks the user combines.
  void listsKeepOneSelectedEntryInStep() {
    OpenedWindow w;
    FillLists(w, {"00", "01", "C9"}, {"1C", "1C", "A7"});
    QApplication::setActiveWindow(w.dlg.get());
    QListWidget* btr0 = w.list(kBtr0List);
    QListWidget* btr1 = w.list(kBtr1List);
    btr0->setFocus();
    btr0->setCurrentRow(0);
    const auto selectedRows = [](QListWidget* list) {
      QList<int> rows;
      for (const QListWidgetItem* item : list->selectedItems()) rows << list->row(item);
      return rows;
    };
    QTest::keyClick(btr0, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(w.text(kCurrent), QStringLiteral("2"));
    QCOMPARE(selectedRows(btr0), QList<int>{1});
    QCOMPARE(selectedRows(btr1), QList<int>{1});

    // A Ctrl+click on the highlighted entry leaves it highlighted.
    const QRect at = btr1->visualItemRect(btr1->item(1));
    QTest::mouseClick(btr1->viewport(), Qt::LeftButton, Qt::ControlModifier, at.center());
    QCOMPARE(selectedRows(btr1), QList<int>{1});
    QCOMPARE(selectedRows(btr0), QList<int>{1});
    QCOMPARE(w.text(kCurrent), QStringLiteral("2"));

    QTest::keyClick(btr0, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(selectedRows(btr0), QList<int>{1});
  }

  // Rows side by side always form one pair, and a copied row brings its pair.
  void listsScrollInStepAndCopyThePair() {
    OpenedWindow w;
    QStringList btr0, btr1;
    for (int i = 0; i < 100; ++i) {
      btr0 << QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
      btr1 << QStringLiteral("%1").arg(0xFF - i, 2, 16, QLatin1Char('0')).toUpper();
    }
    FillLists(w, btr0, btr1.mid(0, 30));  // the second list is filled later
    QApplication::setActiveWindow(w.dlg.get());
    QVERIFY(QTest::qWaitForWindowExposed(w.dlg.get()));
    QCoreApplication::processEvents();  // the lists lay out their rows
    QListWidget* list0 = w.list(kBtr0List);
    QListWidget* list1 = w.list(kBtr1List);
    const auto firstRows = [&] {
      return QPair<int, int>(list0->indexAt(QPoint(2, 2)).row(), list1->indexAt(QPoint(2, 2)).row());
    };

    list0->verticalScrollBar()->setValue(60);  // the scroll bar, past the shorter list's end
    QCOMPARE(firstRows().first, 60);
    list1->addItems(btr1.mid(30));
    QCoreApplication::processEvents();
    QCOMPARE(firstRows(), qMakePair(60, 60));
    QWheelEvent wheel(QPointF(5, 5), list1->viewport()->mapToGlobal(QPointF(5, 5)), {},
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list1->viewport(), &wheel);  // the wheel on the other list
    QVERIFY(firstRows().first > 60);
    QCOMPARE(firstRows().first, firstRows().second);
    list1->setFocus();
    QTest::keyClick(list1, Qt::Key_End);  // keys, and the selection they make
    QCOMPARE(list0->currentRow(), 99);
    QVERIFY(firstRows().first > 80);
    QCOMPARE(firstRows().first, firstRows().second);

    list1->setCurrentRow(41);
    QTest::keySequence(list1, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("29 D6"));
    list0->setFocus();
    QTest::keySequence(list0, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("29 D6"));
  }

  void selectionExplainsThePairWithTheClockTheTestLeft() {
    OpenedWindow w;
    RunTest(w, "00", "1C");  // 16 MHz: tCLK 62.5 ns
    FillLists(w, {"01", "00", "C9"}, {"1C", "1C", "A7"});
    w.list(kBtr0List)->setCurrentRow(1);
    CompareFields(w, k00_1C);
    QCOMPARE(w.text(kProp), QStringLiteral("1.000000"));
    QCOMPARE(w.text(kCurrent), QStringLiteral("2"));
    QCOMPARE(w.text(kTclk), QStringLiteral("Test Mode..."));  // clock fields keep the test's texts

    w.list(kBtr0List)->setCurrentRow(0);
    QCOMPARE(w.text(kBrpBits), QStringLiteral("000001"));
    QCOMPARE(w.text(kBrpValue), QStringLiteral("2"));
    QCOMPARE(w.text(kQuantum), QStringLiteral("250"));
    QCOMPARE(w.text(kBitTime), QStringLiteral("4.000000"));
    QCOMPARE(w.text(kRate), QStringLiteral("250.000000"));

    w.list(kBtr1List)->setCurrentRow(2);
    CompareFields(w, {"11", "001001", "1", "010", "0111", "4", "10", "1", "3", "8", "12",
                      "75.000000", "15.000000", "1250", "66.666667"});
  }

  void propShowsTheTransceiverDelayInQuanta() {
    OpenedWindow w;
    RunTest(w, "00", "1C");
    FillLists(w, {"00", "00"}, {"1C", "1C"});
    w.dlg->propagationSettings().useStandardProp = false;
    w.dlg->propagationSettings().propDelay = 250;
    w.list(kBtr0List)->setCurrentRow(0);
    QCOMPARE(w.text(kProp), QStringLiteral("2.000000"));
    QCOMPARE(w.dlg->propagationSettings().propDelay, 250.0);
    w.dlg->propagationSettings().useStandardProp = true;
    w.list(kBtr0List)->setCurrentRow(1);
    QCOMPARE(w.text(kProp), QStringLiteral("1.000000"));
    QCOMPARE(w.dlg->propagationSettings().propDelay, 125.0);
  }

  void propWithoutDelayOutsideTheStandardValuesIsZero() {
    OpenedWindow w;
    RunTest(w, "00", "1C");
    FillLists(w, {"00"}, {"1C"});
    w.dlg->propagationSettings().useStandardProp = false;
    w.list(kBtr0List)->setCurrentRow(0);
    QCOMPARE(w.text(kProp), QStringLiteral("0.000000"));
  }
};

QTEST_MAIN(KelvaneDlgDetailsTest)
#include "kelvane_dlg_details_test.moc"
