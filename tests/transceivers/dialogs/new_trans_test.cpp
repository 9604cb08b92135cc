// The transceiver editor on real files in a temporary working directory.

#include "new_trans.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextEdit>
#include <QtTest>

#include "caption_check.h"
#include "click.h"
#include "dialog_143_ids.h"
#include "dialog_test_case.h"
#include "scripted_message_boxes.h"
#include "tool_text.h"
#include "transceiver_test_files.h"
#include "widget_text.h"

using namespace kelvane;
using namespace kelvane::testing;
using namespace kelvane::res::editor_ids;

namespace {

// Boxes of the twelve delays: min, nom, max of tOnTXD, tOffTXD, tOnRXD, tOffRXD.
const int kDelayIds[12] = {1066, 1067, 1068, 1071, 1072, 1073, 1076, 1077, 1078, 1081, 1082, 1083};

const QString kNoBlankName = QStringLiteral("The Field \"Name\" can not be Blank");
const QString kExists = QStringLiteral("This Transceiver Already Exist");
const QString kByDefault = QStringLiteral("This Value is here By Default. You can not erase it");
const QString kLimitReached = QStringLiteral(
    "You reached the max characters length for the Description (200 characters)");

QStringList Delays(CNewTrans& dialog) {
  QStringList values;
  for (int id : kDelayIds) values << Text(dialog, id);
  return values;
}

QStringList Numbers(const std::array<int, 12>& values) {
  QStringList texts;
  for (int v : values) texts << QString::number(v);
  return texts;
}

bool Enabled(CNewTrans& dialog, int id) { return dialog.control(id)->isEnabled(); }

void TypeInto(CNewTrans& dialog, int id, const QString& text) {
  QWidget* box = dialog.control(id);
  box->setFocus();
  QTest::keyClicks(box, text);
}

// Typing characters that have no key of their own (QTest only types Latin-1).
void TypeUnicode(CNewTrans& dialog, int id, const QString& text) {
  QWidget* box = dialog.control(id);
  box->setFocus();
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &release);
  }
}

}  // namespace

class TransceiverEditorTest : public TransceiverDialogTest {
  Q_OBJECT

 private slots:
  void init() { QVERIFY(StartCase()); }
  void cleanup() { EndCase(); }

