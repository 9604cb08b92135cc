#include "app_shell.h"

#include "about_dlg.h"
#include "links.h"
#include "pictures.h"
#include "werbung.h"

namespace kelvane::ui {

void ShowThankYouWindow(QWidget* owner) { kelvane::ShowWerbung(owner); }

void RunAboutBox() {
  CAboutDlg about;
  about.exec();
}

void OpenMakerWebPage(QWidget* owner) { kelvane::OpenWebPage(owner); }

QIcon ProgramIcon() {
  res::LoadPictures();
  QIcon icon;
  for (const char* path : {res::kIcon128Size16, res::kIcon128Size32, res::kIcon128Size48})
    icon.addFile(QString::fromLatin1(path));
  return icon;
}

}  // namespace kelvane::ui
