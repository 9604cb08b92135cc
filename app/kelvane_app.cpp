#include "kelvane_app.h"

#include <QEventLoop>

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
  // Run until it closes, as a modal run would, but shown as a window of its own:
  // modality would announce it to the window manager as a modal dialog. The
  // windows it opens are modal over it.
  QEventLoop run;
  connect(&dlg, &QDialog::finished, &run, &QEventLoop::quit);
  dlg.show();
  if (dlg.isVisible()) run.exec(QEventLoop::DialogExec);
  mainWindow_ = nullptr;
  return false;
}
