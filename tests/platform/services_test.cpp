// The message-box and shell services, real and scripted, and the helper that
// answers modal dialogs in tests.

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "message_box.h"
#include "modal.h"
#include "scripted_message_boxes.h"
#include "shell.h"

using namespace kelvane;

namespace {

// Replaces PATH for one test, so that the real shell finds only our stub launcher.
class ScopedPath {
 public:
  explicit ScopedPath(const QString& path) : old_(qgetenv("PATH")) {
    qputenv("PATH", path.toLocal8Bit());
  }
  ~ScopedPath() { qputenv("PATH", old_); }

 private:
  QByteArray old_;
};

// Writes an executable xdg-open into dir that records its arguments and then runs body.
void WriteLauncher(const QString& dir, const QByteArray& body) {
  QFile script(dir + QStringLiteral("/xdg-open"));
  QVERIFY(script.open(QIODevice::WriteOnly));
  // Only shell built-ins: PATH holds nothing but this folder while the stub runs.
  script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir.toLocal8Bit() + "/args'\n" + body +
               "\n");
  script.close();
  QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner));
}

QString Recorded(const QString& dir) {
  QFile args(dir + QStringLiteral("/args"));
  if (!args.open(QIODevice::ReadOnly)) return {};
  return QString::fromLocal8Bit(args.readAll());
}

struct Answer {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  QString defaultButton;
};

// Reads the real box that appears next, then presses the button with the given text.
void ReadAndPress(Answer* seen, const QString& press) {
  testing::WhenModalShown([seen, press](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) {
      w->close();
      return;
    }
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen->buttons.append(b->text().remove('&'));
    if (box->defaultButton()) seen->defaultButton = box->defaultButton()->text().remove('&');
    for (QAbstractButton* b : box->buttons()) {
      if (b->text().remove('&') == press) {
        b->click();
        return;
      }
    }
    box->close();
  });
}

}  // namespace

class ServicesTest : public QObject {
  Q_OBJECT
 private slots:
  void realMessageBox_data();
  void realMessageBox();
  void realMessageBoxKeepsGivenCaption();
  void realMessageBoxIsCentredOnItsWindow();
  void scriptedBoxesRecordAndAnswer();
  void scriptedServiceInstallsForItsLifetime();
  void shellServiceIsReplaceable();
  void desktopShell_data();
  void desktopShell();
  void desktopShellWithoutLauncher();
  void desktopShellRefusesNonAddresses();
  void modalHelperClosesOnlyNewModals();
};

void ServicesTest::realMessageBox_data() {
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("icon");
  QTest::addColumn<QString>("press");
  QTest::addColumn<QStringList>("shownButtons");
  QTest::addColumn<int>("qtIcon");
  QTest::addColumn<int>("result");
  QTest::newRow("ok") << int(MsgButtons::Ok) << int(MsgIcon::Warning) << "OK"
                      << QStringList{"OK"} << int(QMessageBox::Warning) << int(MsgResult::Ok);
  QTest::newRow("yes") << int(MsgButtons::YesNo) << int(MsgIcon::Question) << "Yes"
                       << QStringList{"Yes", "No"} << int(QMessageBox::Question)
                       << int(MsgResult::Yes);
  QTest::newRow("no") << int(MsgButtons::YesNo) << int(MsgIcon::Question) << "No"
                      << QStringList{"Yes", "No"} << int(QMessageBox::Question)
                      << int(MsgResult::No);
  QTest::newRow("cancel") << int(MsgButtons::OkCancel) << int(MsgIcon::Error) << "Cancel"
                          << QStringList{"OK", "Cancel"} << int(QMessageBox::Critical)
                          << int(MsgResult::Cancel);
  QTest::newRow("three") << int(MsgButtons::YesNoCancel) << int(MsgIcon::Information) << "No"
                         << QStringList{"Yes", "No", "Cancel"} << int(QMessageBox::Information)
                         << int(MsgResult::No);
  QTest::newRow("closed with escape") << int(MsgButtons::YesNo) << int(MsgIcon::None) << ""
                                      << QStringList{"Yes", "No"} << int(QMessageBox::NoIcon)
                                      << int(MsgResult::No);
}

