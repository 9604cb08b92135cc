// The transceiver editor on records it did not write itself: texts that fill
// their whole field, with no zero byte after them, or that take more room in
// the box than in the file.

#include <QAbstractButton>
#include <QFile>
#include <QtTest>

#include "click.h"
#include "dialog_143_ids.h"
#include "dialog_test_case.h"
#include "new_trans.h"
#include "scripted_message_boxes.h"
#include "transceiver_test_files.h"

using namespace kelvane;
using namespace kelvane::testing;
using namespace kelvane::res::editor_ids;

namespace {

constexpr int kNameOffset = 0;
constexpr int kDescriptionOffset = 15;

// A record whose name or description runs to the end of its field.
QByteArray WithRawField(const TestRecord& record, int offset, const QByteArray& bytes) {
  QByteArray image = RecordImage(record);
  image.replace(offset, bytes.size(), bytes);
  return image;
}

}  // namespace

class EditorFoundRecordsTest : public TransceiverDialogTest {
  Q_OBJECT

 private slots:
  void init() { QVERIFY(StartCase()); }
  void cleanup() { EndCase(); }

  void descriptionsAreShownAsStoredAndCanOnlyShrink() {
    const TestRecord first{"FIRST", "first", {}};
    // 200 characters and no zero byte: the whole field.
    const QByteArray full =
        WithRawField({"FULL", "", {}}, kDescriptionOffset, QByteArray(200, 'x'));
    // Bare line feeds: each one takes two characters once written back.
    const TestRecord feeds{"FEEDS", QByteArray(60, '\n') + QByteArray(100, 'y'), {}};
    WriteTransceiverFile({RecordImage(first), full, RecordImage(feeds)});
    const QByteArray before = ReadTransceiverFile();

    CNewTrans dialog;
    Click(dialog, kEditMode);
    QCOMPARE(Text(dialog, kDescription), QStringLiteral("first"));
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("2"));
    QCOMPARE(Text(dialog, kName), QStringLiteral("FULL"));
    QCOMPARE(Text(dialog, kDescription), QString(200, QLatin1Char('x')));
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("FEEDS"));
    QCOMPARE(Text(dialog, kDescription), QString(60, QLatin1Char('\n')) + QString(100, QLatin1Char('y')));
    QCOMPARE(boxes_->texts(), QStringList());

    // Such a text is not written back as it is: the record holds less.
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kModify);
    QCOMPARE(boxes_->texts(), (QStringList{QStringLiteral("Modify this Record?"),
                                           QStringLiteral("Enter no more than 199 characters.")}));
    QCOMPARE(ReadTransceiverFile(), before);

    // Shortening it is allowed, growing it is not.
    boxes_->clear();
    Click(dialog, kPrevious);
    QWidget* description = dialog.control(kDescription);
    description->setFocus();
    QTest::keyClick(description, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(description, Qt::Key_Backspace);
    QCOMPARE(Text(dialog, kDescription), QString(199, QLatin1Char('x')));
    QTest::keyClick(description, Qt::Key_Z);
    QCOMPARE(boxes_->texts(),
             QStringList{QStringLiteral(
                 "You reached the max characters length for the Description (200 characters)")});
    QCOMPARE(Text(dialog, kDescription), QString(199, QLatin1Char('x')));
    boxes_->clear();
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kModify);
    QCOMPARE(boxes_->texts(), QStringList{QStringLiteral("Modify this Record?")});
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(DescriptionInFile(file, 1), QByteArray(199, 'x'));
    QCOMPARE(NameInFile(file, 1), QByteArray("FULL"));
    QCOMPARE(file.left(kRecordBytes), before.left(kRecordBytes));
    QCOMPARE(file.mid(2 * kRecordBytes), before.mid(2 * kRecordBytes));
  }

  void aNameFillingItsFieldIsShownWholeAndNotWrittenBack() {
    const QByteArray image =
        WithRawField({"", "fifteen", {1, 2, 3}}, kNameOffset, QByteArray("ABCDEFGHIJKLMNO"));
    WriteTransceiverFile({image});
    CNewTrans dialog;
    Click(dialog, kEditMode);
    QCOMPARE(Text(dialog, kName), QStringLiteral("ABCDEFGHIJKLMNO"));
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kModify);
    QCOMPARE(boxes_->texts(), (QStringList{QStringLiteral("Modify this Record?"),
                                           QStringLiteral("Enter no more than 14 characters.")}));
    QCOMPARE(ReadTransceiverFile(), image);
  }

  void pagingToARecordThatIsGoneKeepsTheFormOnTheRecordShown() {
    WriteDefaults();
    CNewTrans dialog;
    Click(dialog, kEditMode);
    QCOMPARE(Text(dialog, kCount), QStringLiteral("2"));
    // Another program cuts the file while the dialog shows the first record.
    const QByteArray cut = ReadTransceiverFile().left(kRecordBytes + 100);
    {
      QFile file(QString::fromLatin1(kFileName));
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      QCOMPARE(file.write(cut), cut.size());
    }
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("1"));
    QCOMPARE(dialog.currentOffset(), 0);
    // Modify writes the record shown where it came from, not one place further.
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kModify);
    QCOMPARE(boxes_->texts(), QStringList{QStringLiteral("Modify this Record?")});
    const QByteArray file = ReadTransceiverFile();
    QCOMPARE(file.size(), cut.size());
    QCOMPARE(NameInFile(file, 0), QByteArray("PCA82C251"));
    QCOMPARE(file.mid(kRecordBytes), cut.mid(kRecordBytes));
  }
};

QTEST_MAIN(EditorFoundRecordsTest)
#include "new_trans_found_records_test.moc"
