#pragma once
// Answering modal dialogs in tests without sleeping: a zero-delay timer that
// waits for a new modal widget and hands it to the test's action.

#include <QWidget>
#include <functional>

namespace kelvane::testing {

// Arranges that the next modal widget that becomes active (other than the one
// active now) is passed to act. Polls from the event loop with zero-delay
// timers; gives up after timeoutMs (the action is then never run).
void WhenModalShown(std::function<void(QWidget*)> act, int timeoutMs = 5000);

// Convenience: the next modal dialog is closed with reject().
void RejectNextModal(int timeoutMs = 5000);

}  // namespace kelvane::testing
