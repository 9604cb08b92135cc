// The transceiver editor on a file it may read but not write: the records can
// be counted and paged through; every change is refused with the file's reason.

#include <QFile>
#include <QtTest>
#include <grp.h>
#include <unistd.h>

#include "click.h"
#include "dialog_test_case.h"
#include "new_trans.h"
#include "transceiver_test_files.h"

using namespace kelvane;
using namespace kelvane::testing;

class TransceiverEditorReadOnlyTest : public TransceiverDialogTest {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Root may write a read-only file; run this whole test as nobody instead.
    if (::geteuid() == 0) {
      QVERIFY(::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
    }
  }
  void init() { QVERIFY(StartCase()); }
  void cleanup() { EndCase(); }

  void showsAndPagesButChangesNothing() {
    TestRecord user;
    user.name = "USER1";
    user.description = "mine";
    WriteTransceiverFile(
        {RecordImage(DefaultRecord0()), RecordImage(DefaultRecord1()), RecordImage(user)});
    QVERIFY(QFile::setPermissions(QString::fromLatin1(kFileName), QFile::ReadOwner | QFile::ReadGroup));
    const QByteArray before = ReadTransceiverFile();

    CNewTrans dialog;
    QCOMPARE(Text(dialog, 1098), QStringLiteral("3"));
    QCOMPARE(boxes_->texts(), QStringList());

    TypeNewName(dialog);
    boxes_->answer(MsgResult::Yes);
    Click(dialog, 1103);  // Add
    QCOMPARE(boxes_->texts().size(), 2);
    QVERIFY2(SaysCannotBeWritten(boxes_->texts().at(1)), qPrintable(boxes_->texts().at(1)));

    Click(dialog, 1099);  // Edit Mode
    QCOMPARE(Text(dialog, 1060), QStringLiteral("PCA82C251"));
    Click(dialog, 1096);
    Click(dialog, 1096);
    QCOMPARE(Text(dialog, 1060), QStringLiteral("USER1"));
    QCOMPARE(Text(dialog, 1100), QStringLiteral("3"));

    for (int button : {3, 4}) {  // Modify, Delete
      boxes_->clear();
      boxes_->answer(MsgResult::Yes);
      Click(dialog, button);
      QCOMPARE(boxes_->texts().size(), 2);
      QVERIFY2(SaysCannotBeWritten(boxes_->texts().at(1)), qPrintable(boxes_->texts().at(1)));
    }
    QCOMPARE(ReadTransceiverFile(), before);
    QCOMPARE(Text(dialog, 1060), QStringLiteral("USER1"));
  }

 private:
  static void TypeNewName(CNewTrans& dialog) {
    dialog.control(1060)->setFocus();
    QTest::keyClicks(dialog.control(1060), QStringLiteral("NEW"));
  }
  static bool SaysCannotBeWritten(const QString& text) {
    return text.startsWith(QStringLiteral("The file \"DataTran.Dat\" cannot be"));
  }
};

QTEST_MAIN(TransceiverEditorReadOnlyTest)
#include "new_trans_read_only_test.moc"
