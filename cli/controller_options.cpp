#include "controller_options.h"

namespace kelvane::cli {

std::string ReadControllerOptions(const ControllerFlags& f,
                                  const std::vector<std::string>& positional, CalcOptions& o) {
  if (f.list) {
    if (f.controllerGiven || f.clockGiven || f.all || f.decodeRegisters || f.ipJsonGiven)
      return "--list-controllers takes --controller-file and --format only";
    if (!positional.empty()) return "--list-controllers takes no BAUD";
  } else if (!f.controllerGiven) {
    if (f.decodeRegisters) return "--decode-registers needs --controller NAME";
    if (f.clockGiven) return "--clock-hz needs --controller NAME";
    if (f.all) return "--all needs --controller NAME";
    if (f.fileGiven && !f.ipJsonGiven)
      return "--controller-file goes with --controller, --list-controllers or --from-ip-json";
  }
  if (f.clockGiven && f.oscGiven) return "--osc and --clock-hz exclude each other";
  if (f.ipJsonGiven && (f.clockGiven || f.oscGiven))
    return "--from-ip-json takes the clock from the file: leave out --osc and --clock-hz";
  if (f.ipJsonGiven && f.decodeRegisters)
    return "--from-ip-json and --decode-registers exclude each other";
  if (f.controllerGiven && f.controller.empty()) return "--controller: give a controller's name";
  if (f.fileGiven && f.file.empty()) return "--controller-file: give a path";
  if (f.clockGiven) {
    const std::string& t = f.clockHz;
    unsigned long long hz = 0;
    bool digits = !t.empty() && t.size() <= 10;
    for (const char c : t) {
      digits = digits && c >= '0' && c <= '9';
      if (digits) hz = hz * 10 + static_cast<unsigned>(c - '0');
    }
    if (!digits || hz < 1 || hz > 4294967295ull)
      return "--clock-hz '" + t + "': give the clock in Hz, a whole number from 1 to 4294967295";
    o.clockHzText = t;
  }

  if (f.controllerGiven) o.controller = f.controller;
  if (f.fileGiven) o.controllerFile = f.file;
  o.all = f.all;
  o.listControllers = f.list;
  o.decodeRegisters = f.decodeRegisters;
  o.oscGiven = f.oscGiven;
  if (!o.ControllerRun()) return {};  // --from-ip-json reads its own words

  std::vector<std::string> bauds;
  for (const std::string& word : positional) {
    if (f.decodeRegisters && word.find('=') != std::string::npos)
      o.registerTexts.push_back(word);
    else
      bauds.push_back(word);
  }
  if (f.decodeRegisters && o.registerTexts.empty())
    return "--decode-registers needs NAME=VALUE for each register (see --list-controllers)";
  if (bauds.size() > 1) return "one BAUD only; unexpected '" + bauds[1] + "'";
  if (!f.list && !f.decodeRegisters && !f.ipJsonGiven && bauds.empty())
    return "missing BAUD (the wanted baud rate in kbit/s)";
  if (f.ipJsonGiven) o.ipJsonPath = f.ipJson;
  o.hasBaud = !bauds.empty();
  if (o.hasBaud) o.baudText = bauds[0];
  return {};
}

}  // namespace kelvane::cli
