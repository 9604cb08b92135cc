#pragma once
// What the main window uses from the application shell: the thank-you window,
// the About box, the maker's web page and the program's icon.

#include <QIcon>

class QWidget;

namespace kelvane::ui {

// Shows the thank-you window modally; returns when the user has closed it.
void ShowThankYouWindow(QWidget* owner);
// Runs the About box modally.
void RunAboutBox();
// Opens the maker's web page, reporting a failure in a message box owned by owner.
void OpenMakerWebPage(QWidget* owner);
// The program's icon: icon resource 128 in 16, 32 and 48 pixels.
QIcon ProgramIcon();

}  // namespace kelvane::ui
