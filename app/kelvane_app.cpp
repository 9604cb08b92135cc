#include "kelvane_app.h"

#include "application.h"
#include "kelvane_dlg.h"
#include "menu_dialogs.h"

CKelvaneApp::CKelvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
  kelvane::SetUpApplication(*this);
  // The program lives as long as the main window's modal run: the thank-you
  // window closing at start, while it is the only window, must not end it.
  setQuitOnLastWindowClosed(false);
}

bool CKelvaneApp::InitInstance() {
  CKelvaneDlg dlg;
  kelvane::ConnectMenuDialogs(dlg);
  mainWindow_ = &dlg;
  dlg.exec();
  mainWindow_ = nullptr;
  return false;
}
