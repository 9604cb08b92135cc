// When the tip shows, how long it stays, and what hides it.

#include "tip_dialog.h"

#include <QAbstractEventDispatcher>
#include <QKeyEvent>
#include <QTimerEvent>

#include <algorithm>
#include <QTest>

using State = CMultiTipCtrl::State;

class TooltipTrackingTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void restingShowsTipBelowCursorAfterInitialDelay();
    void tipStaysForDisplayLimitOnly_data();
    void tipStaysForDisplayLimitOnly();
    void cursorOnTipKeepsItBeyondLimit();
    void returningBeforeDelayIsOverStillShows();
    void leavingAndReturningAfterDelayShowsNothing();
    void afterHideEmptyAreaReArmsTool();
    void movingToAnotherToolWaitsForIt();
    void hidingInputs_data();
    void hidingInputs();
    void leftClickOnTipKeepsIt();
    void dialogChangesHideTip_data();
    void dialogChangesHideTip();
    void deactivationCancelsAWaitingTip();
    void disabledControlAndLabelGetTips_data();
    void disabledControlAndLabelGetTips();
    void inactiveControlShowsNothing();
    void realTimersShowAndHideTip();
};

void TooltipTrackingTest::cleanup()
{
    // A tip or dialog left open would leak into the next case.
    QVERIFY(QApplication::topLevelWidgets().isEmpty()
            || std::none_of(QApplication::topLevelWidgets().cbegin(),
                            QApplication::topLevelWidgets().cend(),
                            [](QWidget* w) { return w->isVisible(); }));
}

void TooltipTrackingTest::restingShowsTipBelowCursorAfterInitialDelay()
{
    TipDialog d;
    QVERIFY(d.open());
    QCOMPARE(d.tip.GetState(), State::Idle);

    const QPoint local(37, 11);
    TipDialog::hover(d.plain, local);
    QCOMPARE(d.tip.GetState(), State::Waiting);
    QVERIFY(d.tip.IsTimerRunning(CMultiTipCtrl::InitialTimer));
    QCOMPARE(d.tip.TimerInterval(CMultiTipCtrl::InitialTimer), 500u);
    QVERIFY(!d.tip.isVisible());

    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Shown);
    QCOMPARE(d.tip.DisplayedText(), QStringLiteral("Plain tip\nsecond line"));
    QCOMPARE(d.tip.geometry().topLeft(), d.plain->mapToGlobal(local) + QPoint(0, 20));
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.IsTimerRunning(CMultiTipCtrl::CheckTimer));
    QCOMPARE(d.tip.TimerInterval(CMultiTipCtrl::CheckTimer), 500u);

    // The tip took neither activation nor focus.
    QCOMPARE(QApplication::activeWindow(), &d.dialog);
    QVERIFY(QApplication::focusWidget() != &d.tip);
    QVERIFY(!d.tip.isActiveWindow());
}

void TooltipTrackingTest::tipStaysForDisplayLimitOnly_data()
{
    QTest::addColumn<unsigned>("limit");
    QTest::addColumn<int>("ticksShown");
    QTest::newRow("default 5000 ms") << 0u << 9;
    QTest::newRow("10000 ms set") << 10000u << 19;
}

void TooltipTrackingTest::tipStaysForDisplayLimitOnly()
{
    QFETCH(unsigned, limit);
    QFETCH(int, ticksShown);
    TipDialog d;
    QVERIFY(d.open());
    if (limit != 0) {
        d.tip.SetDelayTime(TTDT_AUTOPOP, limit);
        d.tip.Activate(true);
    }
    QVERIFY(d.showTipOf(d.calc));

    // Ticks every 500 ms: still shown just before the limit, gone at it.
    for (int i = 0; i < ticksShown; ++i) {
        QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::CheckTimer));
        QVERIFY2(d.tip.isVisible(), qPrintable(QStringLiteral("tick %1").arg(i + 1)));
    }
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::CheckTimer));
    QVERIFY(!d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Cancelled);
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::CheckTimer));

    // Resting and moving on the same control brings nothing back.
    TipDialog::hover(d.calc, QPoint(5, 5));
    TipDialog::hover(d.calc, QPoint(60, 20));
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::InitialTimer));
    QVERIFY(!d.tip.isVisible());

    // Over an area without a tool and back: the tip comes again after the delay.
    d.hoverEmpty();
    QCOMPARE(d.tip.GetState(), State::Idle);
    TipDialog::hover(d.calc);
    QCOMPARE(d.tip.GetState(), State::Waiting);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
}

void TooltipTrackingTest::cursorOnTipKeepsItBeyondLimit()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.plain));

    TipDialog::hover(&d.tip);
    for (int i = 0; i < 30; ++i)
        QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::CheckTimer));
    QVERIFY(d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Shown);

    d.hoverEmpty();
    QVERIFY(d.tip.isVisible()); // only the next check hides it
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::CheckTimer));
    QVERIFY(!d.tip.isVisible());
}