  void opensInInsertMode() {
    WriteDefaults();
    CNewTrans dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" Insert and Edit Transceivers"));
    QVERIFY(dialog.controlAs<QAbstractButton>(kInsertMode)->isChecked());
    QVERIFY(!dialog.controlAs<QAbstractButton>(kEditMode)->isChecked());
    QCOMPARE(Text(dialog, kCount), QStringLiteral("2"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("0"));
    QCOMPARE(Text(dialog, kName), QString());
    QCOMPARE(Text(dialog, kDescription), QString());
    QCOMPARE(Delays(dialog), QStringList(12, QString()));
    QVERIFY(Enabled(dialog, kAdd));
    QVERIFY(Enabled(dialog, kName));
    for (int id : {kPrevious, kNext, kModify, kDelete})
      QVERIFY2(!Enabled(dialog, id), qPrintable(QString::number(id)));
    QVERIFY(boxes_->shown().isEmpty());
    QCOMPARE(ClippedCaptions(dialog), QStringList());
  }

  void delayGridHasTwelveEnabledBoxes() {
    WriteDefaults();
    CNewTrans dialog;
    QList<int> enabled;
    for (int id = 1061; id < 1061 + 35; ++id) {
      QWidget* box = dialog.control(id);
      QVERIFY2(box, qPrintable(QString::number(id)));
      if (box->isEnabled()) enabled << id;
    }
    QCOMPARE(enabled, QList<int>(std::begin(kDelayIds), std::end(kDelayIds)));
    // Edit mode keeps the same twelve.
    Click(dialog, kEditMode);
    for (int id = 1061; id < 1061 + 35; ++id)
      QCOMPARE(dialog.control(id)->isEnabled(), enabled.contains(id));
  }

  void editModePagesThroughTheRecords() {
    WriteDefaults();
    CNewTrans dialog;
    Click(dialog, kEditMode);
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251"));
    QCOMPARE(Delays(dialog), Numbers({0, 0, 50, 0, 40, 80, 0, 55, 120, 0, 90, 190}));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("1"));
    QCOMPARE(Text(dialog, kCount), QStringLiteral("2"));
    QVERIFY(!Enabled(dialog, kName));
    QVERIFY(!Enabled(dialog, kAdd));
    for (int id : {kPrevious, kNext, kModify, kDelete}) QVERIFY(Enabled(dialog, id));

    Click(dialog, kPrevious);  // already at the first record
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("1"));
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251"));

    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251-47"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("2"));
    QCOMPARE(Delays(dialog), Numbers({0, 0, 50, 0, 40, 80, 0, 290, 400, 0, 440, 550}));
    QVERIFY(Text(dialog, kDescription).endsWith(QStringLiteral("Condition R8 = 47Ohm")));

    Click(dialog, kNext);  // already at the last record
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("2"));
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251-47"));

    Click(dialog, kPrevious);
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251"));

    // Back to Insert mode: blank boxes, count again, no record shown.
    Click(dialog, kInsertMode);
    QCOMPARE(Text(dialog, kName), QString());
    QCOMPARE(Text(dialog, kDescription), QString());
    QCOMPARE(Delays(dialog), QStringList(12, QString()));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("0"));
    QVERIFY(Enabled(dialog, kName));
  }

  void editModeOnAnEmptyFileFallsBackToInsertMode() {
    CNewTrans dialog;  // the file does not exist yet
    QCOMPARE(Text(dialog, kCount), QStringLiteral("0"));
    Click(dialog, kEditMode);
    QVERIFY(dialog.controlAs<QAbstractButton>(kInsertMode)->isChecked());
    QVERIFY(!dialog.controlAs<QAbstractButton>(kEditMode)->isChecked());
    QVERIFY(Enabled(dialog, kAdd));
    QVERIFY(!Enabled(dialog, kModify));
    QVERIFY(boxes_->shown().isEmpty());
    QVERIFY(TransceiverFileExists());
    QCOMPARE(ReadTransceiverFile().size(), 0);
  }

  void namesAreTypedInUpperCaseAndAtMost14Long() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("tja1050"));
    QCOMPARE(Text(dialog, kName), QStringLiteral("TJA1050"));
    TypeInto(dialog, kName, QStringLiteral("abcdefghij"));
    QCOMPARE(Text(dialog, kName), QStringLiteral("TJA1050ABCDEFG"));
  }

  void addWithEmptyBoxesStoresBlankDescriptionAndZeros() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("new1"));
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);

    QCOMPARE(boxes_->shown().size(), 1);
    const auto& question = boxes_->shown().first();
    QCOMPARE(question.text, QStringLiteral("Save this Data?"));
    QCOMPARE(question.caption, QStringLiteral(" Save Transceiver"));
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QCOMPARE(question.icon, MsgIcon::Question);

    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(RecordCount(file), 3);
    QCOMPARE(file.size(), 3 * kRecordBytes);
    QCOMPARE(NameInFile(file, 2), QByteArray("NEW1"));
    QCOMPARE(DescriptionInFile(file, 2), QByteArray(" "));
    QCOMPARE(DelaysInFile(file, 2), (std::array<int, 12>{}));
    QCOMPARE(RowLabel(file, 2, 1), QByteArray("tOnTXD"));
    QCOMPARE(RowLabel(file, 2, 2), QByteArray("tOffTXD"));
    QCOMPARE(RowLabel(file, 2, 3), QByteArray("tOnRXD"));
    QCOMPARE(RowLabel(file, 2, 4), QByteArray("tOffRXD"));
    // The first two records are untouched.
    QCOMPARE(file.left(2 * kRecordBytes),
             RecordImage(DefaultRecord0()) + RecordImage(DefaultRecord1()));

    QCOMPARE(Text(dialog, kCount), QStringLiteral("3"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("3"));
    QCOMPARE(Text(dialog, kName), QString());
  }

  void addStoresTheTypedValues() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("TJA1040"));
    TypeInto(dialog, kDescription, QStringLiteral("High speed"));
    const int values[12] = {1, 2, 3, 40, 50, 60, 700, 800, 900, 11, 0, 999999999};
    for (int i = 0; i < 12; ++i) {
      if (i == 10) continue;  // left empty: stored as 0
      TypeInto(dialog, kDelayIds[i], QString::number(values[i]));
    }
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(RecordCount(file), 3);
    QCOMPARE(NameInFile(file, 2), QByteArray("TJA1040"));
    QCOMPARE(DescriptionInFile(file, 2), QByteArray("High speed"));
    QCOMPARE(DelaysInFile(file, 2),
             (std::array<int, 12>{1, 2, 3, 40, 50, 60, 700, 800, 900, 11, 0, 999999999}));
  }

  void delayBoxesTakeOnlyNineDigits() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, DelayBoxId(1, 0), QStringLiteral("12x34567890123"));
    QCOMPARE(Text(dialog, DelayBoxId(1, 0)), QStringLiteral("123456789"));
  }

  void addRefusals_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank") << QString() << kNoBlankName;
    QTest::newRow("duplicate") << QStringLiteral("PCA82C251") << kExists;
    QTest::newRow("duplicate typed in lower case") << QStringLiteral("pca82c251-47") << kExists;
    QTest::newRow("blanks only") << QStringLiteral("   ") << kNoBlankName;
    QTest::newRow("duplicate with a blank at the end") << QStringLiteral("PCA82C251 ") << kExists;
  }
  void addRefusals() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    WriteDefaults();
    const QByteArray before = ReadTransceiverFile();
    CNewTrans dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    TypeInto(dialog, kName, name);
    TypeInto(dialog, kDescription, QStringLiteral("something"));
    TypeInto(dialog, DelayBoxId(1, 0), QStringLiteral("12"));
    dialog.control(kAdd)->setFocus();
    Click(dialog, kAdd);
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(boxes_->shown().first().text, message);
    QCOMPARE(boxes_->shown().first().buttons, MsgButtons::Ok);
    QCOMPARE(ReadTransceiverFile(), before);
    // The boxes are cleared after a refusal too.
    QCOMPARE(Text(dialog, kName), QString());
    QCOMPARE(Text(dialog, kDescription), QString());
    QCOMPARE(Text(dialog, DelayBoxId(1, 0)), QString());
    if (message == kNoBlankName) QCOMPARE(QApplication::focusWidget(), dialog.control(kName));
  }

  void blanksAtTheEndOfANewNameAreDropped() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("tja1040 "));
    QApplication::clipboard()->setText(QStringLiteral("\t\u00a0"));  // blanks no key types
    QTest::keyClick(dialog.control(kName), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(dialog, kName), QStringLiteral("TJA1040 \t\u00a0"));
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);
    QCOMPARE(boxes_->texts(), QStringList{"Save this Data?"});
    QCOMPARE(NameInFile(ReadTransceiverFile(), 2), QByteArray("TJA1040"));
  }

  // Another editor, or kelvane-calc, adds the name while "Save this Data?" is
  // open: Yes then finds it under the lock and writes nothing.
  void aNameAddedWhileTheQuestionIsOpenIsRefusedAtYes_data() {
    QTest::addColumn<bool>("byCalc");
    QTest::newRow("another editor") << false;
    QTest::newRow("kelvane-calc") << true;
  }
  void aNameAddedWhileTheQuestionIsOpenIsRefusedAtYes() {
    QFETCH(bool, byCalc);
    WriteDefaults();
    CNewTrans first, second;
    int calcStatus = -1;
    bool raced = false;
    boxes_->onShow = [&](const ScriptedMessageBoxes::Shown& box) {
      if (box.text == QLatin1String("Save this Data?") && !raced) {
        raced = true;
        if (byCalc) {
          calcStatus = QProcess::execute(QStringLiteral(KELVANE_CALC),
                                         {"transceiver", "--data-file", kFileName, "add", "RACE1"});
        } else {
          TypeInto(second, kName, QStringLiteral("race1"));
          Click(second, kAdd);
        }
      }
      return box.buttons == MsgButtons::YesNo ? int(MsgResult::Yes) : 0;
    };
    TypeInto(first, kName, QStringLiteral("race1"));
    Click(first, kAdd);
    if (byCalc) QCOMPARE(calcStatus, 0);
    QCOMPARE(boxes_->texts().last(), kExists);
    QCOMPARE(boxes_->texts().size(), byCalc ? 2 : 3);
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(RecordCount(file), 3);
    QCOMPARE(NameInFile(file, 2), QByteArray("RACE1"));
    QCOMPARE(Text(first, kName), QString());
  }

  void addAnsweredNoWritesNothing() {
    WriteDefaults();
    const QByteArray before = ReadTransceiverFile();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("X"));
    boxes_->answer(MsgResult::No);
    Click(dialog, kAdd);
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(ReadTransceiverFile(), before);
    QCOMPARE(Text(dialog, kName), QString());
    QCOMPARE(Text(dialog, kCount), QStringLiteral("2"));
  }

  void defaultRecordsCannotBeDeleted() {
    WriteDefaults();
    const QByteArray before = ReadTransceiverFile();
    CNewTrans dialog;
    Click(dialog, kEditMode);
    for (int page = 0; page < 2; ++page) {
      boxes_->clear();
      Click(dialog, kDelete);
      QCOMPARE(boxes_->shown().size(), 1);
      QCOMPARE(boxes_->shown().first().text, kByDefault);
      QCOMPARE(ReadTransceiverFile(), before);
      Click(dialog, kNext);
    }
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251-47"));
  }

  void deletingAUserRecord() {
    const TestRecord mine{"MINE", "mine", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}};
    WriteTransceiverFile(
        {RecordImage(DefaultRecord0()), RecordImage(mine), RecordImage(DefaultRecord1())});
    CNewTrans dialog;
    Click(dialog, kEditMode);
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("MINE"));

    boxes_->answer(MsgResult::No);
    Click(dialog, kDelete);
    QCOMPARE(boxes_->shown().last().text, QStringLiteral("Delete this Record?"));
    QCOMPARE(boxes_->shown().last().caption, QStringLiteral(" Delete Transceiver"));
    QCOMPARE(boxes_->shown().last().buttons, MsgButtons::YesNo);
    QCOMPARE(boxes_->shown().last().icon, MsgIcon::Question);
    QCOMPARE(RecordCount(ReadTransceiverFile()), 3);

    boxes_->answer(MsgResult::Yes);
    Click(dialog, kDelete);
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(file, RecordImage(DefaultRecord0()) + RecordImage(DefaultRecord1()));
    QCOMPARE(Text(dialog, kCount), QStringLiteral("2"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("0"));
    QCOMPARE(Text(dialog, kName), QString());
    QCOMPARE(Text(dialog, kDescription), QString());
    QCOMPARE(Delays(dialog), QStringList(12, QString()));
    QVERIFY(dialog.controlAs<QAbstractButton>(kEditMode)->isChecked());

    // The empty form stands for no record: it can neither overwrite nor remove one.
    boxes_->clear();
    boxes_->answer(MsgResult::Yes);
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kModify);
    Click(dialog, kDelete);
    QVERIFY(boxes_->shown().isEmpty());
    QCOMPARE(ReadTransceiverFile(), file);

    // The position is the first record, so ">>>>" shows the second.
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251-47"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("2"));
    QVERIFY(Enabled(dialog, kModify));
    QVERIFY(Enabled(dialog, kDelete));
  }

  // Two windows on one file: the one whose record moved writes nothing and
  // shows the file as it is now.
  void aRecordMovedByAnotherWindowIsNeitherOverwrittenNorDeleted() {
    const auto user = [](const char* name, int delay) {
      return RecordImage(TestRecord{name, name, {delay, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    };
    WriteTransceiverFile({RecordImage(DefaultRecord0()), RecordImage(DefaultRecord1()),
                          user("AAA", 1), user("BBB", 2), user("CCC", 3)});
    CNewTrans x, y;
    Click(x, 1099);
    Click(x, 1096);
    Click(x, 1096);
    Click(x, 1096);
    QCOMPARE(Text(x, 1060), QStringLiteral("BBB"));
    SetTextOf(x.control(1066), QStringLiteral("99"));
    Click(y, 1099);
    Click(y, 1096);
    Click(y, 1096);
    QCOMPARE(Text(y, 1060), QStringLiteral("AAA"));
    boxes_->answer(MsgResult::Yes);
    Click(y, 4);
    const QByteArray afterDelete = ReadTransceiverFile();
    QCOMPARE(RecordCount(afterDelete), 4);

    const QString changed = QStringLiteral(
        "The file \"DataTran.Dat\" has been changed by another program since this record was "
        "shown. Nothing was written; the record is shown again as the file holds it now.");
    const auto refusedShowingBbb = [&](int button, const QByteArray& file, const char* delay) {
      boxes_->clear();
      boxes_->answer(MsgResult::Yes);
      Click(x, button);
      QCOMPARE(boxes_->shown().size(), 2);
      QCOMPARE(boxes_->shown().last().text, changed);
      QCOMPARE(ReadTransceiverFile(), file);
      // BBB again, at its new place, with the file's values.
      QCOMPARE(Text(x, 1060), QStringLiteral("BBB"));
      QCOMPARE(Text(x, 1066), QString::fromLatin1(delay));
      QCOMPARE(Text(x, 1098), QStringLiteral("4"));
      QCOMPARE(Text(x, 1100), QStringLiteral("3"));
    };
    refusedShowingBbb(3, afterDelete, "2");

    // Y changes the record in place: X's Delete is refused too, the next one acts.
    Click(y, 1096);
    Click(y, 1096);
    QCOMPARE(Text(y, 1060), QStringLiteral("BBB"));
    SetTextOf(y.control(1066), QStringLiteral("5"));
    boxes_->answer(MsgResult::Yes);
    Click(y, 3);
    const QByteArray afterModify = ReadTransceiverFile();
    QCOMPARE(DelaysInFile(afterModify, 2)[0], 5);
    refusedShowingBbb(4, afterModify, "5");
    boxes_->answer(MsgResult::Yes);
    Click(x, 4);
    QCOMPARE(ReadTransceiverFile(),
             afterModify.left(2 * kRecordBytes) + afterModify.mid(3 * kRecordBytes));
  }

  void modifyRewritesInPlace() {
    WriteDefaults();
    CNewTrans dialog;
    Click(dialog, kEditMode);
    QLineEdit* max = dialog.controlAs<QLineEdit>(DelayBoxId(1, 2));
    QVERIFY(max);
    max->clear();
    TypeInto(dialog, DelayBoxId(1, 2), QStringLiteral("77"));
    SetTextOf(dialog.control(DelayBoxId(4, 2)), QString());  // empty gives 0

    boxes_->answer(MsgResult::No);
    Click(dialog, kModify);
    QCOMPARE(boxes_->shown().last().text, QStringLiteral("Modify this Record?"));
    QCOMPARE(boxes_->shown().last().caption, QStringLiteral(" Modify Transceiver"));
    QCOMPARE(boxes_->shown().last().icon, MsgIcon::Question);
    QCOMPARE(ReadTransceiverFile(),
             RecordImage(DefaultRecord0()) + RecordImage(DefaultRecord1()));

    boxes_->answer(MsgResult::Yes);
    Click(dialog, kModify);
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(RecordCount(file), 2);
    QCOMPARE(NameInFile(file, 0), QByteArray("PCA82C251"));
    QCOMPARE(DelaysInFile(file, 0), (std::array<int, 12>{0, 0, 77, 0, 40, 80, 0, 55, 120, 0, 90, 0}));
    QCOMPARE(DescriptionInFile(file, 0), DefaultRecord0().description);
    QCOMPARE(RowLabel(file, 0, 1), QByteArray("tOnTXD"));
    QCOMPARE(file.mid(kRecordBytes), RecordImage(DefaultRecord1()));
    // The boxes keep what they show.
    QCOMPARE(Text(dialog, DelayBoxId(1, 2)), QStringLiteral("77"));
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251"));
  }

  void lineBreaksAreStoredAsCrLfAndShownAgain() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("LB"));
    QWidget* description = dialog.control(kDescription);
    description->setFocus();
    QTest::keyClicks(description, QStringLiteral("first"));
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, QStringLiteral("second"));
    QCOMPARE(Text(dialog, kDescription), QStringLiteral("first\nsecond"));
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);
    QCOMPARE(DescriptionInFile(ReadTransceiverFile(), 2), QByteArray("first\r\nsecond"));

    Click(dialog, kEditMode);
    Click(dialog, kNext);
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("LB"));
    QCOMPARE(Text(dialog, kDescription), QStringLiteral("first\nsecond"));
  }

  void descriptionStopsAtWhatTheRecordHolds() {
    WriteDefaults();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("LONG"));
    QWidget* description = dialog.control(kDescription);
    description->setFocus();
    // 197 characters and a line break make 199 stored characters: the most the field holds.
    QTest::keyClicks(description, QString(197, QLatin1Char('a')));
    QTest::keyClick(description, Qt::Key_Return);
    QVERIFY(boxes_->shown().isEmpty());
    QTest::keyClick(description, Qt::Key_B);
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(boxes_->shown().first().text, kLimitReached);
    QCOMPARE(boxes_->shown().first().buttons, MsgButtons::Ok);
    QCOMPARE(Text(dialog, kDescription), QString(197, QLatin1Char('a')) + QLatin1Char('\n'));

    // Removing the line break frees both of its characters.
    QTest::keyClick(description, Qt::Key_Backspace);
    QTest::keyClicks(description, QStringLiteral("xy"));
    QCOMPARE(boxes_->shown().size(), 1);
    QTest::keyClicks(description, QStringLiteral("z"));
    QCOMPARE(boxes_->shown().size(), 2);
    QCOMPARE(boxes_->shown().last().text, kLimitReached);
    QCOMPARE(Text(dialog, kDescription), QString(197, QLatin1Char('a')) + QStringLiteral("xy"));

    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);
    QCOMPARE(DescriptionInFile(ReadTransceiverFile(), 2),
             QByteArray(197, 'a') + QByteArray("xy"));
  }

  void aPasteThatDoesNotFitIsRefusedWhole() {
    WriteDefaults();
    CNewTrans dialog;
    auto* description = dialog.controlAs<QPlainTextEdit>(kDescription);
    QVERIFY(description);
    description->setFocus();
    QTest::keyClicks(description, QStringLiteral("kept"));
    description->insertPlainText(QString(196, QLatin1Char('p')));
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(boxes_->shown().first().text, kLimitReached);
    QCOMPARE(Text(dialog, kDescription), QStringLiteral("kept"));
    QCOMPARE(description->textCursor().position(), 4);
    // What fits goes in.
    description->insertPlainText(QString(195, QLatin1Char('p')));
    QCOMPARE(boxes_->shown().size(), 1);
    QCOMPARE(Text(dialog, kDescription).size(), 199);
  }

  void charactersOutsideTheCodePageAreRefused() {
    WriteDefaults();
    const QByteArray before = ReadTransceiverFile();
    CNewTrans dialog;
    TypeInto(dialog, kName, QStringLiteral("OK"));
    TypeUnicode(dialog, kDescription, QString::fromUtf8("\xC5\x81\xC3\xB3" "d\xC5\xBA"));  // Polish letters
    Click(dialog, kAdd);
    QCOMPARE(ReadTransceiverFile(), before);
    QCOMPARE(boxes_->shown().size(), 1);
    QVERIFY(boxes_->shown().first().text.contains(QStringLiteral("Windows-1252")));

    // Letters of the code page are kept as they are: stored as one byte each.
    boxes_->clear();
    TypeInto(dialog, kName, QString::fromUtf8("M\xC3\x9C" "LLER"));
    TypeUnicode(dialog, kDescription, QString::fromUtf8("\xE2\x82\xAC 5"));
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(NameInFile(file, 2), QByteArray("M\xDCLLER"));
    QCOMPARE(DescriptionInFile(file, 2), QByteArray("\x80 5"));
  }

  void fileErrorsAreShownAndNothingIsReported() {
    // A directory where the file should be: every operation fails.
    QVERIFY(QDir().mkdir(QString::fromLatin1(kFileName)));
    CNewTrans dialog;
    QVERIFY(!boxes_->shown().isEmpty());
    QVERIFY(boxes_->shown().first().text.contains(QStringLiteral("DataTran.Dat")));
    boxes_->clear();

    TypeInto(dialog, kName, QStringLiteral("ANY"));
    Click(dialog, kAdd);
    QCOMPARE(boxes_->shown().size(), 1);
    QVERIFY(boxes_->shown().first().text.contains(QStringLiteral("DataTran.Dat")));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("0"));
    boxes_->clear();

    Click(dialog, kEditMode);
    QVERIFY(!boxes_->shown().isEmpty());
    QVERIFY(boxes_->shown().first().text.contains(QStringLiteral("DataTran.Dat")));
    QVERIFY(dialog.controlAs<QAbstractButton>(kInsertMode)->isChecked());
    QVERIFY(!Enabled(dialog, kDelete));
  }

  void tooltipTexts() {
    WriteDefaults();
    CNewTrans dialog;
    const std::pair<int, const char*> expected[] = {
        {1060, "The Name of The Transceiver, Model."},
        {1104, "Description for the Selected Transceiver."},
        {1098, "Quantity of Transceivers in Existence."},
        {1100, "The Index Number of the Actual Showed Transceiver."},
        {1097, "Navigate to the Previous Transceiver"},
        {1096, "Navigate to the Next Transceiver"},
        {1101, "Insert mode, to Include New Transceivers to the List."},
        {1099, "Edit mode, to Make Changes in Existing Transceivers"},
        {3, "Enabled when the Edit mode is Checked.  Allows Apply the\nModification for a "
            "Transceiver"},
        {4, "Enabled when the Edit mode is Checked.  Allows Erase an Existing\ntransceiver, the "
            "Actual Transceiver Showed."},
        {1103, "Enabled when the Insert mode is Checked.  Allows Add a New\nTransceiver to the "
               "List of Existence"},
        {1066, "Delay TXD to bus Active in nano seconds, Minimum Value.\nIf is Empty, Cero Value "
               "is Taken"},
        {1067, "Delay TXD to bus Active in nano seconds, Nominal Value.\nIf is Empty, Cero Value "
               "is Taken"},
        {1068, "Delay TXD to bus Active in nano seconds, Maximum Value.\nIf is Empty, Cero Value "
               "is Taken"},
        {1071, "Delay TXD to bus Inactive in nano seconds, Minimum Value.\nIf is Empty, Cero "
               "Value is Taken"},
        {1073, "Delay TXD to bus Inactive in nano seconds, Maximum Value.\nIf is Empty, Cero "
               "Value is Taken"},
        {1077, "Delay bus Active to RXD in nano seconds, Nominal Value.\nIf is Empty, Cero Value "
               "is Taken"},
        {1081, "Delay bus Inactive to RXD in nano seconds, Minimum Value.\nIf is Empty, Cero "
               "Value is Taken"},
        {1083, "Delay bus Inactive to RXD in nano seconds, Maximum Value.\nIf is Empty, Cero "
               "Value is Taken"},
        {8, "Close The Windows"},
    };
    for (const auto& [id, text] : expected)
      QCOMPARE(ToolTextOf(dialog.toolTip(), dialog.control(id)), QString::fromUtf8(text));
    // The disabled grid boxes have no tips.
    QCOMPARE(ToolTextOf(dialog.toolTip(), dialog.control(DelayBoxId(0, 0))), QString());
  }

  void closeEndsTheDialogWithTheFileUpToDate() {
    WriteDefaults();
    CNewTrans dialog;
    dialog.show();
    Click(dialog, kClose);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(TransceiverEditorTest)
#include "new_trans_test.moc"
