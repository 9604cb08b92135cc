// The thank-you window and the About box as a user meets them: layout and texts,
// the ways of closing them, and the two links with their failure message.

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "about_dlg.h"
#include "app_shell.h"
#include "caption_check.h"
#include "dialog_100_ids.h"
#include "dialog_144_ids.h"
#include "modal.h"
#include "scripted_message_boxes.h"
#include "shell.h"
#include "template_dialog.h"
#include "werbung.h"

using namespace kelvane;
using namespace kelvane::res::about_ids;
using kelvane::res::thanks_ids::kClose;

namespace {

struct ScriptedShell : ShellService {
  ScriptedShell() { SetShellService(this); }
  ~ScriptedShell() override { SetShellService(nullptr); }
  long open(const QString& address) override {
    opened.append(address);
    return result;
  }
  long result = 42;
  QStringList opened;
};

struct Expected {
  int id;  // 0: a control without identifier
  const char* className;
  QString text;
  QRect rect;
};

// Pixel rectangles at 6 x 12 base units, worked out by hand from the dialog units.
void CheckControls(const TemplateDialog& dialog, const QList<Expected>& expected) {
  QCOMPARE(dialog.controls().size(), expected.size());
  for (qsizetype i = 0; i < expected.size(); ++i) {
    const Expected& e = expected.at(i);
    QWidget* w = dialog.controls().at(i);
    const QString where = QStringLiteral("control #%1").arg(i);
    QVERIFY2(w->inherits(e.className), qPrintable(where));
    QCOMPARE(dialog.controlId(w), e.id == 0 ? -1 : e.id);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
    if (auto* button = qobject_cast<QPushButton*>(w)) text = button->text();
    QVERIFY2(text == e.text, qPrintable(where + QStringLiteral(": ") + text));
    QVERIFY2(w->geometry() == e.rect,
             qPrintable(where + QStringLiteral(" at %1,%2 %3x%4")
                                    .arg(w->x())
                                    .arg(w->y())
                                    .arg(w->width())
                                    .arg(w->height())));
  }
}

// Runs ShowWerbung and closes the window with closeIt once it is modal; returns
// whether closeIt ran before ShowWerbung returned, and the window's result.
struct WerbungRun {
  bool closedWhileModal = false;
  bool returnedAfterClose = false;
  int result = -1;
};

WerbungRun RunWerbung(std::function<void(CWerbung*)> closeIt) {
  WerbungRun run;
  bool closed = false;
  testing::WhenModalShown([&](QWidget* w) {
    auto* window = qobject_cast<CWerbung*>(w);
    if (!window) {
      w->close();
      return;
    }
    run.closedWhileModal = window->isVisible() && window->isModal();
    QObject::connect(window, &QDialog::finished, window, [&run](int r) { run.result = r; });
    closed = true;
    closeIt(window);
  });
  ShowWerbung();
  run.returnedAfterClose = closed;
  return run;
}

}  // namespace

class AppShellTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void iconAndPictures();
  void thankYouLayout();
  void thankYouClosesEveryWay_data();
  void thankYouClosesEveryWay();
  void thankYouThroughMainWindowInterface();
  void aboutLayout();
  void aboutFocusAndClosing();
  void aboutLinksOpen();
  void aboutLinkFailures_data();
  void aboutLinkFailures();
  void aboutLinkWithRealShellAndFailingLauncher();
  void makerWebPageFromAnyWindow();
  void cleanup();
};

// What the application object sets up at start and these windows rely on: the
// caption of message boxes without one, and the dialogs' font.
void AppShellTest::initTestCase() {
  QApplication::setApplicationName(QStringLiteral("Kelvane"));
  InstallFontSubstitutions();
}

void AppShellTest::iconAndPictures() {
  const QList<QSize> sizes = ui::ProgramIcon().availableSizes();
  QCOMPARE(sizes.size(), 3);
  QVERIFY(sizes.contains(QSize(16, 16)));
  QVERIFY(sizes.contains(QSize(32, 32)));
  QVERIFY(sizes.contains(QSize(48, 48)));
  QCOMPARE(QPixmap(QStringLiteral(":/bitmaps/161.png")).size(), QSize(515, 291));
  QCOMPARE(QPixmap(QStringLiteral(":/bitmaps/160.png")).size(), QSize(120, 42));
}

void AppShellTest::thankYouLayout() {
  CWerbung window;
  QCOMPARE(window.windowTitle(), QStringLiteral("Orvena thanks you!!!!"));
  QCOMPARE(window.client()->size(), QSize(515, 269));
  QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
  QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
  CheckControls(window, {
                            {0, "QLabel", {}, QRect(0, 0, 515, 269)},
                            {1123, "QPushButton", QStringLiteral("Close"), QRect(440, 246, 75, 21)},
                        });
  auto* picture = qobject_cast<QLabel*>(window.controls().at(0));
  QCOMPARE(picture->pixmap().size(), QSize(515, 291));
  QVERIFY(picture->alignment() & Qt::AlignHCenter);
  QVERIFY(picture->alignment() & Qt::AlignVCenter);
  auto* close = window.controlAs<QPushButton>(kClose);
  QVERIFY(!close->isDefault());
  QCOMPARE(close->focusPolicy(), Qt::StrongFocus);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.size(), QSize(515, 269));
  // The button lies on the picture, not under it.
  QCOMPARE(window.client()->childAt(close->geometry().center()), close);
  const QStringList clipped = testing::ClippedCaptions(window);
  QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

