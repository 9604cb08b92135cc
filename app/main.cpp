// Kelvane: SJA1000 CAN bit-timing calculator.

#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// --help and --version answer before any display is looked for; every other
// argument is left to Qt as before.
bool AnswerInformationRequest(int argc, char** argv) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("kelvane 1.1.0.0\n");
    return true;
  }
  if (std::strcmp(argv[1], "--help") != 0) return false;
  std::printf(
      "Usage: kelvane [--help | --version]\n"
      "\n"
      "Kelvane finds the BTR0/BTR1 bit-timing settings of SJA1000-family CAN\n"
      "controllers for a baud rate, in a window (it needs a graphical display).\n"
      "\n"
      "It keeps its transceiver file DataTran.Dat in its working directory.\n"
      "Started from the desktop menu it runs in\n"
      "${XDG_DATA_HOME:-~/.local/share}/kelvane (created when missing);\n"
      "kelvane-calc looks for the file there too.\n"
      "\n"
      "The same calculation in a terminal or a script: kelvane-calc --help,\n"
      "man kelvane-calc.\n");
  return true;
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
  if (AnswerInformationRequest(argc, argv)) return std::fflush(stdout) == 0 ? 0 : 1;
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
