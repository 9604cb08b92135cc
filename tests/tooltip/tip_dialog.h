#pragma once

// A small dialog with one tip per control, shown on the offscreen screen, and the
// helpers the tooltip tests share. The tip's timers are driven by hand.

#include "multi_tip_ctrl.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

inline const QString kPlainText = QStringLiteral("Plain tip\nsecond line");
inline const QString kCalcText = QStringLiteral(
    "Begin the process for calculate the Combination for   \nthe entered Values\r"
    "Pressing the RIGHT Mouse Button you can Stop the Proccess.");
inline const QString kDisabledText = QStringLiteral("Type here when enabled");
inline const QString kLabelText = QStringLiteral("What the label names");
inline const QString kPanelText = QStringLiteral("The panel");

struct TipDialog {
    QDialog dialog;
    QPushButton* plain = new QPushButton(QStringLiteral("Plain"), &dialog);
    QPushButton* calc = new QPushButton(QStringLiteral("Calculate"), &dialog);
    QLineEdit* disabledEdit = new QLineEdit(&dialog);
    QLabel* label = new QLabel(QStringLiteral("Label:"), &dialog);
    QFrame* panel = new QFrame(&dialog);
    QWidget* panelChild = new QWidget(panel);
    QPushButton* untipped = new QPushButton(QStringLiteral("No tip"), &dialog);
    // Declared after the dialog so that it goes first, as a dialog's member does.
    CMultiTipCtrl tip;

    explicit TipDialog(QPoint at = QPoint(100, 100))
    {
        dialog.setGeometry(QRect(at, QSize(400, 300)));
        plain->setGeometry(20, 20, 150, 30);
        calc->setGeometry(20, 70, 150, 30);
        disabledEdit->setGeometry(20, 120, 150, 24);
        disabledEdit->setEnabled(false);
        label->setGeometry(20, 170, 150, 24);
        panel->setGeometry(200, 20, 150, 100);
        panelChild->setGeometry(10, 10, 50, 50);
        untipped->setGeometry(200, 170, 100, 30);
    }

    // Shows the dialog, creates the control and adds the tools, as a dialog's
    // initialisation does.
    bool open()
    {
        // Away from every window, so the first hover is a real move.
        QCursor::setPos(QPoint(1, 1));
        QCoreApplication::processEvents();
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            return false;
        if (!tip.Create(&dialog))
            return false;
        tip.SetManualTimers(true);
        tip.AddTool(plain, kPlainText);
        tip.AddTool(calc, kCalcText);
        tip.AddTool(disabledEdit, kDisabledText);
        tip.AddTool(label, kLabelText);
        tip.AddTool(panel, kPanelText);
        return true;
    }

    // A point of the dialog where no tool lies.
    QPoint emptySpot() const { return QPoint(380, 280); }

    // Moves the real cursor; the offscreen platform then delivers the move to the
    // widget under it, exactly as a user's move.
    static void hover(QWidget* widget, QPoint local)
    {
        QTest::mouseMove(widget, local);
    }
    static void hover(QWidget* widget) { hover(widget, widget->rect().center()); }
    void hoverEmpty() { hover(&dialog, emptySpot()); }

    // Rests on a tool until its tip shows.
    bool showTipOf(QWidget* widget)
    {
        hover(widget);
        return tip.DeliverTimer(CMultiTipCtrl::InitialTimer) && tip.isVisible();
    }

    // A mouse button event at the cursor, sent to the widget under it.
    static void sendButton(QWidget* widget, QEvent::Type type, Qt::MouseButton button)
    {
        const QPoint global = QCursor::pos();
        QMouseEvent event(type, widget->mapFromGlobal(global), global, button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
};
