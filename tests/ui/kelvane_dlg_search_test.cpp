// "Calculate" in the live window: the request from the entries, the lists and
// counters the search fills, its stop, the 1 % pass and the reset window.

#include <QCheckBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "main_window_fixture.h"

using kelvane::MsgButtons;
using kelvane::MsgIcon;
using kelvane::MsgResult;
using kelvane::testing::OpenedWindow;
using namespace kelvane::res::main_ids;

namespace {

void Calculate(const OpenedWindow& w, const QString& baud) {
  w.type(kBaudEntry, baud);
  w.dlg->controlAs<QPushButton>(kCalculate)->click();
}

void PostRightPress(QWidget* target) {
  const QPointF at(5, 5);
  QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                       target->mapToGlobal(at), Qt::RightButton,
                                                       Qt::RightButton, Qt::NoModifier));
}

// The window after a search without result that was not retried.
void CompareResetWindow(const OpenedWindow& w) {
  QCOMPARE(w.text(kOscillatorEntry), QStringLiteral("16"));
  QCOMPARE(w.text(kBaudEntry), QStringLiteral("0.0"));
  QCOMPARE(w.text(kToleranceEntry), QStringLiteral("0"));
  QCOMPARE(w.text(kDividerEntry), QStringLiteral("0"));
  QCOMPARE(w.text(kTestBtr0Entry), QStringLiteral("00"));
  QCOMPARE(w.text(kTestBtr1Entry), QStringLiteral("00"));
  QCOMPARE(w.text(kCurrent), QStringLiteral("0"));
  QCOMPARE(w.text(kTotal), QStringLiteral("0"));
  QVERIFY(!w.dlg->controlAs<QCheckBox>(kLargeTolerance)->isChecked());
  QCOMPARE(w.dlg->controlAs<QProgressBar>(kProgress)->value(), 0);
  for (int id : {kSjwBits, kBrpBits, kSamBits, kTseg2Bits, kTseg1Bits})
    QCOMPARE(w.text(id), QString());
  for (int id : {kSjwValue, kBrpValue, kSamValue, kTseg2Value, kTseg1Value, kNbt, kBitTime,
                 kSamplePoint, kQuantum, kRate, kTclk, kFclk, kFclkMax, kFclkMin, kProp, kVariation,
                 kTsclMin, kTsclMax}) {
    QVERIFY2(w.text(id) == QStringLiteral("0"), qPrintable(QString::number(id)));
  }
  QCOMPARE(w.list(kBtr0List)->count(), 0);
  QCOMPARE(w.list(kBtr1List)->count(), 0);
}

}  // namespace

class KelvaneDlgSearchTest : public QObject {
  Q_OBJECT

 private slots:
  void calculateAt500ListsTheFortySevenPairs() {
    OpenedWindow w;
    Calculate(w, "500");
    QVERIFY(w.boxes.shown().isEmpty());
    QCOMPARE(w.list(kBtr0List)->count(), 47);
    QCOMPARE(w.list(kBtr1List)->count(), 47);
    QCOMPARE(w.text(kTotal), QStringLiteral("47"));
    QCOMPARE(w.text(kBaudEntry), QStringLiteral("500.000000"));
    QCOMPARE(w.dlg->controlAs<QProgressBar>(kProgress)->value(), 100);
    // Every pair is a BRP 1 pair of 16 quanta or a BRP 2 pair of 8.
    for (int i = 0; i < 47; ++i) {
      const QString b0 = w.list(kBtr0List)->item(i)->text();
      QVERIFY2(b0.size() == 2 && (b0.right(1) == "0" || b0.right(1) == "1"), qPrintable(b0));
      QCOMPARE(w.list(kBtr1List)->item(i)->text().size(), 2);
    }
    // The first pair is selected and explained, with the clock values of the request.
    QCOMPARE(w.list(kBtr0List)->currentRow(), 0);
    QCOMPARE(w.list(kBtr1List)->currentRow(), 0);
    QCOMPARE(w.dlg->focusWidget(), w.list(kBtr0List));
    QCOMPARE(w.text(kCurrent), QStringLiteral("1"));
    QCOMPARE(w.text(kFclk), QStringLiteral("16000000.000000"));
    QCOMPARE(w.text(kTclk), QStringLiteral("62.500000"));
    QCOMPARE(w.text(kFclkMax), QStringLiteral("16016000.000000"));
    QCOMPARE(w.text(kFclkMin), QStringLiteral("15984000.000000"));
    QCOMPARE(w.text(kVariation), QStringLiteral("0.100000"));
    QCOMPARE(w.text(kTsclMin), QStringLiteral("112.500000"));
    QCOMPARE(w.text(kTsclMax), QStringLiteral("137.500000"));
    QCOMPARE(w.text(kProp), QStringLiteral("1.000000"));
    QCOMPARE(w.text(kRate), QStringLiteral("500.000000"));
    QCOMPARE(w.text(kBitTime), QStringLiteral("2.000000"));
    QCOMPARE(w.thanks, 2);
    // Selecting the fourth pair in the BTR1 list keeps the lists in step.
    w.list(kBtr1List)->setCurrentRow(3);
    QCOMPARE(w.list(kBtr0List)->currentRow(), 3);
    QCOMPARE(w.text(kCurrent), QStringLiteral("4"));
  }

