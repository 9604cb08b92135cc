// Start-up and end of the program with the real thank-you window: it comes
// before the main window is visible and once more when the window closes.

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "kelvane_app.h"
#include "kelvane_dlg.h"
#include "modal.h"

using kelvane::testing::WhenModalShown;

namespace {

// The main window is a window of its own, not a modal one: wait until it shows.
void WhenMainWindowShown(CKelvaneApp* app, std::function<void(QWidget*)> act, int triesLeft = 5000) {
  QTimer::singleShot(1, app, [app, act, triesLeft] {
    if (app->mainWindow() && app->mainWindow()->isVisible())
      act(app->mainWindow());
    else if (triesLeft > 0)
      WhenMainWindowShown(app, act, triesLeft - 1);
    else
      qWarning("the main window never showed");
  });
}

}  // namespace

class KelvaneAppTest : public QObject {
  Q_OBJECT

 private slots:
  void applicationIsNamedKelvane() {
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Kelvane"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.1.0.0"));
    QCOMPARE(QApplication::windowIcon().availableSizes().size(), 3);
  }

  void thankYouWindowBeforeAndAfterTheMainWindow() {
    auto* app = static_cast<CKelvaneApp*>(QCoreApplication::instance());
    QStringList seen;
    bool mainVisibleAtFirstThanks = true;
    WhenModalShown([&](QWidget* first) {
      seen << first->windowTitle();
      mainVisibleAtFirstThanks = app->mainWindow() && app->mainWindow()->isVisible();
      WhenMainWindowShown(app, [&](QWidget* main) {
        seen << main->windowTitle();
        WhenModalShown([&](QWidget* last) {
          seen << last->windowTitle();
          QMetaObject::invokeMethod(last, "reject", Qt::QueuedConnection);
        });
        QPushButton* close = app->mainWindow()->controlAs<QPushButton>(1);
        QMetaObject::invokeMethod(close, "click", Qt::QueuedConnection);
      });
      QMetaObject::invokeMethod(first, "reject", Qt::QueuedConnection);
    });
    QCOMPARE(app->InitInstance(), false);
    QCOMPARE(seen, (QStringList{"Orvena thanks you!!!!", "Kelvane - Bus Timing Calculation ",
                                "Orvena thanks you!!!!"}));
    QVERIFY(!mainVisibleAtFirstThanks);
    QCOMPARE(app->mainWindow(), nullptr);
  }
};

int main(int argc, char** argv) {
  CKelvaneApp app(argc, argv);
  KelvaneAppTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "kelvane_app_test.moc"
