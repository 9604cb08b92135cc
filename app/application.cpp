#include "application.h"

#include <QApplication>

#include "pictures.h"
#include "template_dialog.h"

namespace kelvane {

QIcon ApplicationIcon() {
  res::LoadPictures();
  QIcon icon;
  for (const char* path : {res::kIcon128Size16, res::kIcon128Size32, res::kIcon128Size48})
    icon.addFile(QString::fromLatin1(path));
  return icon;
}

void SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Kelvane"));
  QApplication::setApplicationVersion(QStringLiteral("1.1.0.0"));
  QApplication::setOrganizationName(QStringLiteral("Orvena"));
  QApplication::setOrganizationDomain(QStringLiteral("orvena.example"));
  QGuiApplication::setDesktopFileName(QStringLiteral("example.orvena.kelvane"));
  InstallFontSubstitutions();
  app.setWindowIcon(ApplicationIcon());
}

}  // namespace kelvane