  void firstPairAt500IsExplained() {
    OpenedWindow w;
    Calculate(w, "500");
    const QString b0 = w.list(kBtr0List)->item(0)->text();
    const QString b1 = w.list(kBtr1List)->item(0)->text();
    // Visited first: SAM 0, TSEG2 2 (rule 1), then TSEG1 5 with BRP 2 gives 8 quanta of 250 ns.
    QCOMPARE(b0 + "/" + b1, QStringLiteral("01/14"));
    QCOMPARE(w.text(kSjwBits), QStringLiteral("00"));
    QCOMPARE(w.text(kBrpBits), QStringLiteral("000001"));
    QCOMPARE(w.text(kSamBits), QStringLiteral("0"));
    QCOMPARE(w.text(kTseg2Bits), QStringLiteral("001"));
    QCOMPARE(w.text(kTseg1Bits), QStringLiteral("0100"));
    QCOMPARE(w.text(kBrpValue), QStringLiteral("2"));
    QCOMPARE(w.text(kTseg1Value), QStringLiteral("5"));
    QCOMPARE(w.text(kNbt), QStringLiteral("8"));
    QCOMPARE(w.text(kSamplePoint), QStringLiteral("75.000000"));
    QCOMPARE(w.text(kQuantum), QStringLiteral("250"));
  }

  // A clock that moves a frame and a bit at each look: every pair found is on
  // the screen at the next look, not a second later.
  void theListsAreRepaintedAboutEveryFrame() {
    OpenedWindow w;
    qint64 now = 0;
    QList<int> seen;
    w.dlg->searchClock = [&] {
      seen << w.list(kBtr0List)->count();
      return now += 17;
    };
    Calculate(w, "500");
    QCOMPARE(w.list(kBtr0List)->count(), 47);
    for (int rows = 1; rows <= 47; ++rows)
      QVERIFY2(seen.contains(rows), qPrintable(QStringLiteral("%1 rows never shown").arg(rows)));
  }

  void enterInTheBaudEntryCalculates() {
    OpenedWindow w;
    QLineEdit* baud = qobject_cast<QLineEdit*>(w.dlg->control(kBaudEntry));
    QApplication::setActiveWindow(w.dlg.get());
    baud->setFocus();
    baud->clear();
    QTest::keyClicks(baud, QStringLiteral("500"));
    QTest::keyClick(baud, Qt::Key_Return);
    QCOMPARE(w.text(kTotal), QStringLiteral("47"));
    QCOMPARE(w.text(kBaudEntry), QStringLiteral("500.000000"));
  }

  void secondPressComparesWithSixDecimals() {
    OpenedWindow w;
    Calculate(w, "500");
    w.dlg->controlAs<QPushButton>(kCalculate)->click();  // "500.000000": 500 exactly still matches
    QVERIFY(w.boxes.shown().isEmpty());
    QCOMPARE(w.text(kTotal), QStringLiteral("47"));
    QCOMPARE(w.thanks, 3);

    // 8000 / 24 kbit/s matches "333.333" to three decimals but not "333.333000".
    Calculate(w, "333.333");
    QVERIFY(w.boxes.shown().isEmpty());
    QVERIFY(w.list(kBtr0List)->count() > 0);
    QCOMPARE(w.text(kBaudEntry), QStringLiteral("333.333000"));
    w.boxes.answer(MsgResult::No);
    w.dlg->controlAs<QPushButton>(kCalculate)->click();
    QCOMPARE(w.boxTexts(),
             QStringList{"No Match with Exact Value, Do you want to Search with 1% percent range?"});
  }

