#pragma once
// Answering modal dialogs in tests without sleeping: a zero-delay timer that
// waits for a new modal widget and hands it to the test's action.

#include <QWidget>
#include <functional>

namespace kelvane::testing {

// Arranges that the next modal widget that becomes active, other than those open
// now, is passed to act (a modal window below a closing one that becomes active
// again does not count). Polls from the event loop with short timers, so the
// code that opens the modal must run an event loop (exec() does); gives up after
// timeoutMs with a warning (the action is then never run). act runs inside the
// modal's event loop: it may read the window, click, type, close it or arm the
// next watch.
void WhenModalShown(std::function<void(QWidget*)> act, int timeoutMs = 5000);

// As WhenModalShown, but a dialog that act leaves open (a check in it failed)
// is then rejected, so that a failure cannot hang the test.
void WhenShown(std::function<void(QWidget*)> act, int timeoutMs = 5000);

// Convenience: the next modal dialog is closed with reject().
void RejectNextModal(int timeoutMs = 5000);

}  // namespace kelvane::testing
