// Kelvane: SJA1000 CAN bit-timing calculator.

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

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fputs(
        "kelvane: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
        "kelvane: start it from a desktop session, or under a virtual display:\n"
        "           xvfb-run -a kelvane\n",
        stderr);
    return 1;
  }
  CKelvaneApp app(argc, argv);
  app.InitInstance();
  return 0;
}