  void noExactMatchDeclinedResetsTheWindow() {
    OpenedWindow w;
    w.boxes.answer(MsgResult::No);
    Calculate(w, "499");
    QCOMPARE(w.boxTexts(),
             QStringList{"No Match with Exact Value, Do you want to Search with 1% percent range?"});
    const auto& box = w.boxes.shown().first();
    QCOMPARE(box.caption, QStringLiteral(" Increase the Search "));
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(box.icon, MsgIcon::Question);
    CompareResetWindow(w);
    QCOMPARE(w.thanks, 1);  // none after a declined retry
  }

  void noExactMatchAcceptedRunsTheOnePercentPass() {
    OpenedWindow w;
    w.boxes.answer(MsgResult::Yes);
    Calculate(w, "499");
    QCOMPARE(w.boxes.shown().size(), 1);
    QVERIFY(w.list(kBtr0List)->count() > 0);
    QCOMPARE(w.list(kBtr1List)->count(), w.list(kBtr0List)->count());
    QCOMPARE(w.text(kTotal), QString::number(w.list(kBtr0List)->count()));
    QCOMPARE(w.text(kCurrent), QStringLiteral("1"));
    QCOMPARE(w.list(kBtr0List)->currentRow(), 0);
    QCOMPARE(w.thanks, 2);  // once, after the accepted retry
    // The next calculation is an exact one again: it asks the question again.
    w.boxes.answer(MsgResult::No);
    Calculate(w, "499");
    QCOMPARE(w.boxes.shown().size(), 2);
    QCOMPARE(w.boxes.shown()[1].caption, QStringLiteral(" Increase the Search "));
  }

  void emptyOnePercentPassReportsAndResets() {
    OpenedWindow w;
    w.boxes.answer(MsgResult::Yes);
    Calculate(w, "5000");  // above any rate the registers can give at 16 MHz
    QCOMPARE(w.boxTexts(),
             (QStringList{"No Match with Exact Value, Do you want to Search with 1% percent range?",
                          "No combinations were found"}));
    const auto& report = w.boxes.shown()[1];
    QCOMPARE(report.caption, QString());
    QCOMPARE(report.shownCaption, QStringLiteral("Kelvane"));
    QCOMPARE(report.buttons, MsgButtons::Ok);
    CompareResetWindow(w);
    QCOMPARE(w.thanks, 2);  // the accepted retry shows it, though it found nothing
  }

  void stopInTheFirstSweepEndsAfterThatSweep() {
    OpenedWindow w;
    w.dlg->menuAction(32784)->trigger();  // "Disable &All"
    w.boxes.answer(MsgResult::Yes);
    w.type(kBaudEntry, QStringLiteral("500"));
    PostRightPress(w.list(kBtr0List));
    w.dlg->controlAs<QPushButton>(kCalculate)->click();
    QCOMPARE(w.boxTexts(), QStringList{"Do you want to stop the process?"});
    const auto& box = w.boxes.shown().first();
    QCOMPARE(box.caption, QStringLiteral(" Stop Operation"));
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(box.icon, MsgIcon::Question);
    QCOMPARE(w.list(kBtr0List)->count(), 256);
    QCOMPARE(w.list(kBtr1List)->count(), 256);
    QCOMPARE(w.text(kTotal), QStringLiteral("256"));
    QCOMPARE(w.entries(kBtr0List).mid(0, 5), (QStringList{"00", "40", "80", "C0", "01"}));
    QCOMPARE(w.entries(kBtr1List).mid(0, 5), (QStringList{"00", "00", "00", "00", "00"}));
    QCOMPARE(w.dlg->controlAs<QProgressBar>(kProgress)->value(), 100);
    QCOMPARE(w.list(kBtr0List)->currentRow(), 0);
    QCOMPARE(w.thanks, 2);  // once after a stopped search
    QVERIFY(!w.dlg->isSearching());
  }

