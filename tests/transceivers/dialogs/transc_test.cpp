// The transceiver selection on real files in a temporary working directory.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include "caption_check.h"
#include "click.h"
#include "dialog_141_ids.h"
#include "dialog_143_ids.h"
#include "dialog_test_case.h"
#include "modal.h"
#include "new_trans.h"
#include "scripted_message_boxes.h"
#include "tool_text.h"
#include "transc.h"
#include "transceiver_test_files.h"
#include "widget_text.h"

using namespace kelvane;
using namespace kelvane::testing;
using namespace kelvane::res::selection_ids;

namespace {

const QString kNotFound = QStringLiteral(
    "Transceiver's Data not found.  Bad Name or File is Corrupted.\nPlease go to \"Edit And "
    "Insert Transceivers\" in order to solve the problem");
const QString kEnterInteger = QStringLiteral("Enter an integer.");

QComboBox* List(CTransc& dialog) { return dialog.controlAs<QComboBox>(kList); }

QStringList Entries(CTransc& dialog) {
  QStringList entries;
  for (int i = 0; i < List(dialog)->count(); ++i) entries << List(dialog)->itemText(i);
  return entries;
}

// As the user does it: the entry is chosen in the list.
void Choose(CTransc& dialog, int index) {
  QComboBox* list = List(dialog);
  list->setCurrentIndex(index);
  emit list->activated(index);
}

void Type(CTransc& dialog, int id, const QString& text) {
  auto* box = dialog.controlAs<QLineEdit>(id);
  QVERIFY(box);
  box->clear();
  box->setFocus();
  QTest::keyClicks(box, text);
}

// tTX, tRX, tLoopEffect, tBus, tPROP as shown.
QStringList Outputs(CTransc& dialog) {
  return {Text(dialog, kTTx), Text(dialog, kTRx), Text(dialog, kTLoopEffect), Text(dialog, kTBus),
          Text(dialog, kTProp)};
}

// Entries of the three value boxes: logic delay, line delay, line length.
QStringList Entries3(CTransc& dialog) {
  return {Text(dialog, kLogicDelay), Text(dialog, kLineDelay), Text(dialog, kLineLength)};
}

bool Checked(CTransc& dialog, int id) { return dialog.controlAs<QAbstractButton>(id)->isChecked(); }

PropagationSettings TransceiverSettings(int index) {
  PropagationSettings settings;
  settings.useStandardProp = false;
  settings.propDelay = 777.0;
  settings.transceiverName = "OLD";
  settings.transceiverIndex = index;
  settings.lineDelay = 5.0f;
  settings.lineLength = 40;
  settings.logicDelay = 100;
  return settings;
}

}  // namespace

class TransceiverSelectionTest : public TransceiverDialogTest {
  Q_OBJECT

