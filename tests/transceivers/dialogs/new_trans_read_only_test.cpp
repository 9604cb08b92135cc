// The transceiver editor on a file it may read but not write: the records can
// be counted and paged through; every change is refused with the file's reason.

#include <QFile>
#include <QtTest>
#include <grp.h>
#include <unistd.h>

#include "click.h"
#include "dialog_143_ids.h"
#include "dialog_test_case.h"
#include "new_trans.h"
#include "transceiver_test_files.h"

using namespace kelvane;
using namespace kelvane::testing;
using namespace kelvane::res::editor_ids;

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
    QCOMPARE(Text(dialog, kCount), QStringLiteral("3"));
    QCOMPARE(boxes_->texts(), QStringList());

    TypeNewName(dialog);
    boxes_->answer(MsgResult::Yes);
    Click(dialog, kAdd);
    QCOMPARE(boxes_->texts().size(), 2);
    QVERIFY2(SaysCannotBeWritten(boxes_->texts().at(1)), qPrintable(boxes_->texts().at(1)));

    Click(dialog, kEditMode);
    QCOMPARE(Text(dialog, kName), QStringLiteral("PCA82C251"));
    Click(dialog, kNext);
    Click(dialog, kNext);
    QCOMPARE(Text(dialog, kName), QStringLiteral("USER1"));
    QCOMPARE(Text(dialog, kRecordNumber), QStringLiteral("3"));

    for (int button : {3, 4}) {  // Modify, Delete
      boxes_->clear();
      boxes_->answer(MsgResult::Yes);
      Click(dialog, button);
      QCOMPARE(boxes_->texts().size(), 2);
      QVERIFY2(SaysCannotBeWritten(boxes_->texts().at(1)), qPrintable(boxes_->texts().at(1)));
    }
    QCOMPARE(ReadTransceiverFile(), before);
    QCOMPARE(Text(dialog, kName), QStringLiteral("USER1"));
  }

 private:
  static void TypeNewName(CNewTrans& dialog) {
    dialog.control(kName)->setFocus();
    QTest::keyClicks(dialog.control(kName), QStringLiteral("NEW"));
  }
  static bool SaysCannotBeWritten(const QString& text) {
    return text.startsWith(QStringLiteral("The file \"DataTran.Dat\" cannot be"));
  }
};

QTEST_MAIN(TransceiverEditorReadOnlyTest)
#include "new_trans_read_only_test.moc"
