#include "application.h"

#include <QApplication>

#include "app_shell.h"
#include "template_dialog.h"

namespace kelvane {

void SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Kelvane"));
  QApplication::setApplicationVersion(QStringLiteral("1.1.0.0"));
  QApplication::setOrganizationName(QStringLiteral("Orvena"));
  QApplication::setOrganizationDomain(QStringLiteral("orvena.example"));
  QGuiApplication::setDesktopFileName(QStringLiteral("example.orvena.kelvane"));
  InstallFontSubstitutions();
  app.setWindowIcon(ui::ProgramIcon());
}

}  // namespace kelvane
