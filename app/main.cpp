// Kelvane: SJA1000 CAN bit-timing calculator.

#include <QApplication>

#include "about_dlg.h"
#include "application.h"
#include "werbung.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kelvane::SetUpApplication(app);
  // The shell's own windows in the order a session shows them; the main window
  // runs between them.
  kelvane::ShowWerbung();
  kelvane::CAboutDlg about;
  about.exec();
  kelvane::ShowWerbung();
  return 0;
}
