// The main window's rule and transceiver commands with the real dialogs.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "../main_window_fixture.h"
#include "click.h"
#include "dialog_137_ids.h"
#include "dialog_141_ids.h"
#include "menu_dialogs.h"
#include "modal.h"
#include "rest.h"
#include "transc.h"

using namespace kelvane;
using namespace kelvane::testing;
using namespace kelvane::res;

namespace {

const int kRuleBoxIds[11] = {1052, 1061, 1062, 1063, 1064, 1067, 1068, 1065, 1066, 1070, 1071};

QString RuleBoxes(CRest& dialog) {
  QString states;
  for (int id : kRuleBoxIds) states += dialog.controlAs<QAbstractButton>(id)->isChecked() ? '1' : '0';
  return states;
}

// Runs "Customi&ze..." and answers the dialog: toggles the boxes of the given
// rules, then presses OK or Cancel (button). Returns the boxes as they opened.
QString Customize(OpenedWindow& w, QList<int> toggle, int button) {
  QString opened;
  WhenShown([&](QWidget* shown) {
    auto* dialog = qobject_cast<CRest*>(shown);
    QVERIFY(dialog);
    opened = RuleBoxes(*dialog);
    for (int rule : toggle)
      QTest::mouseClick(dialog->control(kRuleBoxIds[rule - 1]), Qt::LeftButton);
    Click(*dialog, button);
  });
  w.dlg->menuAction(32779)->trigger();
  return opened;
}

bool Marked(OpenedWindow& w, int command) { return w.dlg->menuAction(command)->isChecked(); }

QList<int> MarkedCommands(OpenedWindow& w) {
  QList<int> marked;
  for (int command : {32776, 32784, 32778, 32779})
    if (Marked(w, command)) marked << command;
  return marked;
}

}  // namespace

class MenuDialogsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> dir_;
  QString previousDir_;

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
  }
  void cleanup() {
    QDir::setCurrent(previousDir_);
    dir_.reset();
  }

  void customizeWithCancelChangesNothing() {
    OpenedWindow w;
    ConnectMenuDialogs(*w.dlg);
    QCOMPARE(Customize(w, {1, 2}, rule_ids::kCancel), QStringLiteral("11111111100"));
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("11111111100"));
    QCOMPARE(MarkedCommands(w), QList<int>{32776});
    QCOMPARE(w.dlg->activeRuleCommand(), 32776);
  }

  void customizeWithOkMovesTheMark() {
    OpenedWindow w;
    ConnectMenuDialogs(*w.dlg);
    // Unchanged boxes: the mark moves all the same.
    Customize(w, {}, rule_ids::kOk);
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("11111111100"));
    QCOMPARE(MarkedCommands(w), QList<int>{32779});
    // Customised again: the rules change, the mark stays.
    QCOMPARE(Customize(w, {1, 11}, rule_ids::kOk), QStringLiteral("11111111100"));
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("01111111101"));
    QCOMPARE(MarkedCommands(w), QList<int>{32779});
    // Cancel while customised keeps both.
    QCOMPARE(Customize(w, {5}, rule_ids::kCancel), QStringLiteral("01111111101"));
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("01111111101"));
    QCOMPARE(MarkedCommands(w), QList<int>{32779});
    // A preset chosen again restores its rules and takes the mark back.
    w.dlg->menuAction(32776)->trigger();
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("11111111100"));
    QCOMPARE(MarkedCommands(w), QList<int>{32776});
  }

  void thePresetsOpenTheDialogWithTheirRules() {
    OpenedWindow w;
    ConnectMenuDialogs(*w.dlg);
    w.dlg->menuAction(32778)->trigger();
    QCOMPARE(Customize(w, {}, rule_ids::kCancel), QStringLiteral("11111111111"));
    QCOMPARE(MarkedCommands(w), QList<int>{32778});
    w.dlg->menuAction(32784)->trigger();
    QCOMPARE(Customize(w, {3}, rule_ids::kOk), QStringLiteral("00000000000"));
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("00100000000"));
    QCOMPARE(MarkedCommands(w), QList<int>{32779});
  }

  void aTransceiverNarrowsTheSearchByRuleSix() {
    OpenedWindow w;
    ConnectMenuDialogs(*w.dlg);

    // The standard propagation delay first, to see the transceiver make a difference.
    w.type(main_ids::kBaudEntry, QStringLiteral("500"));
    QTest::mouseClick(w.dlg->control(main_ids::kCalculate), Qt::LeftButton);
    const QStringList standardBtr0 = w.entries(main_ids::kBtr0List);
    QCOMPARE(standardBtr0.size(), 47);
    QCOMPARE(w.text(main_ids::kProp), QStringLiteral("1.000000"));

    WhenShown([](QWidget* shown) {
      auto* dialog = qobject_cast<CTransc*>(shown);
      QVERIFY(dialog);
      Click(*dialog, selection_ids::kFromTransceiver);
      QComboBox* list = dialog->controlAs<QComboBox>(selection_ids::kList);
      list->setCurrentIndex(1);
      emit list->activated(1);
      QCOMPARE(dialog->controlAs<QLineEdit>(selection_ids::kTProp)->text(),
               QStringLiteral("540.000000"));
      Click(*dialog, selection_ids::kOk);
    });
    w.dlg->menuAction(32783)->trigger();
    QCOMPARE(w.dlg->propagationSettings().useStandardProp, false);
    QCOMPARE(w.dlg->propagationSettings().propDelay, 540.0);

    QTest::mouseClick(w.dlg->control(main_ids::kCalculate), Qt::LeftButton);
    const QStringList btr0 = w.entries(main_ids::kBtr0List);
    const QStringList btr1 = w.entries(main_ids::kBtr1List);
    QCOMPARE(btr0.size(), btr1.size());
    QVERIFY(!btr0.isEmpty());
    QVERIFY(btr0.size() < standardBtr0.size());
    const double tClkNs = 62.5;  // 16 MHz
    for (int i = 0; i < btr0.size(); ++i) {
      bool ok0 = false, ok1 = false;
      const int b0 = btr0[i].toInt(&ok0, 16);
      const int b1 = btr1[i].toInt(&ok1, 16);
      QVERIFY(ok0 && ok1);
      const int brp = (b0 & 0x3F) + 1;
      const int sjw = (b0 >> 6) + 1;
      const int tseg1 = (b1 & 0x0F) + 1;
      const double tScl = 2 * tClkNs * brp;
      QVERIFY2(tseg1 * tScl >= sjw * tScl + 540.0,
               qPrintable(QStringLiteral("%1/%2").arg(btr0[i], btr1[i])));
    }
    // The first pair is shown; PROP is the delay in its time quanta.
    const int brp = (btr0[0].toInt(nullptr, 16) & 0x3F) + 1;
    QCOMPARE(w.text(main_ids::kProp), QString::number(540.0 / (2 * tClkNs * brp), 'f', 6));
  }
};

QTEST_MAIN(MenuDialogsTest)
#include "menu_dialogs_test.moc"
