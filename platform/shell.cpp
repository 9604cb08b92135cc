#include "shell.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace kelvane {

namespace {

ShellService* g_installed = nullptr;

// Runs the launcher for address and waits up to waitMs for it to end.
long Launch(const QString& launcher, const QString& address, int waitMs) {
  auto* process = new QProcess;
  process->setProgram(launcher);
  process->setArguments({address});
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start(QIODevice::NotOpen);
  if (!process->waitForStarted(waitMs)) {
    delete process;
    return kShellErrNoAssoc;
  }
  if (process->waitForFinished(waitMs)) {
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

}  // namespace

long DesktopShell::open(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  // Only a full address with a scheme goes to the launcher; anything else could be
  // read by it as a file name or an option.
  if (!url.isValid() || url.scheme().isEmpty() || address.startsWith(QLatin1Char('-')))
    return kShellErrFileNotFound;

  const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (launcher.isEmpty()) return kShellErrNoAssoc;

  // The launcher's verdict can take a moment; the wait cursor tells the user so.
  const bool cursor = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  if (cursor) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const long result = Launch(launcher, address, waitMs_);
  if (cursor) QGuiApplication::restoreOverrideCursor();
  return result;
}

ShellService& Shell() {
  static DesktopShell real;
  return g_installed ? *g_installed : static_cast<ShellService&>(real);
}

void SetShellService(ShellService* service) { g_installed = service; }

}  // namespace kelvane
