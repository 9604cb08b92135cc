#pragma once
// The application object: runs the main window until it closes; when it
// closes, the program ends.

#include <QApplication>

class CKelvaneDlg;

class CKelvaneApp : public QApplication {
  Q_OBJECT
 public:
  // Names the application "Kelvane" (the caption of message boxes without one),
  // version 1.1.0.0.
  CKelvaneApp(int& argc, char** argv);

  // Runs the main window until it closes. Always false: no message loop follows.
  bool InitInstance();

  // The main window while InitInstance runs it, else nullptr.
  CKelvaneDlg* mainWindow() const { return mainWindow_; }

 private:
  CKelvaneDlg* mainWindow_ = nullptr;
};
