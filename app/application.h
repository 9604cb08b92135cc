#pragma once
// Application-wide set-up shared by the program and its window tests.

#include <QIcon>

class QApplication;

namespace kelvane {

// Name "Kelvane" (the caption of message boxes without one of their own),
// version 1.1.0.0, maker, the program's icon on every window, and the font that
// stands in for the dialogs' "MS Sans Serif".
void SetUpApplication(QApplication& app);

// Icon 128 in 16, 32 and 48 pixels.
QIcon ApplicationIcon();

}  // namespace kelvane