  void aSearchThatAcceptsNothingCannotBeStopped() {
    OpenedWindow w;
    w.boxes.answer(MsgResult::No);
    w.type(kBaudEntry, QStringLiteral("5000"));
    PostRightPress(w.list(kBtr0List));
    w.dlg->controlAs<QPushButton>(kCalculate)->click();
    QCOMPARE(w.boxTexts(),
             QStringList{"No Match with Exact Value, Do you want to Search with 1% percent range?"});
  }

  void waitCursorOnlyWhileTheSearchRuns() {
    OpenedWindow w;
    w.dlg->menuAction(32784)->trigger();
    bool waitCursorAtQuestion = false;
    w.boxes.onShow = [&](const kelvane::testing::ScriptedMessageBoxes::Shown&) {
      const QCursor* c = QGuiApplication::overrideCursor();
      waitCursorAtQuestion = c && c->shape() == Qt::WaitCursor;
      return int(MsgResult::Yes);
    };
    w.type(kBaudEntry, QStringLiteral("500"));
    PostRightPress(w.list(kBtr0List));
    w.dlg->controlAs<QPushButton>(kCalculate)->click();
    QCOMPARE(w.boxes.shown().size(), 1);
    QVERIFY(waitCursorAtQuestion);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  }

  void stopAnsweredNoGoesOn() {
    OpenedWindow w;
    w.dlg->menuAction(32784)->trigger();
    w.boxes.answer(MsgResult::No);
    w.type(kBaudEntry, QStringLiteral("500"));
    PostRightPress(w.list(kBtr0List));
    w.dlg->controlAs<QPushButton>(kCalculate)->click();
    QCOMPARE(w.boxes.shown().size(), 1);
    QCOMPARE(w.list(kBtr0List)->count(), 65536);
    QCOMPARE(w.text(kTotal), QStringLiteral("65536"));
    QCOMPARE(w.entries(kBtr0List).last() + w.entries(kBtr1List).last(), QStringLiteral("FFFF"));
  }

