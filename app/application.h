#pragma once
// Application-wide set-up, applied by the application object at start.

class QApplication;

namespace kelvane {

// Name "Kelvane" (the caption of message boxes without one of their own),
// version 1.1.0.0, maker, the program's icon on every window, and the font that
// stands in for the dialogs' "MS Sans Serif".
void SetUpApplication(QApplication& app);

}  // namespace kelvane