void ServicesTest::realMessageBox() {
  QFETCH(int, buttons);
  QFETCH(int, icon);
  QFETCH(QString, press);
  QFETCH(QStringList, shownButtons);
  QFETCH(int, qtIcon);
  QFETCH(int, result);
  Answer seen;
  ReadAndPress(&seen, press);
  const MsgResult got = ShowMessage(nullptr, QStringLiteral("Delete <b>this</b>?"), {},
                                    static_cast<MsgButtons>(buttons), static_cast<MsgIcon>(icon));
  QCOMPARE(int(got), result);
  QCOMPARE(seen.title, QStringLiteral("Kelvane"));
  QCOMPARE(seen.text, QStringLiteral("Delete <b>this</b>?"));
  QCOMPARE(int(seen.icon), qtIcon);
  std::sort(seen.buttons.begin(), seen.buttons.end());
  std::sort(shownButtons.begin(), shownButtons.end());
  QCOMPARE(seen.buttons, shownButtons);
  // The first button is the default one, as in the original boxes.
  QCOMPARE(seen.defaultButton,
           QString(buttons == int(MsgButtons::YesNo) || buttons == int(MsgButtons::YesNoCancel)
                       ? "Yes"
                       : "OK"));
}

void ServicesTest::realMessageBoxKeepsGivenCaption() {
  Answer seen;
  ReadAndPress(&seen, QStringLiteral("Yes"));
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("Delete?"), QStringLiteral(" Delete Transceiver"),
                       MsgButtons::YesNo, MsgIcon::Question),
           MsgResult::Yes);
  QCOMPARE(seen.title, QStringLiteral(" Delete Transceiver"));
}

void ServicesTest::realMessageBoxIsCentredOnItsWindow() {
  QWidget owner;
  owner.setGeometry(40, 30, 300, 200);
  owner.show();
  QVERIFY(QTest::qWaitForWindowExposed(&owner));
  // A dialog reporting while it is built, before it is shown, and one shown.
  QDialog building(&owner);
  QDialog shown(&owner);
  shown.setGeometry(420, 300, 200, 150);
  shown.show();
  QVERIFY(QTest::qWaitForWindowExposed(&shown));
  for (const auto& [parent, centre] : {std::pair<QWidget*, QPoint>{&building, {190, 130}},
                                       std::pair<QWidget*, QPoint>{&shown, {520, 375}}}) {
    QPoint at;
    testing::WhenModalShown([&at](QWidget* w) {
      at = w->frameGeometry().center();
      w->close();
    });
    ShowMessage(parent, QStringLiteral("Permission denied"));
    QVERIFY2((at - centre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
  }
}

void ServicesTest::scriptedBoxesRecordAndAnswer() {
  testing::ScriptedMessageBoxes boxes;
  // Empty queue: the answer that does nothing.
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("a")), MsgResult::Ok);
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("b"), {}, MsgButtons::YesNo), MsgResult::No);
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("c"), {}, MsgButtons::OkCancel), MsgResult::Cancel);
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("d"), {}, MsgButtons::YesNoCancel),
           MsgResult::Cancel);
  // Queued answers in order.
  boxes.answer(MsgResult::Yes);
  boxes.answer(MsgResult::Ok);
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("e"), QStringLiteral(" Cap"), MsgButtons::YesNo,
                       MsgIcon::Question),
           MsgResult::Yes);
  QCOMPARE(boxes.pendingAnswers(), 1);
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("f"), {}, MsgButtons::OkCancel), MsgResult::Ok);
  // onShow overrides the queue; 0 falls back to it.
  boxes.answer(MsgResult::No);
  boxes.onShow = [](const testing::ScriptedMessageBoxes::Shown& s) {
    return s.text == QStringLiteral("g") ? int(MsgResult::Yes) : 0;
  };
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("g"), {}, MsgButtons::YesNo), MsgResult::Yes);
  QCOMPARE(ShowMessage(nullptr, QStringLiteral("h"), {}, MsgButtons::YesNo), MsgResult::No);

  QCOMPARE(boxes.texts(), (QStringList{"a", "b", "c", "d", "e", "f", "g", "h"}));
  const auto& e = boxes.shown().at(4);
  QCOMPARE(e.caption, QStringLiteral(" Cap"));
  QCOMPARE(e.shownCaption, QStringLiteral(" Cap"));
  QCOMPARE(e.buttons, MsgButtons::YesNo);
  QCOMPARE(e.icon, MsgIcon::Question);
  QCOMPARE(boxes.shown().at(0).caption, QString());
  QCOMPARE(boxes.shown().at(0).shownCaption, QStringLiteral("Kelvane"));
  boxes.clear();
  QVERIFY(boxes.shown().isEmpty());
}

void ServicesTest::scriptedServiceInstallsForItsLifetime() {
  MessageBoxService* real = &MessageBoxes();
  {
    testing::ScriptedMessageBoxes boxes;
    QCOMPARE(&MessageBoxes(), static_cast<MessageBoxService*>(&boxes));
  }
  QCOMPARE(&MessageBoxes(), real);
}