void TooltipTrackingTest::returningBeforeDelayIsOverStillShows()
{
    TipDialog d;
    QVERIFY(d.open());
    TipDialog::hover(d.plain);
    d.hoverEmpty();
    TipDialog::hover(d.plain);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
}

void TooltipTrackingTest::leavingAndReturningAfterDelayShowsNothing()
{
    TipDialog d;
    QVERIFY(d.open());
    TipDialog::hover(d.plain);
    d.hoverEmpty();
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(!d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Stopped);
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::CheckTimer));

    TipDialog::hover(d.plain);
    QCOMPARE(d.tip.GetState(), State::Stopped);
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::InitialTimer));

    // Another tool arms the tracking again.
    TipDialog::hover(d.calc);
    QCOMPARE(d.tip.GetState(), State::Waiting);
    QCOMPARE(d.tip.CurrentTool()->window.data(), d.calc);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
    QVERIFY(d.tip.DisplayedText().startsWith(QStringLiteral("Begin the process")));
}

void TooltipTrackingTest::afterHideEmptyAreaReArmsTool()
{
    TipDialog d;
    QVERIFY(d.open());
    TipDialog::hover(d.plain);
    QTest::keyClick(&d.dialog, Qt::Key_Shift);
    QCOMPARE(d.tip.GetState(), State::Cancelled);
    // The initial delay runs out while cancelled: the timer stops and nothing shows.
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::InitialTimer));
    QVERIFY(!d.tip.isVisible());

    TipDialog::hover(d.plain, QPoint(3, 3));
    QCOMPARE(d.tip.GetState(), State::Cancelled);
    d.hoverEmpty();
    QCOMPARE(d.tip.GetState(), State::Idle);
    TipDialog::hover(d.plain);
    QCOMPARE(d.tip.GetState(), State::Waiting);
}

void TooltipTrackingTest::movingToAnotherToolWaitsForIt()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.plain));
    TipDialog::hover(d.label);
    QVERIFY(!d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Waiting);
    QCOMPARE(d.tip.CurrentTool()->window.data(), d.label);
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::CheckTimer));

    // A tool without a tip of its own counts as no tool.
    TipDialog::hover(d.untipped);
    QCOMPARE(d.tip.GetState(), State::Waiting);
}

enum class Input { Key, KeyRelease, RightPress, MiddlePress, LeftDouble, RightDouble,
                   LeftPressElsewhere, LeftPressOnTool };
Q_DECLARE_METATYPE(Input)

void TooltipTrackingTest::hidingInputs_data()
{
    QTest::addColumn<Input>("input");
    QTest::newRow("key press") << Input::Key;
    QTest::newRow("key release") << Input::KeyRelease;
    QTest::newRow("right press") << Input::RightPress;
    QTest::newRow("middle press") << Input::MiddlePress;
    QTest::newRow("left double click") << Input::LeftDouble;
    QTest::newRow("right double click") << Input::RightDouble;
    QTest::newRow("left press on the dialog") << Input::LeftPressElsewhere;
    QTest::newRow("left press on the tool") << Input::LeftPressOnTool;
}

void TooltipTrackingTest::hidingInputs()
{
    QFETCH(Input, input);
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.plain));

    switch (input) {
    case Input::Key:
        QTest::keyPress(&d.dialog, Qt::Key_X);
        break;
    case Input::KeyRelease: {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&d.dialog, &release);
        break;
    }
    case Input::RightPress:
        TipDialog::sendButton(d.plain, QEvent::MouseButtonPress, Qt::RightButton);
        break;
    case Input::MiddlePress:
        TipDialog::sendButton(d.plain, QEvent::MouseButtonPress, Qt::MiddleButton);
        break;
    case Input::LeftDouble:
        TipDialog::sendButton(d.plain, QEvent::MouseButtonDblClick, Qt::LeftButton);
        break;
    case Input::RightDouble:
        TipDialog::sendButton(d.plain, QEvent::MouseButtonDblClick, Qt::RightButton);
        break;
    case Input::LeftPressElsewhere:
        d.hoverEmpty();
        TipDialog::sendButton(&d.dialog, QEvent::MouseButtonPress, Qt::LeftButton);
        break;
    case Input::LeftPressOnTool:
        TipDialog::sendButton(d.plain, QEvent::MouseButtonPress, Qt::LeftButton);
        break;
    }
    QVERIFY(!d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Cancelled);
    // The check timer finds the tip cancelled and stops.
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::CheckTimer));
    QVERIFY(!d.tip.IsTimerRunning(CMultiTipCtrl::CheckTimer));
    QVERIFY(!d.tip.isVisible());
}

