#include "app_shell.h"

#include "about_dlg.h"
#include "application.h"
#include "links.h"
#include "werbung.h"

namespace kelvane::ui {

void ShowThankYouWindow(QWidget* owner) { kelvane::ShowWerbung(owner); }

void RunAboutBox() {
  CAboutDlg about;
  about.exec();
}

void OpenMakerWebPage(QWidget* owner) { kelvane::OpenWebPage(owner); }

QIcon ProgramIcon() { return kelvane::ApplicationIcon(); }

}  // namespace kelvane::ui
