// The main window as the user meets it: start-up state, menus, the window menu,
// size commands, keys and every way of closing.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "main_window_fixture.h"
#include "modal.h"
#include "shell.h"

using kelvane::testing::OpenedWindow;
using namespace kelvane::res::main_ids;

namespace {

class RecordingShell : public kelvane::ShellService {
 public:
  RecordingShell() { kelvane::SetShellService(this); }
  ~RecordingShell() override { kelvane::SetShellService(nullptr); }
  long open(const QString& address) override {
    opened << address;
    return 42;
  }
  QStringList opened;
};

QStringList MenuCaptions(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

// Runs command and returns the title of the modal dialog it opened (closing it), or
// an empty text when none came.
QString ModalTitleOpenedBy(const std::function<void()>& command) {
  QString title;
  kelvane::testing::WhenModalShown([&title](QWidget* w) {
    title = w->windowTitle();
    QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
  }, 2000);
  command();
  return title;
}

}  // namespace

class KelvaneDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpShowsEntriesAndEmptyDetails() {
    OpenedWindow w;
    QCOMPARE(w.dlg->windowTitle(), QStringLiteral("Kelvane - Bus Timing Calculation "));
    QCOMPARE(w.text(kOscillatorEntry), QStringLiteral("16"));
    QCOMPARE(w.text(kBaudEntry), QStringLiteral("0.0"));
    QCOMPARE(w.text(kToleranceEntry), QStringLiteral("1000"));
    QCOMPARE(w.text(kDividerEntry), QStringLiteral("2"));
    QCOMPARE(w.text(kTestBtr0Entry), QStringLiteral("00"));
    QCOMPARE(w.text(kTestBtr1Entry), QStringLiteral("00"));
    QCOMPARE(w.text(kCurrent), QStringLiteral("0"));
    for (int id : {kTotal, kSjwBits, kBrpBits, kSamBits, kTseg2Bits, kTseg1Bits, kSjwValue,
                   kBrpValue, kSamValue, kTseg2Value, kTseg1Value, kSamplePoint, kNbt, kBitTime,
                   kQuantum, kRate, kTclk, kFclk, kFclkMax, kFclkMin, kProp, kVariation, kTsclMin,
                   kTsclMax}) {
      QVERIFY2(w.text(id).isEmpty(), qPrintable(QStringLiteral("control %1").arg(id)));
    }
    QVERIFY(w.dlg->controlAs<QRadioButton>(kUndividedClock)->isChecked());
    QVERIFY(!w.dlg->controlAs<QRadioButton>(kDividedClock)->isChecked());
    QVERIFY(!w.dlg->controlAs<QCheckBox>(kLargeTolerance)->isChecked());
    QCOMPARE(w.list(kBtr0List)->count(), 0);
    QCOMPARE(w.list(kBtr1List)->count(), 0);
    auto* bar = w.dlg->controlAs<QProgressBar>(kProgress);
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("11111111100"));
    QCOMPARE(w.dlg->activeRuleCommand(), 32776);
    QVERIFY(w.boxes.shown().isEmpty());
  }

  void startUpLeavesOnlyBaudAndTestEntriesEditable() {
    OpenedWindow w;
    for (int id : {kToleranceEntry, kUndividedClock, kDividedClock, kDividerEntry,
                   kLargeTolerance}) {
      QVERIFY2(!w.dlg->control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(qobject_cast<QLineEdit*>(w.dlg->control(kOscillatorEntry))->isReadOnly());
    QVERIFY(!qobject_cast<QLineEdit*>(w.dlg->control(kBaudEntry))->isReadOnly());
    QVERIFY(w.dlg->control(kExpand)->isHidden());
    QVERIFY(w.dlg->control(kContract)->isHidden());
    QCOMPARE(qobject_cast<QLineEdit*>(w.dlg->control(kTestBtr0Entry))->maxLength(), 2);
    QCOMPARE(qobject_cast<QLineEdit*>(w.dlg->control(kTestBtr1Entry))->maxLength(), 2);
    QVERIFY(w.dlg->controlAs<QPushButton>(kCalculate)->isDefault());
    // The first control with a tab stop has the focus; the frame can minimise, not maximise.
    QCOMPARE(w.dlg->focusWidget(), w.dlg->control(kOscillatorEntry));
    QVERIFY(w.dlg->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.dlg->windowFlags() & Qt::WindowMaximizeButtonHint));
  }

  void thankYouWindowComesOnceBeforeTheWindowIsVisible() {
    OpenedWindow w;
    QCOMPARE(w.thanks, 1);
    QCOMPARE(w.visibleAtThanks, QList<bool>{false});
    QVERIFY(w.dlg->isVisible());
    QVERIFY(!w.dlg->windowIcon().isNull());
  }

  void menuBarHoldsTheCommands() {
    OpenedWindow w;
    const QMenuBar* bar = w.dlg->findChild<QMenuBar*>();
    QVERIFY(bar);
    QStringList top;
    for (const QAction* a : bar->actions()) top << a->text();
    QCOMPARE(top, (QStringList{"&File", "&Configuration", "&About"}));
    const QList<QAction*> menus = bar->actions();
    QCOMPARE(MenuCaptions(menus[0]->menu()), (QStringList{"-", "E&xit"}));
    QCOMPARE(MenuCaptions(menus[1]->menu()),
             (QStringList{"&Restrictions", "-", "&Transceiver..."}));
    QCOMPARE(MenuCaptions(menus[1]->menu()->actions()[0]->menu()),
             (QStringList{"S&tandar", "Disable &All", "&Enable All", "-", "Customi&ze..."}));
    QCOMPARE(MenuCaptions(menus[2]->menu()),
             (QStringList{"&Orvena Web Page", "-", "About &Kelvane..."}));
    QVERIFY(w.dlg->menuAction(32776)->isChecked());
    for (int command : {32784, 32778, 32779}) QVERIFY(!w.dlg->menuAction(command)->isChecked());
  }

  void presetsSetTheirRulesAndMoveTheMark() {
    OpenedWindow w;
    struct Step {
      int command;
      const char* rules;
    };
    for (const Step& s : {Step{32784, "00000000000"}, Step{32778, "11111111111"},
                          Step{32776, "11111111100"}, Step{32778, "11111111111"}}) {
      w.dlg->menuAction(s.command)->trigger();
      QCOMPARE(w.dlg->ruleSet().Text(), std::string(s.rules));
      QCOMPARE(w.dlg->activeRuleCommand(), s.command);
      for (int command : {32776, 32784, 32778, 32779}) {
        QCOMPARE(w.dlg->menuAction(command)->isChecked(), command == s.command);
      }
    }
  }

  void theMarkedPresetChangesNothing() {
    OpenedWindow w;
    w.dlg->setRuleSet(*kelvane::RuleSet::FromText("10101010101"));
    w.dlg->menuAction(32776)->trigger();
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("10101010101"));
    QVERIFY(w.dlg->menuAction(32776)->isChecked());
    w.dlg->OnRulesStandard();
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("10101010101"));
    QVERIFY(w.dlg->menuAction(32776)->isChecked());
  }

  void customizeAndTransceiverWaitForTheirDialogs() {
    OpenedWindow w;
    w.dlg->menuAction(32779)->trigger();
    w.dlg->menuAction(32783)->trigger();
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("11111111100"));
    QCOMPARE(w.dlg->activeRuleCommand(), 32776);
    QVERIFY(!w.dlg->menuAction(32779)->isChecked());
    QVERIFY(w.dlg->menuAction(32776)->isChecked());
    QVERIFY(w.boxes.shown().isEmpty());
  }

  void customizeMovesTheMarkOnlyWhenTheDialogEndsWithOk() {
    OpenedWindow w;
    bool answer = false;
    int runs = 0;
    w.dlg->runRuleDialog = [&](CKelvaneDlg& dlg) {
      ++runs;
      if (answer) dlg.setRuleSet(*kelvane::RuleSet::FromText("00000000011"));
      return answer;
    };
    w.dlg->menuAction(32779)->trigger();
    QCOMPARE(w.dlg->activeRuleCommand(), 32776);
    QVERIFY(w.dlg->menuAction(32776)->isChecked());
    QVERIFY(!w.dlg->menuAction(32779)->isChecked());
    answer = true;
    w.dlg->menuAction(32779)->trigger();
    QCOMPARE(w.dlg->activeRuleCommand(), 32779);
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("00000000011"));
    QVERIFY(w.dlg->menuAction(32779)->isChecked());
    QVERIFY(!w.dlg->menuAction(32776)->isChecked());
    answer = false;
    w.dlg->menuAction(32779)->trigger();  // marked already: the dialog runs, the mark stays
    QVERIFY(w.dlg->menuAction(32779)->isChecked());
    QCOMPARE(runs, 3);
    w.dlg->menuAction(32776)->trigger();  // a preset after customising restores its rules
    QCOMPARE(w.dlg->ruleSet().Text(), std::string("11111111100"));
  }

  void aboutCommandsOpenTheAboutBox() {
    OpenedWindow w;
    QCOMPARE(ModalTitleOpenedBy([&] { w.dlg->menuAction(32780)->trigger(); }),
             QStringLiteral(" About Kelvane"));
    QCOMPARE(ModalTitleOpenedBy([&] { w.dlg->OnSysCommand(16); }), QStringLiteral(" About Kelvane"));
    QCOMPARE(ModalTitleOpenedBy([&] { w.dlg->OnSysCommand(16 | 0xF); }),
             QStringLiteral(" About Kelvane"));
    QVERIFY(w.dlg->isVisible());
  }

  void windowMenuEndsWithTheAboutEntry() {
    OpenedWindow w;
    QMenu* menu = w.dlg->windowMenu();
    QVERIFY(menu);
    const QStringList captions = MenuCaptions(menu);
    QVERIFY(captions.size() >= 2);
    QCOMPARE(captions.mid(captions.size() - 2), (QStringList{"-", "&About Kelvane..."}));
    QCOMPARE(ModalTitleOpenedBy([&] { menu->actions().last()->trigger(); }),
             QStringLiteral(" About Kelvane"));
  }

  void windowMenuOpensFromTheEmptyAreaOrWithoutFocusedControl() {
    OpenedWindow w;
    QMenu* menu = w.dlg->windowMenu();
    QWidget* client = w.dlg->client();
    const QPoint empty(150, 460);  // below "Calculate" and "Close"
    QVERIFY(!client->childAt(empty));
    QContextMenuEvent onEmpty(QContextMenuEvent::Mouse, empty, client->mapToGlobal(empty));
    QApplication::sendEvent(client, &onEmpty);
    QVERIFY(menu->isVisible());
    menu->hide();

    QWidget* baud = w.dlg->control(kBaudEntry);
    QContextMenuEvent onEntry(QContextMenuEvent::Mouse, QPoint(3, 3), baud->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(baud, &onEntry);
    QVERIFY(!menu->isVisible());  // the entry's own menu, not the window's
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();

    QApplication::setActiveWindow(w.dlg.get());
    baud->setFocus();
    QTest::keyClick(baud, Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(!menu->isVisible());
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    w.dlg->setFocus();
    QTest::keyClick(w.dlg.get(), Qt::Key_Menu);
    QVERIFY(menu->isVisible());
    menu->hide();
    QTest::keyClick(w.dlg.get(), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(menu->isVisible());
    menu->hide();
    QVERIFY(w.boxes.shown().isEmpty());
  }

  void otherSystemCommandsKeepTheirDefault() {
    OpenedWindow w;
    w.dlg->OnSysCommand(CKelvaneDlg::kSysMinimize);
    QVERIFY(w.dlg->isMinimized());
    QCOMPARE(w.thanks, 1);
    w.dlg->showNormal();
    w.dlg->OnSysCommand(CKelvaneDlg::kSysClose);
    QVERIFY(!w.dlg->isVisible());
    QCOMPARE(w.thanks, 2);
  }

  void webPageCommandOpensTheMakersPage() {
    RecordingShell shell;
    OpenedWindow w;
    w.dlg->menuAction(32781)->trigger();
    QCOMPARE(shell.opened.size(), 1);
    QVERIFY(shell.opened[0].startsWith(QStringLiteral("http")));
    QVERIFY(w.boxes.shown().isEmpty());
  }

  void expandAndContractSetTheOuterWidth() {
    OpenedWindow w;
    const QPoint where = w.dlg->frameGeometry().topLeft();
    const int height = w.dlg->frameGeometry().height();
    for (int round = 0; round < 2; ++round) {
      w.dlg->controlAs<QPushButton>(kExpand)->click();
      QCOMPARE(w.dlg->frameGeometry().width(), 520);
      w.dlg->controlAs<QPushButton>(kContract)->click();
      QCOMPARE(w.dlg->frameGeometry().width(), 260);
      w.dlg->controlAs<QPushButton>(kContract)->click();
      QCOMPARE(w.dlg->frameGeometry().width(), 260);
    }
    w.dlg->controlAs<QPushButton>(kExpand)->click();
    QCOMPARE(w.dlg->frameGeometry().width(), 520);
    QCOMPARE(w.dlg->frameGeometry().topLeft(), where);
    QCOMPARE(w.dlg->frameGeometry().height(), height);
  }

  void keyWithoutFocusedControlShowsTheMessage() {
    OpenedWindow w;
    QApplication::setActiveWindow(w.dlg.get());
    w.dlg->setFocus();
    QTest::keyClick(w.dlg.get(), Qt::Key_F5);
    QCOMPARE(w.boxTexts(), QStringList{"Pulsada la tecla"});
    QCOMPARE(w.boxes.shown()[0].caption, QString());
    QCOMPARE(w.boxes.shown()[0].buttons, kelvane::MsgButtons::Ok);
  }

  void keyIgnoredByAFocusedControlShowsNothing() {
    OpenedWindow w;
    QApplication::setActiveWindow(w.dlg.get());
    QWidget* baud = w.dlg->control(kBaudEntry);
    baud->setFocus();
    QCOMPARE(QApplication::focusWidget(), baud);
    QTest::keyClick(baud, Qt::Key_F5);  // a line edit passes F5 on to the window
    QTest::keyClick(baud, Qt::Key_A);
    QVERIFY(w.boxes.shown().isEmpty());
    QCOMPARE(w.text(kBaudEntry), QStringLiteral("a0.0"));  // typed where the caret stood
  }

  void everyWayOfClosingShowsTheThankYouWindowOnce() {
    const std::function<void(CKelvaneDlg&)> ways[] = {
        [](CKelvaneDlg& d) { d.controlAs<QPushButton>(kClose)->click(); },
        [](CKelvaneDlg& d) { d.menuAction(32775)->trigger(); },
        [](CKelvaneDlg& d) {
          QApplication::setActiveWindow(&d);
          d.control(kBaudEntry)->setFocus();
          QTest::keyClick(d.control(kBaudEntry), Qt::Key_Escape);
        },
        [](CKelvaneDlg& d) { d.close(); },
    };
    int way = 0;
    for (const auto& close : ways) {
      OpenedWindow w;
      QSignalSpy finished(w.dlg.get(), &QDialog::finished);
      close(*w.dlg);
      QVERIFY2(!w.dlg->isVisible(), qPrintable(QString::number(way)));
      QCOMPARE(w.thanks, 2);
      QCOMPARE(finished.size(), 1);
      QCOMPARE(w.dlg->result(), int(QDialog::Accepted));
      ++way;
    }
  }

  void aDividerOfZeroIsWrittenBackAsOne() {
    OpenedWindow w;
    w.type(kDividerEntry, QStringLiteral("0"));
    w.dlg->controlAs<QPushButton>(kClose)->click();
    QVERIFY(!w.dlg->isVisible());
    QCOMPARE(w.text(kDividerEntry), QStringLiteral("1"));
  }

  void tipsExplainFortyTwoControls() {
    OpenedWindow w;
    const struct {
      int id;
      const char* text;
    } expected[] = {
        {1018, "External Oscillator Frequency in Megahertz"},
        {1000, "Desire Baudrate for Data transmition in Kilobauds per second"},
        {1001, "Variation Range for the Clock Frequency in PPM (Parts per Million)"},
        {1045, "Use the External Oscillator Frequency as Clock Frequency"},
        {1046, "The Clock Frequency is the Oscillator frequency divided\nby a given number"},
        {1047, "Value to Divide the Oscillator Frequency and to\noptain the Clock Frequency"},
        {1048, "BTR0 Hexadecimal Value to be tested"},
        {1050, "BTR1 Hexadecimal Value to be tested"},
        {1056, "Execute de Test for the entered Hexadecimal Values   \rFor make the Test is "
               "necesasry to enter valid Hexadecimal Values\nas well as to provide an Oscillator "
               "Frequency and Select a Mode.\nBy default Fclk = Fosc is selected"},
        {1040, "Only combinations with NBT between 8 and 16 will be chosen"},
        {1022, "List the BTR0 Hexadecimal combination for the entered Data"},
        {1023, "List the BTR1 Hexadecimal combination for the entered Data"},
        {1032, "The Index Number of the Actual Combination Showed in the Values's Visor"},
        {1025, "Total of Combination found for the entered Values"},
        {1024, "Work's Progress in find Combinations for the Entered Values"},
        {1043, "Expand the Window allowing see the Detail Values for\neach Combination"},
        {1044, "Contract the Window allowing see only the Combination\nList and the Entry "
               "Values's Area"},
        {1010, "Begin the process for calculate the Combination for   \nthe entered Values\r"
               "Pressing the RIGHT Mouse Button you can Stop the Proccess."},
        {1, "Terminate the Application"},
        {1027, "Show the Value of SJW (Synchronization Jump Width)\nfrom the Current "
               "Combination in Binary Format"},
        {1026, "Show the Value of BPR (Baud Rate Prescaler) from\nthe Current Combination in "
               "Binary Format"},
        {1028, "Show the Value of SAM (Sample Mode) from the Current\nCombination in Binary Format"},
        {1029, "Show the Value of TSEG2 (Bit time Segment 2) from\nthe Current Combination in "
               "Binary Format"},
        {1030, "Show the Value of TSEG1 (Bit time Segment 1) from\nthe Current Combination in "
               "Binary Format"},
        {1006, "Show the Value of SJW (Synchronization Jump Width)\nfrom the Current "
               "Combination in Decimal Format"},
        {1007, "Show the Value of BPR (Baud Rate Prescaler) from\nthe Current Combination in "
               "Decimal Format"},
        {1008, "Show the Value of SAM (Sample Mode) from the Current\nCombination in Decimal Format"},
        {1009, "Show the Value of TSEG2 (Bit time Segment 2) from\nthe Current Combination in "
               "Decimal Format"},
        {1011, "Show the Value of TSEG1 (Bit time Segment 1) from\nthe Current Combination in "
               "Decimal Format"},
        {1039, "Show the Sample Point of a Bit Time Period, in Percent"},
        {1004, "Quantity of Time Quanta per Bit"},
        {1020, "Duration of a Bit Time (Number of Time Quanta\nmultiply by The duration of each "
               "Time Quanta),\nin microseconds"},
        {1003, "Duration of a Bit Time Quanta, in nanoseconds"},
        {1031, "Baud Rate supported for the Current Combination,\nin Kilobauds per second"},
        {1033, "Duration of One period of Clock in nanoseconds"},
        {1034, "Clock Freuqency, in Cycles per Seconds"},
        {1037, "Maximum Clock Frequency supported in\ncycles per second"},
        {1038, "Minimal Clock Frequency supported in\ncycles per second"},
        {1041, "Normalize Propagation Delay (Propagation Delay time\ndivided by a period of the "
               "CAN system clock)"},
        {1035, "Deviation of the Oscillator Reference Frequency,\nnormalized to the Nominal "
               "Frequency"},
        {1005, "Minimum Value for the Period of\nthe System CAN Clock"},
        {1016, "Maximum Value for the Period of\nthe System CAN Clock"},
    };
    const auto& tools = w.dlg->toolTip().Tools();
    QCOMPARE(tools.size(), std::size(expected));
    for (std::size_t i = 0; i < tools.size(); ++i) {
      QCOMPARE(tools[i]->window.data(), w.dlg->control(expected[i].id));
      QCOMPARE(tools[i]->text, QString::fromUtf8(expected[i].text));
    }
  }
};

QTEST_MAIN(KelvaneDlgTest)
#include "kelvane_dlg_test.moc"