void TooltipTrackingTest::leftClickOnTipKeepsIt()
{
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.plain));
    const QRect shown = d.tip.geometry();
    TipDialog::hover(&d.tip);
    QTest::mouseClick(&d.tip, Qt::LeftButton);
    QVERIFY(d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Shown);
    // A plain tip has nothing to expand.
    QCOMPARE(d.tip.geometry(), shown);
    QCOMPARE(d.tip.DisplayedText(), QStringLiteral("Plain tip\nsecond line"));
    // A right click on it hides it like anywhere else.
    TipDialog::sendButton(&d.tip, QEvent::MouseButtonPress, Qt::RightButton);
    QVERIFY(!d.tip.isVisible());
}

enum class DialogChange { Deactivated, Moved, Hidden };
Q_DECLARE_METATYPE(DialogChange)

void TooltipTrackingTest::dialogChangesHideTip_data()
{
    QTest::addColumn<DialogChange>("change");
    QTest::newRow("another window activated") << DialogChange::Deactivated;
    QTest::newRow("dialog moved") << DialogChange::Moved;
    QTest::newRow("dialog hidden") << DialogChange::Hidden;
}

void TooltipTrackingTest::dialogChangesHideTip()
{
    QFETCH(DialogChange, change);
    TipDialog d;
    QVERIFY(d.open());
    QVERIFY(d.showTipOf(d.plain));

    QWidget other;
    switch (change) {
    case DialogChange::Deactivated:
        other.setGeometry(600, 400, 100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        break;
    case DialogChange::Moved:
        d.dialog.move(d.dialog.pos() + QPoint(30, 0));
        QCoreApplication::processEvents();
        break;
    case DialogChange::Hidden:
        d.dialog.hide();
        break;
    }
    QVERIFY(!d.tip.isVisible());
    QCOMPARE(d.tip.GetState(), State::Cancelled);
}

void TooltipTrackingTest::deactivationCancelsAWaitingTip()
{
    TipDialog d;
    QVERIFY(d.open());
    TipDialog::hover(d.plain);
    QCOMPARE(d.tip.GetState(), State::Waiting);

    QWidget other;
    other.setGeometry(600, 400, 100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(d.tip.GetState(), State::Cancelled);
    d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer);
    QVERIFY(!d.tip.isVisible());
}

void TooltipTrackingTest::disabledControlAndLabelGetTips_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("text");
    QTest::newRow("disabled edit") << QStringLiteral("edit")
                                   << QStringLiteral("Type here when enabled");
    QTest::newRow("label") << QStringLiteral("label") << QStringLiteral("What the label names");
}

void TooltipTrackingTest::disabledControlAndLabelGetTips()
{
    QFETCH(QString, which);
    QFETCH(QString, text);
    TipDialog d;
    QVERIFY(d.open());
    QWidget* target = which == QLatin1String("edit") ? static_cast<QWidget*>(d.disabledEdit)
                                                     : static_cast<QWidget*>(d.label);
    QVERIFY(!d.disabledEdit->isEnabled());
    TipDialog::hover(target);
    QCOMPARE(d.tip.GetState(), State::Waiting);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
    QCOMPARE(d.tip.DisplayedText(), text);
}

void TooltipTrackingTest::inactiveControlShowsNothing()
{
    TipDialog d;
    QVERIFY(d.open());
    d.tip.Activate(false);
    TipDialog::hover(d.plain);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(!d.tip.isVisible());

    // Taking effect at the next showing: back on, a new rest shows the tip.
    d.tip.Activate(true);
    QTest::keyClick(&d.dialog, Qt::Key_Shift);
    d.hoverEmpty();
    QCOMPARE(d.tip.GetState(), State::Idle);
    TipDialog::hover(d.plain);
    QVERIFY(d.tip.DeliverTimer(CMultiTipCtrl::InitialTimer));
    QVERIFY(d.tip.isVisible());
}

void TooltipTrackingTest::realTimersShowAndHideTip()
{
    // Without the manual seam the control registers real timers with the event loop;
    // their events are delivered here by hand instead of waiting for them.
    TipDialog d;
    QVERIFY(d.open());
    d.tip.SetManualTimers(false);
    auto registered = [&d] {
        return QAbstractEventDispatcher::instance()->registeredTimers(&d.tip);
    };
    auto fire = [&d](int timerId) {
        QTimerEvent tick(timerId);
        QCoreApplication::sendEvent(&d.tip, &tick);
    };
    QVERIFY(registered().isEmpty());

    TipDialog::hover(d.plain);
    QCOMPARE(registered().size(), 1);
    QCOMPARE(registered().first().interval, 500);
    fire(registered().first().timerId);
    QVERIFY(d.tip.isVisible());

    QCOMPARE(registered().size(), 1);
    QCOMPARE(registered().first().interval, 500);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(!registered().isEmpty());
        fire(registered().first().timerId);
    }
    QVERIFY(!d.tip.isVisible());
    QVERIFY(registered().isEmpty());
}

QTEST_MAIN(TooltipTrackingTest)
#include "tst_multi_tip_tracking.moc"