void AppShellTest::thankYouClosesEveryWay_data() {
  QTest::addColumn<int>("way");
  QTest::newRow("Close") << 0;
  QTest::newRow("Enter") << 1;
  QTest::newRow("Escape") << 2;
  QTest::newRow("close box") << 3;
}

void AppShellTest::thankYouClosesEveryWay() {
  QFETCH(int, way);
  const WerbungRun run = RunWerbung([way](CWerbung* window) {
    switch (way) {
      case 0:
        QTest::mouseClick(window->controlAs<QPushButton>(kClose), Qt::LeftButton);
        break;
      case 1:
        QTest::keyClick(window, Qt::Key_Return);
        break;
      case 2:
        QTest::keyClick(window, Qt::Key_Escape);
        break;
      case 3:
        window->close();
        break;
    }
  });
  QVERIFY(run.closedWhileModal);
  QVERIFY(run.returnedAfterClose);
  QCOMPARE(run.result, int(QDialog::Accepted));  // the same result every way
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void AppShellTest::thankYouThroughMainWindowInterface() {
  // The owner in a corner: the window is centred on the work area, not on it.
  QWidget owner;
  owner.setGeometry(0, 0, 300, 200);
  owner.show();
  QVERIFY(QTest::qWaitForWindowExposed(&owner));
  bool shown = false;
  QPoint centre;
  testing::WhenModalShown([&](QWidget* w) {
    shown = w->windowTitle() == QStringLiteral("Orvena thanks you!!!!");
    centre = w->frameGeometry().center();
    qobject_cast<QDialog*>(w)->reject();
  });
  ui::ShowThankYouWindow(&owner);
  QVERIFY(shown);
  QVERIFY(owner.isVisible());
  const QPoint workArea = owner.screen()->availableGeometry().center();
  QVERIFY2((centre - workArea).manhattanLength() <= 1,
           qPrintable(QStringLiteral("centre %1,%2").arg(centre.x()).arg(centre.y())));
}

void AppShellTest::aboutLayout() {
  CAboutDlg about;
  QCOMPARE(about.windowTitle(), QStringLiteral(" About Kelvane"));
  QCOMPARE(about.client()->size(), QSize(372, 215));
  CheckControls(
      about,
      {
          {1121, "QLabel", {}, QRect(0, 2, 30, 30)},
          {0, "QLabel", QStringLiteral("Kelvane"), QRect(96, 15, 39, 12)},
          {0, "QLabel", QStringLiteral("Version 1.1"), QRect(96, 44, 54, 12)},
          {0, "QLabel", QStringLiteral("Copyright (C) 2026 Orvena. All rights reserved."),
           QRect(96, 66, 258, 12)},
          {0, "QFrame", {}, QRect(3, 93, 353, 2)},
          // The logo's control takes the picture's size, 120 x 42.
          {1116, "QLabel", {}, QRect(3, 99, 120, 42)},
          {0, "QLabel", QStringLiteral("Support and Technical Information:"),
           QRect(131, 98, 210, 15)},
          {0, "QLabel", QStringLiteral("Orvena"), QRect(131, 117, 138, 12)},
          {0, "QLabel", QStringLiteral("Werkstrasse 9, 31999 Lindhagen, Germany"),
           QRect(131, 131, 228, 12)},
          {0, "QLabel", QStringLiteral("Web:"), QRect(131, 150, 27, 12)},
          {0, "QLabel", QStringLiteral("e-Mail:"), QRect(131, 162, 33, 12)},
          {1119, "QPushButton", QStringLiteral("https://www.orvena.example/"),
           QRect(168, 149, 153, 14)},
          {1120, "QPushButton", QStringLiteral("support@orvena.example"), QRect(168, 164, 153, 14)},
          {0, "QFrame", {}, QRect(6, 179, 353, 2)},
          {1, "QPushButton", QStringLiteral("OK"), QRect(278, 186, 75, 21)},
      });
  QVERIFY(!about.controlAs<QLabel>(kLogo)->pixmap().isNull());
  QVERIFY(about.controlAs<QLabel>(kIconPicture)->pixmap().isNull());
  QCOMPARE(qobject_cast<QLabel*>(about.controls().at(6))->frameShadow(), QFrame::Sunken);
  QCOMPARE(qobject_cast<QFrame*>(about.controls().at(4))->frameShape(), QFrame::HLine);
  for (int id : {kWebButton, kMailButton}) {
    auto* link = about.controlAs<QPushButton>(id);
    QVERIFY(link->isFlat());
    QVERIFY(!(link->focusPolicy() & Qt::TabFocus));
  }
  QVERIFY(about.controlAs<QPushButton>(kOk)->isDefault());
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  const QStringList clipped = testing::ClippedCaptions(about);
  QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

void AppShellTest::aboutFocusAndClosing() {
  ScriptedShell shell;
  {
    CAboutDlg about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QApplication::setActiveWindow(&about);
    QCOMPARE(QApplication::focusWidget(), about.controlAs<QPushButton>(kOk));
    // Enter presses OK, not a link.
    QTest::keyClick(&about, Qt::Key_Return);
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(!about.isVisible());
  }
  for (int way = 0; way < 3; ++way) {
    CAboutDlg about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    if (way == 0) QTest::mouseClick(about.controlAs<QPushButton>(kOk), Qt::LeftButton);
    if (way == 1) QTest::keyClick(&about, Qt::Key_Escape);
    if (way == 2) about.close();
    QVERIFY(!about.isVisible());
  }
  QVERIFY(shell.opened.isEmpty());
}

void AppShellTest::aboutLinksOpen() {
  testing::ScriptedMessageBoxes boxes;
  ScriptedShell shell;
  CAboutDlg about;
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.controlAs<QPushButton>(kWebButton), Qt::LeftButton);
  QTest::mouseClick(about.controlAs<QPushButton>(kMailButton), Qt::LeftButton);
  QCOMPARE(shell.opened, (QStringList{QStringLiteral("https://www.orvena.example/"),
                                      QStringLiteral("mailto:support@orvena.example")}));
  QVERIFY(boxes.shown().isEmpty());
  QVERIFY(about.isVisible());  // the About box stays open
}

void AppShellTest::aboutLinkFailures_data() {
  QTest::addColumn<int>("button");
  QTest::addColumn<long>("code");
  QTest::addColumn<QString>("message");
  QTest::newRow("mail, nothing associated")
      << kMailButton << 31L
      << "(Error 31) Bad Link or the address changed mailto:support@orvena.example\n";
  QTest::newRow("web, nothing associated")
      << kWebButton << 31L << "(Error 31) Bad Link or the address changed https://www.orvena.example/\n";
  QTest::newRow("web, file not found")
      << kWebButton << 2L << "(Error 2) Bad Link or the address changed https://www.orvena.example/\n";
  QTest::newRow("mail, code 32 is a failure")
      << kMailButton << 32L
      << "(Error 32) Bad Link or the address changed mailto:support@orvena.example\n";
  QTest::newRow("web, code 0") << kWebButton << 0L
                               << "(Error 0) Bad Link or the address changed https://www.orvena.example/\n";
}

void AppShellTest::aboutLinkFailures() {
  QFETCH(int, button);
  QFETCH(long, code);
  QFETCH(QString, message);
  testing::ScriptedMessageBoxes boxes;
  ScriptedShell shell;
  shell.result = code;
  CAboutDlg about;
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.controlAs<QPushButton>(button), Qt::LeftButton);
  QCOMPARE(boxes.shown().size(), 1);
  const auto& box = boxes.shown().at(0);
  QCOMPARE(box.text, message);
  QCOMPARE(box.caption, QString());
  QCOMPARE(box.shownCaption, QStringLiteral("Kelvane"));
  QCOMPARE(box.buttons, MsgButtons::Ok);
  QCOMPARE(box.icon, MsgIcon::Warning);
  QCOMPARE(box.parent.data(), &about);
  QVERIFY(about.isVisible());
}

