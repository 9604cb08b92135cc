// The rule dialog driven through its real widgets.

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "caption_check.h"
#include "click.h"
#include "dialog_137_ids.h"
#include "modal.h"
#include "rest.h"
#include "scripted_message_boxes.h"
#include "tool_text.h"

using namespace kelvane;
using kelvane::res::rule_ids::kCancel;
using kelvane::res::rule_ids::kOk;
using kelvane::testing::Click;
using kelvane::testing::WhenShown;

namespace {

// Check box identifiers in rule order (rule 1 first).
const int kBoxIds[11] = {1052, 1061, 1062, 1063, 1064, 1067, 1068, 1065, 1066, 1070, 1071};

QAbstractButton* Box(CRest& dialog, int rule) {
  return dialog.controlAs<QAbstractButton>(kBoxIds[rule - 1]);
}

QString BoxStates(CRest& dialog) {
  QString states;
  for (int rule = 1; rule <= 11; ++rule) states += Box(dialog, rule)->isChecked() ? '1' : '0';
  return states;
}

}  // namespace

class RuleDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // A dialog left open would answer the next test's clicks.
  void cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
  }

  void layoutTexts() {
    CRest dialog(QStringLiteral("11111111100"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" Customize restrictions"));
    const char* captions[11] = {
        "Rule 1: TSEG2 >= 2 ",
        "Rule 2: TSEG2 >= 3 ",
        "Rule 3: tTSEG2  >=  2 x tSCL         ",
        "Rule 4: tTSEG2  >=  tSJW         ",
        "Rule 5: tTSEG1  >=  tTSEG2         ",
        "Rule 6: tSEG1  >=  tSJW  +  tprop",
        "Rule 7: tTSEG1 >= tSJW + tprop + tSCL  ",
        "Rule 8: tTSEG2 >= 3 x tTSEG2  ",
        "Rule 9: Bit Frequency for the Entered Baud Rate",
        "Rule 10: tSCLmax  >= tSCL >= tSCLmin",
        "Rule 11: Uses Cia Values for Number of TQ",
    };
    for (int rule = 1; rule <= 11; ++rule) {
      QAbstractButton* box = Box(dialog, rule);
      QVERIFY2(box, qPrintable(QString::number(rule)));
      QCOMPARE(box->text(), QString::fromUtf8(captions[rule - 1]));
    }
    QCOMPARE(dialog.controlAs<QAbstractButton>(1)->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.controlAs<QAbstractButton>(2)->text(), QStringLiteral("Cancel"));
    QVERIFY(qobject_cast<QPushButton*>(dialog.control(1))->isDefault());
    QCOMPARE(testing::ClippedCaptions(dialog), QStringList());
  }

  void boxesFollowTheRuleSet_data() {
    QTest::addColumn<QString>("rules");
    QTest::newRow("standard") << QStringLiteral("11111111100");
    QTest::newRow("all on") << QStringLiteral("11111111111");
    QTest::newRow("all off") << QStringLiteral("00000000000");
    // Unequal neighbours show that each character goes to its own rule's box.
    QTest::newRow("alternating") << QStringLiteral("10101010101");
    QTest::newRow("only rule 6") << QStringLiteral("00000100000");
    QTest::newRow("only rule 11") << QStringLiteral("00000000001");
  }
  void boxesFollowTheRuleSet() {
    QFETCH(QString, rules);
    CRest dialog(rules);
    QCOMPARE(BoxStates(dialog), rules);
  }

  void okWithoutChangesKeepsTheSameText() {
    QString rules = QStringLiteral("10110011101");
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CRest*>(w);
      QVERIFY(dialog);
      Click(*dialog, kOk);
    });
    QVERIFY(RunRuleDialog(nullptr, rules));
    QCOMPARE(rules, QStringLiteral("10110011101"));
  }

  void okTakesTheChangedBoxes() {
    QString rules = QStringLiteral("11111111100");
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CRest*>(w);
      QVERIFY(dialog);
      QTest::mouseClick(Box(*dialog, 2), Qt::LeftButton);   // off
      QTest::mouseClick(Box(*dialog, 8), Qt::LeftButton);   // off
      QTest::mouseClick(Box(*dialog, 11), Qt::LeftButton);  // on
      Click(*dialog, kOk);
    });
    QVERIFY(RunRuleDialog(nullptr, rules));
    QCOMPARE(rules, QStringLiteral("10111110101"));
  }

  void okWorksOnStandardStrings() {
    std::string rules = "00000000000";
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CRest*>(w);
      QVERIFY(dialog);
      QTest::mouseClick(Box(*dialog, 6), Qt::LeftButton);
      QTest::mouseClick(Box(*dialog, 7), Qt::LeftButton);
      Click(*dialog, kOk);
    });
    QVERIFY(RunRuleDialog(nullptr, rules));
    QCOMPARE(rules, std::string("00000110000"));
  }

  void cancelLeavesTheRuleSet() {
    QString rules = QStringLiteral("11111111100");
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CRest*>(w);
      QVERIFY(dialog);
      QTest::mouseClick(Box(*dialog, 1), Qt::LeftButton);
      QTest::mouseClick(Box(*dialog, 10), Qt::LeftButton);
      Click(*dialog, kCancel);
    });
    QVERIFY(!RunRuleDialog(nullptr, rules));
    QCOMPARE(rules, QStringLiteral("11111111100"));
  }

  void escapeIsCancel() {
    QString rules = QStringLiteral("00000000001");
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CRest*>(w);
      QVERIFY(dialog);
      QTest::mouseClick(Box(*dialog, 3), Qt::LeftButton);
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QVERIFY(!RunRuleDialog(nullptr, rules));
    QCOMPARE(rules, QStringLiteral("00000000001"));
  }

  void toolTipsStayTenSeconds() {
    CRest dialog(QStringLiteral("11111111100"));
    const char* texts[11] = {
        "When 1-Sample Mode is selected (SAM=0 in Bit Time Register\n  1), Bit Time Segment 2 most "
        "be at least 2",
        "When 3-Sample Mode is selected (SAM=1 in Bit Time Register\n  1), Bit Time Segment 2 most "
        "be at least 3",
        "Bit Time Segment 2 period most be greater  or equal as two\nCAN System Clock periods ",
        "Bit Time Segment 2 period most be greater or  equal  as  a\nSynchronization Jump Width "
        "period",
        "Bit Time Segment 1 period most be greater or  equal  as  a\nBit Time Segment 2 period",
        "Bit Time Segment 1 period most be greater  or equal as the sum\nof  Synchronization  Jump "
        "Width period and Propagation  Delay\nTime",
        "Bit Time Segment 1 period most be greater  or equal as the sum\nof  Synchronization  Jump "
        "Width period, Propagation Delay Time\nand CAN System Clock period when 3-Sample Mode is "
        "selected ",
        "Bit Time Segment 2 period most be greater  or equal as three \nCAN System Clock periods ",
        "To List the combinations with the same entered Baud  Rate.  If\nthere are not similar "
        "values the program will ask if you  want to\nsearch again with a 5% of Baud Rate range",
        "To  List only the combinations who its calculated CAN System Clock\nPeriod will be between "
        "the maximun and minimal CAN System Clock\nPeriod, calculated with a Cia Nominal value and "
        "a percent given by\nthe ppm value from Fclk mAx/Min value",
        "To use Cia recomended Values for select the number of Time Quanta per Bit",
    };
    CMultiTipCtrl& tip = dialog.toolTip();
    QCOMPARE(testing::ToolCount(tip), 11);
    for (int rule = 1; rule <= 11; ++rule)
      QCOMPARE(testing::ToolTextOf(tip, Box(dialog, rule)), QString::fromUtf8(texts[rule - 1]));
    QCOMPARE(tip.GetDelayTime(TTDT_AUTOPOP), 10000u);
    QVERIFY(tip.IsActive());
  }

  void shortOrOddRuleSetsOpenWithoutHarm() {
    CRest shortRules(QStringLiteral("11"));
    QCOMPARE(BoxStates(shortRules), QStringLiteral("11000000000"));
    CRest odd(QStringLiteral("1x21 1111111111"));
    QCOMPARE(BoxStates(odd), QStringLiteral("10010111111"));
  }
};

QTEST_MAIN(RuleDialogTest)
#include "rest_test.moc"
