// Kelvane: SJA1000 CAN bit-timing calculator.

#include <QString>
#include <csignal>
#include <cstddef>
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

constexpr const char* kUsage = "Usage: kelvane [--help | --version]\n";

// Qt's own options, which Qt takes from the command line itself: those of
// QGuiApplication, QApplication and the X11 platform. Written with one dash or two.
constexpr const char* kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "session", "display", "style", "stylesheet"};
constexpr const char* kQtFlags[] = {"reverse", "widgetcount"};

// How many arguments the Qt option at argv[i] takes up, with its value; 0 when
// argv[i] is none. Qt reads "-style=NAME" and "-stylesheet=FILE" too.
int QtOptionLength(int argc, char** argv, int i) {
  const char* arg = argv[i];
  if (arg[0] != '-') return 0;
  const char* name = arg + (arg[1] == '-' ? 2 : 1);
  for (const char* flag : kQtFlags) {
    if (std::strcmp(name, flag) == 0) return 1;
  }
  for (const char* option : kQtOptionsWithValue) {
    const std::size_t length = std::strlen(option);
    if (std::strncmp(name, option, length) != 0) continue;
    if (name[length] == '\0' && i + 1 < argc) return 2;
    if (name[length] == '=' && std::strncmp(option, "style", 5) == 0) return 1;
  }
  return 0;
}

enum class Request { Window, Help, Version, BadUsage };

struct CommandLine {
  Request request = Request::Window;
  bool namesPlatform = false;  // -platform NAME: Qt's display comes from there
};

// --help and --version answer, and anything unknown is refused, before any
// display is looked for; Qt's options are left to Qt.
CommandLine ReadCommandLine(int argc, char** argv) {
  CommandLine line;
  bool help = false;
  bool version = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0) {
      help = true;
    } else if (std::strcmp(arg, "--version") == 0) {
      version = true;
    } else if (const int length = QtOptionLength(argc, argv, i)) {
      const char* name = arg + (arg[1] == '-' ? 2 : 1);
      if (length == 2 && std::strcmp(name, "platform") == 0) line.namesPlatform = true;
      i += length - 1;
    } else {
      std::fprintf(stderr, "kelvane: unknown argument '%s'\n%s", arg, kUsage);
      line.request = Request::BadUsage;
      return line;
    }
  }
  if (help) {
    line.request = Request::Help;
  } else if (version) {
    line.request = Request::Version;
  }
  return line;
}

void PrintHelp() {
  std::printf(
      "%s"
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
      "man kelvane-calc.\n",
      kUsage);
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
  const CommandLine line = ReadCommandLine(argc, argv);
  switch (line.request) {
    case Request::BadUsage:
      return 2;
    case Request::Help:
      PrintHelp();
      return std::fflush(stdout) == 0 ? 0 : 1;
    case Request::Version:
      std::printf("kelvane 1.1.0.0\n");
      return std::fflush(stdout) == 0 ? 0 : 1;
    case Request::Window:
      break;
  }
  if (!line.namesPlatform && !DisplayAvailable()) {
    ExplainMissingDisplay("no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).");
    return 1;
  }
  previousHandler = qInstallMessageHandler(CatchUnreachableDisplay);
  CKelvaneApp app(argc, argv);
  qInstallMessageHandler(previousHandler);
  app.InitInstance();
  return 0;
}