void AppShellTest::aboutLinkWithRealShellAndFailingLauncher() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  QFile launcher(dir.path() + QStringLiteral("/xdg-open"));
  QVERIFY(launcher.open(QIODevice::WriteOnly));
  launcher.write("#!/bin/sh\n# no program handles the address\nexit 3\n");
  launcher.close();
  QVERIFY(launcher.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  const QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", dir.path().toLocal8Bit());

  testing::ScriptedMessageBoxes boxes;
  CAboutDlg about;
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.controlAs<QPushButton>(kMailButton), Qt::LeftButton);
  qputenv("PATH", oldPath);
  QCOMPARE(boxes.texts(),
           QStringList{QStringLiteral(
               "(Error 31) Bad Link or the address changed mailto:support@orvena.example\n")});
}

void AppShellTest::makerWebPageFromAnyWindow() {
  testing::ScriptedMessageBoxes boxes;
  ScriptedShell shell;
  QWidget window;
  ui::OpenMakerWebPage(&window);
  QCOMPARE(shell.opened, QStringList{QStringLiteral("https://www.orvena.example/")});
  QVERIFY(boxes.shown().isEmpty());
  shell.result = 31;
  ui::OpenMakerWebPage(&window);
  QCOMPARE(boxes.texts(),
           QStringList{QStringLiteral(
               "(Error 31) Bad Link or the address changed https://www.orvena.example/\n")});
  QCOMPARE(boxes.shown().at(0).parent.data(), &window);
}

void AppShellTest::cleanup() {
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
}

QTEST_MAIN(AppShellTest)
#include "app_shell_test.moc"