  void inputDuringTheSearchIsDropped() {
    OpenedWindow w;
    w.dlg->menuAction(32784)->trigger();
    w.type(kBaudEntry, QStringLiteral("500"));
    // A second "Calculate", Escape and the close box, all waiting while the search runs.
    QCoreApplication::postEvent(w.dlg->control(kBaudEntry),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(w.dlg->control(kBaudEntry),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QCoreApplication::postEvent(w.dlg.get(), new QCloseEvent);
    w.dlg->controlAs<QPushButton>(kCalculate)->click();
    QCOMPARE(w.list(kBtr0List)->count(), 65536);
    QVERIFY(w.dlg->isVisible());
    QCOMPARE(w.thanks, 2);  // start-up and the one search: no second search, no closing
    QVERIFY(w.boxes.shown().isEmpty());
  }

  void dividerOutOfRangeIsReported() {
    OpenedWindow w;
    w.dlg->controlAs<QRadioButton>(kDividedClock)->setChecked(true);
    for (const char* divider : {"0", "10"}) {
      w.boxes.clear();
      w.type(kDividerEntry, QString::fromUtf8(divider));
      Calculate(w, "500");
      QCOMPARE(w.boxTexts(), QStringList{"Only Integer Values Between 1 and 9 for Fclk Divider"});
      QCOMPARE(w.boxes.shown().first().buttons, MsgButtons::Ok);
      QCOMPARE(w.list(kBtr0List)->count(), 0);
      QCOMPARE(w.text(kBaudEntry), QStringLiteral("500"));  // nothing else changed
    }
    // A divider of 2 halves the clock: 8 MHz.
    w.boxes.clear();
    w.type(kDividerEntry, QStringLiteral("2"));
    Calculate(w, "500");
    QVERIFY(w.boxes.shown().isEmpty());
    QCOMPARE(w.text(kFclk), QStringLiteral("8000000.000000"));
    QVERIFY(w.list(kBtr0List)->count() > 0);
  }

  void badBaudEntriesNeverCrash_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("rewritten");
    QTest::addColumn<QString>("retried");  // the entry as the 1 % pass rewrote it
    QTest::addColumn<int>("pairs");
    QTest::newRow("empty") << "" << "0.000000" << "0.000000" << 0;
    QTest::newRow("letters") << "abc" << "0.000000" << "0.000000" << 0;
    // "inf" is not a number to read again: the 1 % pass reads 0.
    QTest::newRow("overflow") << "1e400" << "inf" << "0.000000" << 0;
    QTest::newRow("negative overflow") << "-1e400" << "-inf" << "0.000000" << 0;
    QTest::newRow("10000 digits") << QString(10000, QLatin1Char('5')) << "inf" << "0.000000" << 0;
    QTest::newRow("minus zero") << "-0" << "-0.000000" << QString() << 0;
    // Neither infinities nor NaN are read from the entry, nor anything but ASCII digits.
    QTest::newRow("nan") << "nan" << "0.000000" << QString() << 0;
    QTest::newRow("inf") << "inf" << "0.000000" << QString() << 0;
    QTest::newRow("point") << "." << "0.000000" << QString() << 0;
    QTest::newRow("exponent only") << "e5" << "0.000000" << QString() << 0;
    QTest::newRow("full-width digits") << QStringLiteral("\uFF15\uFF10\uFF10") << "0.000000"
                                       << QString() << 0;
    // 200 nines read as the nearest double, written out in full.
    QTest::newRow("200 digits") << QString(200, QLatin1Char('9'))
                                << QStringLiteral(
                                       "999999999999999969733122212510361659474503275455023626482417"
                                       "509503468484355540755341963384047062518680275124159738824081"
                                       "821357343682784846393850410472398778710235910667899818111818"
                                       "13306167128854888448.000000")
                                << QString() << 0;
    // The exact comparison looks at magnitudes only.
    QTest::newRow("negative") << "-500" << "-500.000000" << QString() << 47;
  }
  void badBaudEntriesNeverCrash() {
    QFETCH(QString, baud);
    QFETCH(QString, rewritten);
    QFETCH(QString, retried);
    QFETCH(int, pairs);
    if (retried.isEmpty()) retried = rewritten;
    OpenedWindow w;
    QStringList entryAtBoxes;
    w.boxes.onShow = [&](const kelvane::testing::ScriptedMessageBoxes::Shown&) {
      entryAtBoxes << w.text(kBaudEntry);
      return 0;
    };
    w.boxes.answer(MsgResult::Yes);
    Calculate(w, baud);
    if (pairs > 0) {
      QVERIFY(w.boxes.shown().isEmpty());
      QCOMPARE(w.text(kBaudEntry), rewritten);
      QCOMPARE(w.list(kBtr0List)->count(), pairs);
      return;
    }
    QCOMPARE(w.boxTexts(),
             (QStringList{"No Match with Exact Value, Do you want to Search with 1% percent range?",
                          "No combinations were found"}));
    // The entry showed the rewritten text; the 1 % pass read it and rewrote it again.
    QCOMPARE(entryAtBoxes, (QStringList{rewritten, retried}));
    CompareResetWindow(w);
    QCOMPARE(w.thanks, 2);
  }

  void resetWindowValues() {
    OpenedWindow w;
    Calculate(w, "500");
    w.dlg->ResetWindow();
    QCOMPARE(w.text(kTotal), QStringLiteral("0"));
    QCOMPARE(w.text(kToleranceEntry), QStringLiteral("0"));
    QCOMPARE(w.text(kDividerEntry), QStringLiteral("0"));
    QCOMPARE(w.text(kBaudEntry), QStringLiteral("0.0"));
    // The lists stay as they were.
    QCOMPARE(w.list(kBtr0List)->count(), 47);
    QVERIFY(w.dlg->controlAs<QRadioButton>(kUndividedClock)->isChecked());
  }

  void closingAfterAResetWritesTheDividerBackAsOne() {
    OpenedWindow w;
    w.boxes.answer(MsgResult::No);
    Calculate(w, "499");
    QCOMPARE(w.text(kDividerEntry), QStringLiteral("0"));
    w.dlg->controlAs<QPushButton>(kClose)->click();
    QVERIFY(!w.dlg->isVisible());
    QCOMPARE(w.text(kDividerEntry), QStringLiteral("1"));
    QCOMPARE(w.thanks, 2);
  }

  void toleranceStaysZeroAfterAReset() {
    OpenedWindow w;
    w.boxes.answer(MsgResult::No);
    Calculate(w, "499");
    Calculate(w, "500");
    QCOMPARE(w.text(kFclkMax), QStringLiteral("16000000.000000"));
    QCOMPARE(w.text(kVariation), QStringLiteral("0.000000"));
  }
};

QTEST_MAIN(KelvaneDlgSearchTest)
#include "kelvane_dlg_search_test.moc"
