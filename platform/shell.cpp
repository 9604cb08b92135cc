#include "shell.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace kelvane {

namespace {

ShellService* g_installed = nullptr;

}  // namespace

long DesktopShell::open(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  // Only a full address with a scheme goes to the launcher; anything else could be
  // read by it as a file name or an option.
  if (!url.isValid() || url.scheme().isEmpty() || address.startsWith(QLatin1Char('-')))
    return kShellErrFileNotFound;

  const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (launcher.isEmpty()) return kShellErrNoAssoc;

  auto* process = new QProcess;
  process->setProgram(launcher);
  process->setArguments({address});
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start(QIODevice::NotOpen);
  if (!process->waitForStarted(waitMs_)) {
    delete process;
    return kShellErrNoAssoc;
  }
  if (process->waitForFinished(waitMs_)) {
    const bool opened =
        process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return opened ? kShellOpened : kShellErrNoAssoc;
  }
  // Still running: let it finish on its own and clean up after it.
  if (QCoreApplication* app = QCoreApplication::instance()) process->setParent(app);
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  return kShellOpened;
}

ShellService& Shell() {
  static DesktopShell real;
  return g_installed ? *g_installed : static_cast<ShellService&>(real);
}

void SetShellService(ShellService* service) { g_installed = service; }

}  // namespace kelvane