 private slots:
  void init() { QVERIFY(StartCase()); }
  void cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
    EndCase();
  }

  void aMissingFileIsSeededAndStandardModeShown() {
    QVERIFY(!TransceiverFileExists());
    PropagationSettings settings;
    CTransc dialog(settings);
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" Select Transceiver"));
    QCOMPARE(ReadTransceiverFile(),
             RecordImage(DefaultRecord0()) + RecordImage(DefaultRecord1()));
    QCOMPARE(Entries(dialog),
             (QStringList{"SELECT...", "PCA82C251", "PCA82C251-47"}));
    QCOMPARE(List(dialog)->currentIndex(), 0);
    QVERIFY(Checked(dialog, kStandard));
    QVERIFY(!Checked(dialog, kFromTransceiver));
    for (int id : {kList, kLineDelay, kLineLength, kLogicDelay, kRefresh})
      QVERIFY2(!dialog.control(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(dialog.control(kInsertNew)->isEnabled());
    QCOMPARE(Entries3(dialog), (QStringList{"0", "0.0", "0"}));
    QCOMPARE(Outputs(dialog), QStringList(5, QString()));
    QVERIFY(boxes_->shown().isEmpty());
    QCOMPARE(ClippedCaptions(dialog), QStringList());
  }

  void filesWithContentAreNotSeeded() {
    WriteTransceiverFile({QByteArray(100, 'x')});
    {
      PropagationSettings settings;
      CTransc dialog(settings);
      QCOMPARE(Entries(dialog), QStringList{"SELECT..."});
    }
    QCOMPARE(ReadTransceiverFile(), QByteArray(100, 'x'));

    const TestRecord only{"ONLY", "d", {}};
    WriteTransceiverFile({RecordImage(only)});
    PropagationSettings settings;
    CTransc dialog(settings);
    QCOMPARE(Entries(dialog), (QStringList{"SELECT...", "ONLY"}));
    QCOMPARE(ReadTransceiverFile(), RecordImage(only));
  }

  void propagationDelay_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("lineDelay");
    QTest::addColumn<QString>("logic");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QString>("lineDelayAfter");
    QTest::newRow("PCA82C251, no line") << 1 << "0" << "" << "0"
        << QStringList{"80", "190", "270", "0.000000", "540.000000"} << "0.000000";
    QTest::newRow("PCA82C251-47, no line") << 2 << "0" << "" << "0"
        << QStringList{"80", "550", "630", "0.000000", "1260.000000"} << "0.000000";
    QTest::newRow("PCA82C251, 40 m at 5 ns/m, logic 100") << 1 << "40" << "5" << "100"
        << QStringList{"80", "190", "270", "200.000000", "1140.000000"} << "5.000000";
    QTest::newRow("line delay that is no number") << 1 << "10" << "abc" << "0"
        << QStringList{"80", "190", "270", "0.000000", "540.000000"} << "0.000000";
    QTest::newRow("line delay with trailing text") << 1 << "2" << "4.25ns" << "0"
        << QStringList{"80", "190", "270", "8.500000", "557.000000"} << "4.250000";
  }
  void propagationDelay() {
    QFETCH(int, entry);
    QFETCH(QString, length);
    QFETCH(QString, lineDelay);
    QFETCH(QString, logic);
    QFETCH(QStringList, outputs);
    QFETCH(QString, lineDelayAfter);
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    QVERIFY(Checked(dialog, kFromTransceiver));
    for (int id : {kList, kLineDelay, kLineLength, kLogicDelay, kRefresh})
      QVERIFY(dialog.control(id)->isEnabled());
    Type(dialog, kLineLength, length);
    Type(dialog, kLineDelay, lineDelay);
    Type(dialog, kLogicDelay, logic);
    Choose(dialog, entry);
    QCOMPARE(Outputs(dialog), outputs);
    QCOMPARE(Text(dialog, kLineDelay), lineDelayAfter);
    // Values longer than their narrow boxes keep their leading digits in view.
    for (int id : {kTProp, kTBus, kLineDelay})
      QCOMPARE(dialog.controlAs<QLineEdit>(id)->cursorPosition(), 0);
    QVERIFY(Text(dialog, kDescription).startsWith(QStringLiteral("Interface between the CAN")));
    QVERIFY(boxes_->shown().isEmpty());
  }

  void equalPairsUseTheOffPair() {
    // On pair 100 + 100, off pair 50 + 150: equal sums.
    const TestRecord tie{"TIE", "tie", {0, 0, 100, 0, 0, 50, 0, 0, 100, 0, 0, 150}};
    const TestRecord on{"ON", "on", {0, 0, 101, 0, 0, 50, 0, 0, 100, 0, 0, 150}};
    WriteTransceiverFile({RecordImage(tie), RecordImage(on)});
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    Choose(dialog, 1);
    QCOMPARE(Outputs(dialog), (QStringList{"50", "150", "200", "0.000000", "400.000000"}));
    Choose(dialog, 2);
    QCOMPARE(Outputs(dialog), (QStringList{"101", "100", "201", "0.000000", "402.000000"}));
  }

  void descriptionLineBreaksAreShown() {
    const TestRecord lines{"LINES", "one\r\ntwo", {}};
    WriteTransceiverFile({RecordImage(lines)});
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    Choose(dialog, 1);
    QCOMPARE(Text(dialog, kDescription), QStringLiteral("one\ntwo"));
  }

  void placeholderKeepsTheValuesAndRefreshClearsThem() {
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    Choose(dialog, 2);
    const QStringList shown = Outputs(dialog);
    QCOMPARE(shown.last(), QStringLiteral("1260.000000"));
    Choose(dialog, 0);
    QCOMPARE(Outputs(dialog), shown);
    QVERIFY(!Text(dialog, kDescription).isEmpty());
    Click(dialog, kRefresh);
    QCOMPARE(Outputs(dialog), QStringList(5, QString()));
    QCOMPARE(Text(dialog, kDescription), QString());
    QCOMPARE(Entries3(dialog), (QStringList{"0", "0.0", "0"}));
    QVERIFY(boxes_->shown().isEmpty());
  }

  void refreshRecomputesWithNewEntries() {
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    Choose(dialog, 1);
    Type(dialog, kLineLength, QStringLiteral("40"));
    Type(dialog, kLineDelay, QStringLiteral("5"));
    Type(dialog, kLogicDelay, QStringLiteral("100"));
    QCOMPARE(Text(dialog, kTProp), QStringLiteral("540.000000"));
    Click(dialog, kRefresh);
    QCOMPARE(Text(dialog, kTProp), QStringLiteral("1140.000000"));
    QCOMPARE(Text(dialog, kLineDelay), QStringLiteral("5.000000"));
  }

  void standardModeClearsAndDisables() {
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    Type(dialog, kLineLength, QStringLiteral("40"));
    Choose(dialog, 1);
    Click(dialog, kStandard);
    QCOMPARE(List(dialog)->currentIndex(), 0);
    QCOMPARE(Outputs(dialog), QStringList(5, QString()));
    QCOMPARE(Entries3(dialog), (QStringList{"0", "0.0", "0"}));
    for (int id : {kList, kLineDelay, kLineLength, kLogicDelay, kRefresh})
      QVERIFY(!dialog.control(id)->isEnabled());
    // Back to the transceiver: enabled again, nothing else changes.
    Click(dialog, kFromTransceiver);
    for (int id : {kList, kLineDelay, kLineLength, kLogicDelay, kRefresh})
      QVERIFY(dialog.control(id)->isEnabled());
    QCOMPARE(Entries3(dialog), (QStringList{"0", "0.0", "0"}));
  }

  void okWithATransceiverStoresTheSettingsAndReopeningRestoresThem() {
    WriteDefaults();
    PropagationSettings settings;
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      Click(*dialog, kFromTransceiver);
      Choose(*dialog, 1);
      Click(*dialog, kOk);
    });
    QVERIFY(RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, false);
    QCOMPARE(settings.propDelay, 540.0);
    QCOMPARE(settings.transceiverIndex, 1);
    QCOMPARE(settings.transceiverName, std::string("PCA82C251"));
    QCOMPARE(settings.lineDelay, 0.0f);
    QCOMPARE(settings.lineLength, 0);
    QCOMPARE(settings.logicDelay, 0);

    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      QVERIFY(Checked(*dialog, kFromTransceiver));
      QCOMPARE(List(*dialog)->currentIndex(), 1);
      QCOMPARE(Text(*dialog, kTProp), QStringLiteral("540.000000"));
      Choose(*dialog, 2);
      Type(*dialog, kLineLength, QStringLiteral("40"));
      Type(*dialog, kLineDelay, QStringLiteral("5"));
      Type(*dialog, kLogicDelay, QStringLiteral("100"));
      Click(*dialog, kOk);
    });
    QVERIFY(RunTransceiverDialog(nullptr, settings));
    // OK refreshes: the new entries count.
    QCOMPARE(settings.propDelay, 2 * (80 + 550 + 100 + 200.0));
    QCOMPARE(settings.transceiverIndex, 2);
    QCOMPARE(settings.transceiverName, std::string("PCA82C251-47"));
    QCOMPARE(settings.lineDelay, 5.0f);
    QCOMPARE(settings.lineLength, 40);
    QCOMPARE(settings.logicDelay, 100);

    // Reopened: the mode, the entries and the position come back and are computed again.
    CTransc again(settings);
    QVERIFY(Checked(again, kFromTransceiver));
    QVERIFY(again.control(kList)->isEnabled());
    QCOMPARE(List(again)->currentIndex(), 2);
    QCOMPARE(Entries3(again), (QStringList{"100", "5.000000", "40"}));
    QCOMPARE(Outputs(again), (QStringList{"80", "550", "630", "200.000000", "1860.000000"}));
    QVERIFY(boxes_->shown().isEmpty());
  }

  void okWithThePlaceholderMeansStandardValues() {
    WriteDefaults();
    PropagationSettings settings = TransceiverSettings(1);
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      QVERIFY(Checked(*dialog, kFromTransceiver));
      Choose(*dialog, 0);
      Click(*dialog, kOk);
    });
    QVERIFY(RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, true);
    // Nothing else is copied.
    QCOMPARE(settings.propDelay, 777.0);
    QCOMPARE(settings.transceiverName, std::string("OLD"));
    QCOMPARE(settings.transceiverIndex, 1);
    QCOMPARE(settings.lineDelay, 5.0f);
    QCOMPARE(settings.lineLength, 40);
    QCOMPARE(settings.logicDelay, 100);
  }

  void okInStandardModeCopiesNothingElse() {
    WriteDefaults();
    PropagationSettings settings = TransceiverSettings(2);
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      Click(*dialog, kStandard);
      Click(*dialog, kOk);
    });
    QVERIFY(RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, true);
    QCOMPARE(settings.propDelay, 777.0);
    QCOMPARE(settings.transceiverIndex, 2);
  }

  void aNonIntegerIsReportedAndTheOldValueKept() {
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    Click(dialog, kFromTransceiver);
    Type(dialog, kLineLength, QStringLiteral("40"));
    Type(dialog, kLineDelay, QStringLiteral("5"));
    Choose(dialog, 1);
    QCOMPARE(Text(dialog, kTProp), QStringLiteral("940.000000"));
    dialog.controlAs<QLineEdit>(kLineLength)->clear();
    Type(dialog, kLineDelay, QStringLiteral("2"));
    Click(dialog, kRefresh);
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(boxes_->shown().first().text, kEnterInteger);
    // The boxes read before the failing one took their values; it shows its old one.
    QCOMPARE(Text(dialog, kLineLength), QStringLiteral("40"));
    QCOMPARE(Text(dialog, kLineDelay), QStringLiteral("2.000000"));
    QCOMPARE(Text(dialog, kTProp), QStringLiteral("700.000000"));
  }

  void aRefusedOkLeavesTheModeAsItWas() {
    WriteDefaults();
    PropagationSettings settings;  // standard values
    PropagationSettings* seen = &settings;
    bool modeAfterRefusal = false;
    WhenShown([seen, &modeAfterRefusal](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      Click(*dialog, kFromTransceiver);
      // No entry chosen: OK has nothing to take the delays from.
      List(*dialog)->setCurrentIndex(-1);
      Click(*dialog, kOk);
      QVERIFY(dialog->isVisible());
      modeAfterRefusal = seen->useStandardProp;
      Choose(*dialog, 1);
      Click(*dialog, kCancel);
    });
    QVERIFY(!RunTransceiverDialog(nullptr, settings));
    QCOMPARE(modeAfterRefusal, true);
    QCOMPARE(settings.useStandardProp, true);
    QCOMPARE(settings.propDelay, 0.0);
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(boxes_->shown().first().text, kNotFound);
  }

  void cancelKeepsEverything() {
    WriteDefaults();
    PropagationSettings settings = TransceiverSettings(1);
    WhenShown([](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      Choose(*dialog, 2);
      Click(*dialog, kCancel);
    });
    QVERIFY(!RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, false);
    QCOMPARE(settings.propDelay, 777.0);
    QCOMPARE(settings.transceiverIndex, 1);
  }

  void insertNewRebuildsTheList() {
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    dialog.show();
    Click(dialog, kFromTransceiver);
    Choose(dialog, 2);
    Type(dialog, kLineLength, QStringLiteral("12"));
    WhenShown([this](QWidget* w) {
      auto* editor = qobject_cast<CNewTrans*>(w);
      QVERIFY(editor);
      auto* name = editor->control(res::editor_ids::kName);
      name->setFocus();
      QTest::keyClicks(name, QStringLiteral("tja1050"));
      boxes_->answer(MsgResult::Yes);
      Click(*editor, res::editor_ids::kAdd);
      Click(*editor, res::editor_ids::kClose);
    });
    Click(dialog, kInsertNew);
    QCOMPARE(Entries(dialog), (QStringList{"SELECT...", "PCA82C251", "PCA82C251-47", "TJA1050"}));
    QCOMPARE(List(dialog)->currentIndex(), 0);
    QCOMPARE(Outputs(dialog), QStringList(5, QString()));
    QCOMPARE(Entries3(dialog), (QStringList{"0", "0.0", "0"}));
    // The new transceiver can be chosen at once.
    Choose(dialog, 3);
    QCOMPARE(Outputs(dialog), (QStringList{"0", "0", "0", "0.000000", "0.000000"}));
    dialog.reject();
  }

  void aNameThatIsNoLongerStoredIsNeverComputed() {
    WriteDefaults();
    PropagationSettings settings = TransceiverSettings(1);
    WhenShown([this](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      QCOMPARE(Text(*dialog, kTProp), QStringLiteral("1140.000000"));
      // Another program renames the second record after the list was filled.
      TestRecord renamed = DefaultRecord1();
      renamed.name = "RENAMED";
      WriteTransceiverFile({RecordImage(DefaultRecord0()), RecordImage(renamed)});
      Choose(*dialog, 2);
      QCOMPARE(boxes_->shown().size(), 1);
      QCOMPARE(boxes_->shown().first().text, kNotFound);
      QCOMPARE(boxes_->shown().first().buttons, MsgButtons::Ok);
      // The boxes keep what they showed.
      QCOMPARE(Text(*dialog, kTProp), QStringLiteral("1140.000000"));
      // Refresh and OK refuse to compute with the record last read.
      Click(*dialog, kRefresh);
      QCOMPARE(boxes_->shown().size(), 2);
      QCOMPARE(boxes_->shown().last().text, kNotFound);
      QCOMPARE(Text(*dialog, kTProp), QStringLiteral("1140.000000"));
      Click(*dialog, kOk);
      QVERIFY(dialog->isVisible());
      QCOMPARE(boxes_->shown().size(), 3);
      QCOMPARE(boxes_->shown().last().text, kNotFound);
      Click(*dialog, kCancel);
    });
    QVERIFY(!RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, false);
    QCOMPARE(settings.propDelay, 777.0);
    QCOMPARE(settings.transceiverName, std::string("OLD"));
  }

  void aStoredPositionThatIsGoneSelectsNothing() {
    WriteDefaults();
    PropagationSettings settings = TransceiverSettings(5);
    WhenShown([this](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      QCOMPARE(List(*dialog)->currentIndex(), -1);
      QCOMPARE(boxes_->shown().size(), 1);
      QCOMPARE(boxes_->shown().first().text, kNotFound);
      Click(*dialog, kOk);
      QVERIFY(dialog->isVisible());
      QCOMPARE(boxes_->shown().size(), 2);
      // Choosing a transceiver that exists makes OK work.
      Choose(*dialog, 1);
      Click(*dialog, kOk);
    });
    QVERIFY(RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, false);
    QCOMPARE(settings.transceiverIndex, 1);
    QCOMPARE(settings.propDelay, 1140.0);
  }

  void namesStoredInLowerCaseAreListedButNotFound() {
    const TestRecord lower{"tja", "lower", {}};
    WriteTransceiverFile({RecordImage(lower)});
    PropagationSettings settings;
    CTransc dialog(settings);
    QCOMPARE(Entries(dialog), (QStringList{"SELECT...", "TJA"}));
    Click(dialog, kFromTransceiver);
    Choose(dialog, 1);
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(boxes_->shown().first().text, kNotFound);
    QCOMPARE(Outputs(dialog), QStringList(5, QString()));
  }

  void fileErrorsNameTheFileAndTheDialogStaysUsable() {
    QVERIFY(QDir().mkdir(QString::fromLatin1(kFileName)));
    PropagationSettings settings;
    WhenShown([this](QWidget* w) {
      auto* dialog = qobject_cast<CTransc*>(w);
      QVERIFY(dialog);
      QVERIFY(!boxes_->shown().isEmpty());
      for (const auto& box : boxes_->shown())
        QVERIFY2(box.text.contains(QStringLiteral("DataTran.Dat")), qPrintable(box.text));
      QCOMPARE(Entries(*dialog), QStringList{"SELECT..."});
      Click(*dialog, kOk);
    });
    QVERIFY(RunTransceiverDialog(nullptr, settings));
    QCOMPARE(settings.useStandardProp, true);
  }

  void toolTipTexts() {
    WriteDefaults();
    PropagationSettings settings;
    CTransc dialog(settings);
    const std::pair<int, const char*> expected[] = {
        {1055, "List the Transceivers for choose which to use"},
        {1059, "Let to Create new Transceivers as well as Modify Existing"},
        {1113, "Sum of the Effective Loop Delays of all Devices but\nthe Transceivers in the "
               "Signal Path, in nano seconds"},
        {1030, "Specific Line Delay in nano seconds"},
        {1031, "Bus Line Length Between Nodes in meters"},
        {1111, "Use Standard Values for calcs.  tProp standard is equal to Tscl"},
        {1112, "Use Data from the Selected Transceiver for make calcs to use\n in the applicated "
               "rules.  Here tProp is calculated"},
        {1109, "Description for the Selected Transceiver"},
        {1114, "Delay of TxD (Transmit Data Input) Node, in nano seconds"},
        {1026, "Delay of RxD (Receive Data Output) Node, in nano seconds"},
        {1028, "Effective Transceiver Loop delay between pin TxD and RxD, in nano seconds"},
        {1027, "Round-Trip Delay or Two-Way Propagation Delay, in nano seconds"},
        {1029, "Delay of the Bus or Transfer medium, in nano seconds"},
        {1061, "Refresh calcs when the user make changes in values"},
    };
    QCOMPARE(ToolCount(dialog.toolTip()), int(std::size(expected)));
    for (const auto& [id, text] : expected)
      QCOMPARE(ToolTextOf(dialog.toolTip(), dialog.control(id)), QString::fromUtf8(text));
  }
};

QTEST_MAIN(TransceiverSelectionTest)
#include "transc_test.moc"
