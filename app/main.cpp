// Kelvane: SJA1000 CAN bit-timing calculator.

#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "kelvane_app.h"

namespace {

// Without a display Qt would abort with a message about platform plugins; say
// plainly what is missing and how to run the program instead.
bool DisplayAvailable() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

void ExplainMissingDisplay(const char* what) {
  std::fprintf(stderr,
               "kelvane: %s\n"
               "kelvane: start it from a desktop session, or under a virtual display:\n"
               "           xvfb-run -a kelvane\n",
               what);
}

QtMessageHandler previousHandler = nullptr;

// A display that is named but cannot be reached ends in Qt's fatal message about
// platform plugins, which suggests reinstalling and aborts; say what is missing
// and end normally instead.
void CatchUnreachableDisplay(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
  if (type == QtFatalMsg &&
      message.contains(QLatin1String("no Qt platform plugin could be initialized"))) {
    ExplainMissingDisplay("the graphical display cannot be reached.");
    std::fflush(stderr);
    std::_Exit(1);
  }
  previousHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit must fail a write with an error, not kill us half way through it.
  std::signal(SIGXFSZ, SIG_IGN);
  if (!DisplayAvailable()) {
    ExplainMissingDisplay("no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).");
    return 1;
  }
  previousHandler = qInstallMessageHandler(CatchUnreachableDisplay);
  CKelvaneApp app(argc, argv);
  qInstallMessageHandler(previousHandler);
  app.InitInstance();
  return 0;
}