void ServicesTest::shellServiceIsReplaceable() {
  struct Recording : ShellService {
    QStringList opened;
    long open(const QString& address) override {
      opened.append(address);
      return 5;
    }
  } recording;
  ShellService* real = &Shell();
  SetShellService(&recording);
  QCOMPARE(Shell().open(QStringLiteral("mailto:x@y.example")), 5L);
  QCOMPARE(recording.opened, QStringList{QStringLiteral("mailto:x@y.example")});
  SetShellService(nullptr);
  QCOMPARE(&Shell(), real);
}

void ServicesTest::desktopShell_data() {
  QTest::addColumn<QByteArray>("body");
  QTest::addColumn<long>("result");
  // xdg-open's own statuses: 3 no tool found for the address, 4 the action failed.
  QTest::newRow("no handler") << QByteArray("exit 3") << kShellErrNoAssoc;
  QTest::newRow("action failed") << QByteArray("exit 4") << kShellErrNoAssoc;
  QTest::newRow("killed") << QByteArray("kill -9 $$") << kShellErrNoAssoc;
  QTest::newRow("opened") << QByteArray("exit 0") << kShellOpened;
  // A launcher that waits for the browser it started counts as success.
  QTest::newRow("still running") << QByteArray("exec /bin/sleep 2") << kShellOpened;
}

void ServicesTest::desktopShell() {
  QFETCH(QByteArray, body);
  QFETCH(long, result);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  WriteLauncher(dir.path(), body);
  ScopedPath path(dir.path());
  DesktopShell shell(300);
  const long got = shell.open(QStringLiteral("mailto:support@orvena.example"));
  QCOMPARE(got, result);
  QVERIFY(result > 32 ? got > 32 : got <= 32);
  QCOMPARE(Recorded(dir.path()), QStringLiteral("mailto:support@orvena.example\n"));
}

void ServicesTest::desktopShellWithoutLauncher() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  ScopedPath path(dir.path());
  QCOMPARE(DesktopShell(300).open(QStringLiteral("https://www.orvena.example/")),
           kShellErrNoAssoc);
  // A file named xdg-open that cannot be run is no launcher either.
  QFile notExecutable(dir.path() + QStringLiteral("/xdg-open"));
  QVERIFY(notExecutable.open(QIODevice::WriteOnly));
  notExecutable.write("#!/bin/sh\nexit 0\n");
  notExecutable.close();
  QCOMPARE(DesktopShell(300).open(QStringLiteral("https://www.orvena.example/")),
           kShellErrNoAssoc);
}

void ServicesTest::desktopShellRefusesNonAddresses() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  WriteLauncher(dir.path(), "exit 0");
  ScopedPath path(dir.path());
  for (const QString& address : {QStringLiteral(""), QStringLiteral("--help"),
                                 QStringLiteral("DataTran.Dat"), QStringLiteral("http://a b")}) {
    QCOMPARE(DesktopShell(300).open(address), kShellErrFileNotFound);
  }
  QCOMPARE(Recorded(dir.path()), QString());  // the launcher never ran
}

void ServicesTest::modalHelperClosesOnlyNewModals() {
  QDialog outer;
  QDialog inner(&outer);
  QDialog third(&outer);
  QWidget* firstSeen = nullptr;
  QWidget* innerSeen = nullptr;
  QWidget* thirdSeen = nullptr;
  int innerResult = -1;
  int thirdResult = -1;
  testing::WhenModalShown([&](QWidget* w) {
    firstSeen = w;
    // Armed while the outer dialog is modal: it must skip that one.
    testing::WhenModalShown([&](QWidget* next) {
      innerSeen = next;
      // Armed while inner is open: outer becoming active again when inner closes
      // is not new, third is.
      testing::WhenModalShown([&](QWidget* last) {
        thirdSeen = last;
        qobject_cast<QDialog*>(last)->reject();
      });
      qobject_cast<QDialog*>(next)->reject();
    });
    QTimer::singleShot(0, &outer, [&] {
      innerResult = inner.exec();
      thirdResult = third.exec();
      outer.accept();
    });
  });
  outer.exec();
  QCOMPARE(firstSeen, &outer);
  QCOMPARE(innerSeen, &inner);
  QCOMPARE(thirdSeen, &third);
  QCOMPARE(innerResult, int(QDialog::Rejected));
  QCOMPARE(thirdResult, int(QDialog::Rejected));
  QCOMPARE(outer.result(), int(QDialog::Accepted));

  testing::RejectNextModal();
  QCOMPARE(outer.exec(), int(QDialog::Rejected));
}

QTEST_MAIN(ServicesTest)
#include "services_test.moc"
