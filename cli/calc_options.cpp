#include "calc_options.h"

#include "controller_options.h"
#include "profile.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <climits>
#include <cmath>

#include "number_text.h"
#include "propagation.h"
#include "rule_verdicts.h"
#include "socketcan.h"

namespace kelvane::cli {

namespace {

const char kTestValueMessage[] = "Please Enter a Correct value for Testing values";

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The parser's messages may run over several lines; the error stream gets one.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

// A whole non-negative integer that fits 32 bits, blanks allowed around it:
// what a digits-only entry of the window can hold.
bool ReadWholeCount(const std::string& text, int& value) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  long long v = 0;
  std::size_t digits = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
    v = v * 10 + (text[i] - '0');
    if (v > INT_MAX) return false;
  }
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (digits == 0 || i != text.size()) return false;
  value = static_cast<int>(v);
  return true;
}

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// A decimal number and nothing else: an optional sign, digits with an
// optional point, an optional exponent.
bool IsNumber(std::string_view t) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i - from;
  };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < t.size() && t[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

// The oscillator entry as the number alone ("16MHz" is 16), when it is a
// positive number whose clock (after the divider) and clock period are
// finite: an oscillator of 0 or below has no clock to time a bit with.
std::optional<std::string> OscillatorNumber(const std::string& text, int divider) {
  std::string number = Trimmed(text);
  if (number.size() > 3) {
    std::string unit = number.substr(number.size() - 3);
    for (char& c : unit) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (unit == "mhz") number = Trimmed(number.substr(0, number.size() - 3));
  }
  if (!IsNumber(number)) return std::nullopt;
  const double mhz = ReadDouble(number);
  const double fclk = mhz * 1000000 / divider;
  if (!(mhz > 0.0) || !std::isfinite(fclk) || !std::isfinite(1e9 / fclk)) return std::nullopt;
  return number;
}

bool IsTestValue(const std::string& text) {
  if (text.size() != 2) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'F')) return false;
  }
  return true;
}

// "0x1C", "0X1c" or "0xC" as the two upper-case digits the window's entry holds.
std::string WithoutHexPrefix(const std::string& text) {
  if (text.size() < 3 || text.size() > 4 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
    return text;
  std::string digits = text.substr(2);
  return digits.size() == 1 ? "0" + digits : digits;
}

// A sample point as per cent (87.5, 87.5%) or as the fraction ip link takes (0.875).
bool ReadSamplePoint(const std::string& text, double& percent) {
  std::string number = text;
  if (!number.empty() && number.back() == '%') number.pop_back();
  if (number.empty() || number.size() > 32 ||
      number.find_first_not_of("0123456789.") != std::string::npos ||
      number.find('.') != number.rfind('.') || number == ".")
    return false;
  double value = 0.0, scale = 0.0;
  for (char c : number) {
    if (c == '.') {
      scale = 1.0;
    } else if (scale == 0.0) {
      value = value * 10.0 + (c - '0');
    } else {
      scale /= 10.0;
      value += (c - '0') * scale;
    }
  }
  if (value > 0.0 && value < 1.0) value *= 100.0;
  if (!(value >= 1.0 && value < 100.0)) return false;
  percent = value;
  return true;
}

bool ReadRuleSet(const std::string& text, std::string& rules) {
  if (text == "standard") {
    rules = "11111111100";
  } else if (text == "none") {
    rules = "00000000000";
  } else if (text == "all") {
    rules = "11111111111";
  } else {
    if (text.size() != 11 || text.find_first_not_of("01") != std::string::npos) return false;
    rules = text;
  }
  return true;
}

ParseOutcome Refuse(const std::string& message) {
  ParseOutcome out;
  out.action = ParseOutcome::Action::Error;
  out.text = PrintableLine(message);
  return out;
}

// CLI11 2.1 cannot be told the usage line; the generated one is replaced.
std::string WithUsage(std::string help) {
  const std::string generated = "Usage: kelvane-calc [OPTIONS] [BAUD...]";
  const std::size_t at = help.find(generated);
  if (at != std::string::npos) {
    help.replace(at, generated.size(),
                 "Usage: kelvane-calc [OPTIONS] BAUD\n"
                 "       kelvane-calc [OPTIONS] --decode BTR0 BTR1 [BAUD]\n"
                 "       kelvane-calc [OPTIONS] --from-ip-json FILE|- [BAUD]\n"
                 "       kelvane-calc --controller NAME [--osc MHZ|--clock-hz HZ] [OPTIONS] BAUD\n"
                 "       kelvane-calc --controller NAME [--osc MHZ|--clock-hz HZ] --decode-registers\n"
                 "         NAME=VALUE ... [BAUD]\n"
                 "       kelvane-calc --list-controllers [--controller-file FILE.json]\n"
                 "       kelvane-calc plan --node NAME=CONTROLLER@CLOCK ... [OPTIONS] BAUD\n"
                 "         (one timing for every node of a bus; kelvane-calc plan --help)\n"
                 "       kelvane-calc transceiver list|show|add|set|delete|export|import ...\n"
                 "         (the transceiver file; kelvane-calc transceiver --help)");
  }
  const std::string positional = "  BAUD ...  ";
  const std::size_t p = help.find(positional);
  if (p != std::string::npos) help.replace(p, positional.size(), "  BAUD      ");
  return help;
}

// The profiles' names, wrapped for the help's width.
std::string ControllerNames() {
  std::string names, line;
  for (const cantiming::ControllerProfile& p : cantiming::BuiltInProfiles()) {
    const std::string word = p.name + (&p == &cantiming::BuiltInProfiles().back() ? "" : ",");
    if (!line.empty() && line.size() + 1 + word.size() > 70) {
      names += line + "\n  ";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return names + line;
}

// The help's closing text: the decode, the rules, how pairs are judged and
// recommended, SocketCAN, CSV, files and exit statuses.
std::string FooterText() {
  std::string rules;
  for (int rule = 1; rule <= RuleSet::kRuleCount; ++rule) {
    rules += (rule < 10 ? "   " : "  ") + std::to_string(rule) + "  " + RuleCondition(rule);
    if (rule == 9) rules += " (the rate rule; --band: within 1 %)";
    rules += '\n';
  }
  return "Decode: kelvane-calc [OPTIONS] --decode BTR0 BTR1 [BAUD]\n"
         "  shows the pair as the window's test does, at the controller clock\n"
         "  (with --divider), and judges each rule on it; with BAUD the rate rules\n"
         "  too (--band: within 1 %). BTR0 and BTR1 may be written 0x1C.\n"
         "  --from-ip-json does the same for the bittiming the kernel reports\n"
         "  (Fclk = 2 x its clock; BAUD defaults to the pair's own rate, which the\n"
         "  kernel reports rounded down to whole bit/s). A file of several devices\n"
         "  (ip -details -json link show) gives its one CAN device, or --device's.\n"
         "--line-length, --line-delay and --logic-delay go with --transceiver.\n"
         "\n"
         "Rules (--rules, rule 1 first; standard: 1 to 9 on, 10 and 11 off):\n" +
         rules +
         "  tSCL is the time quantum, tTSEG1 = TSEG1 x tSCL and so on; tprop the\n"
         "  propagation delay (one tSCL unless --prop-ns or --transceiver);\n"
         "  tSCLmin/max the CiA quantum for the rate less/plus the frequency\n"
         "  variation; --large-tolerance adds 8 <= NBT <= 16 whatever the rules.\n"
         "Tolerance: each pair's err (its rate against BAUD) plus --tolerance must\n"
         "  stay within the oscillator tolerance it allows under ISO 11898-1\n"
         "  (tol): 'tol ok' yes or no (JSON tolerance_ok).\n"
         "Order: --sample-point sorts by distance from the target, then by the\n"
         "  larger tolerance, then in the window's order. The first pair at the\n"
         "  wanted rate (with --nearest: at the nearest rate) whose tolerance holds\n"
         "  is recommended; with rule 9 off pairs at other rates are listed but\n"
         "  never recommended, and the output says why none is. cia: 87.5 % up to\n"
         "  500 kbit/s, 80 % up to 800 kbit/s, 75 % above.\n"
         "\n"
         "SocketCAN: the SJA1000 driver's clock is Fclk / 2 and its brp is the\n"
         "  register's BRP, so tq = BRP / clock, given in ns rounded to the nearest\n"
         "  as the kernel shows it back; the kernel's BRP from it (clock x tq / 1e9\n"
         "  rounded to the nearest) is the pair's BRP again. TSEG1 = prop-seg +\n"
         "  phase-seg1, where prop-seg = the propagation delay in whole tq, rounded\n"
         "  up (1 tq with the standard values), but at most TSEG1 - SJW, so that\n"
         "  phase-seg1 >= SJW; phase-seg2 = TSEG2. A pair with SJW > TSEG2 or\n"
         "  SJW > TSEG1 is not settable: Linux 6.3 and later refuse it (older\n"
         "  kernels take it); '-' in the table, a reason in CSV and JSON.\n"
         "  --ip-link prints ip link set dev DEV down, the setting (triple-sampling\n"
         "  on or off, DEV quoted for the shell where needed) and ... up.\n"
         "CSV: one table, a header line and one row a pair; each row repeats the\n"
         "  request as request_* columns (a decode's verdicts as rule_*, the\n"
         "  --ip-link block as paste_*). JSON: {request, pairs, rules, paste}.\n"
         "Any controller: --controller NAME lists every setting whose rate is\n"
         "  exactly BAUD (in exact fractions) that the controller's registers hold\n"
         "  and Linux 6.3 and later take through ip link tq/prop-seg/..., with its\n"
         "  registers, ordered as --sample-point orders (CiA when not given); the\n"
         "  best 20 unless --all. A setting whose tolerance, less the rate error,\n"
         "  is below --tolerance, or whose tseg1 - sjw does not cover the\n"
         "  propagation delay (one tq without --prop-ns or --transceiver), is\n"
         "  marked and never recommended. Beside it: what the kernel itself picks\n"
         "  for ip link ... bitrate BAUD [sample-point], and where its search\n"
         "  misbehaves. --osc is the frequency at the controller's clock input,\n"
         "  --clock-hz the clock ip -details link show reports. Controllers:\n"
         "  " + ControllerNames() + ".\n"
         "  --list-controllers shows their limits, clock rules and registers (as\n"
         "  JSON: the form --controller-file reads). --from-ip-json decodes a\n"
         "  device of another controller by its own profile.\n"
         "CAN FD: --data-bitrate KBIT with a controller that has a data phase\n"
         "  (m_can, mcp2518fd, flexcan-fd) lists the data settings as the nominal\n"
         "  ones (data_settings) and ranks the pairs of both: exact rates, then\n"
         "  the sample points (--sample-point, --data-sample-point; CiA's 87.5,\n"
         "  80 or 75 % by each phase's rate when not given), then a data brp of 1\n"
         "  or 2, then one brp for both phases (CiA 601-3), then the larger\n"
         "  tolerance of ISO 11898-1's five FD conditions, whose limiting one is\n"
         "  named. A pair whose rate error plus --tolerance exceeds it, or that\n"
         "  holds a marked setting, is never recommended; a data setting is marked\n"
         "  when its TDC cannot work (flexcan's 5-bit offset cut short; with a loop\n"
         "  delay: needed but off, a data brp above 2, or not measurable). TDC is\n"
         "  as each driver sets it: the kernel's can_calc_tdco for mcp251xfd,\n"
         "  m_can's and flexcan's own rules. The loop delay is --tdc-loop-ns, else\n"
         "  the transceiver's tTX + tRX + --logic-delay. The best 20 pairs are\n"
         "  listed, with --all at most 1000. --ip-link adds the data timing, the\n"
         "  TDC options the driver takes (tdc-mode, tdco) and fd on. networkd has\n"
         "  no TDC keys: its [CAN] section leaves TDC to the kernel's or the\n"
         "  driver's own choice, and cannot set a manual TDCV. --decode-registers\n"
         "  takes the data and TDC registers too; --from-ip-json reads an FD\n"
         "  device's data_bittiming and tdc.\n"
         "Files: the transceiver file is --data-file, else ./DataTran.Dat when\n"
         "  there is one, else ${XDG_DATA_HOME:-~/.local/share}/kelvane/DataTran.Dat.\n"
         "Exit status: 0 listed or decoded, 1 none found, 2 bad usage or input,\n"
         "  3 file error.";
}

}  // namespace

double CiaSamplePoint(double rateKbps) {
  if (rateKbps <= 500.0) return 87.5;
  if (rateKbps <= 800.0) return 80.0;
  return 75.0;
}

std::string QuotedLine(std::string_view text) { return "\"" + PrintableLine(text) + "\""; }

std::string PrintableLine(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length > 1 || (length == 1 && c >= 0x20 && c != 0x7F)) {
      line.append(text, i, length);
      i += length;
      continue;
    }
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (c == '\t') {
      line += "\\t";
    } else {
      line += "\\x";
      line.push_back(kHex[c >> 4]);
      line.push_back(kHex[c & 15]);
    }
    ++i;
  }
  return line;
}

ParseOutcome ParseCalcArguments(const std::vector<std::string>& arguments) {
  CLI::App app(
      "Lists the BTR0/BTR1 pairs of an SJA1000 CAN controller for a baud rate\n"
      "in kbit/s (500 is 500 kbit/s), or decodes one pair, as the Kelvane\n"
      "window does, with each pair's ISO 11898-1 oscillator tolerance and its\n"
      "Linux SocketCAN parameters.",
      "kelvane-calc");
  app.set_version_flag("-v,--version", "kelvane-calc 1.1.0.0", "Show the version and end");
  app.set_help_flag("-h,--help", "Show this help and end");
  app.get_formatter()->column_width(30);

  std::vector<std::string> positional;
  std::string osc = "16", tolerance = "1000", divider, rules = "standard", propNs, transceiver,
              lineLength, lineDelay, logicDelay, format = "table", samplePoint, ipLink, ipJson,
              dataFile, device;
  bool decode = false, large = false, band = false, retryBand = false, best = false,
       nearest = false;
  // Every option taking a value reads it as text, named in the help by its unit.
  const auto textOption = [&app](const char* name, std::string& value, const char* help,
                                 const char* unit) -> const CLI::Option* {
    return app.add_option(name, value, help)->type_name(unit);
  };
  app.add_flag(
      "--decode", decode, "Decode BTR0 BTR1 (hexadecimal) instead of searching");
  const CLI::Option* oscOption = textOption("--osc", osc, "Oscillator frequency in MHz (16)", "MHZ");
  textOption("--tolerance", tolerance,
             "Oscillator tolerance, whole ppm up to 1000000 (1000); judged with each pair's rate error",
             "PPM");
  const CLI::Option* dividerOption = textOption(
      "--divider", divider, "Fclk = Fosc / D, D from 1 to 9 (default: Fclk = Fosc)", "D");
  const CLI::Option* largeOption = app.add_flag(
      "--large-tolerance", large, "Only NBT 8 to 16 (large oscillator tolerance)");
  const CLI::Option* rulesOption =
      textOption("--rules", rules, "11 of 0/1 (rule 1 first), standard, none, all", "TEXT");
  const CLI::Option* propNsOption = textOption(
      "--prop-ns", propNs, "Propagation delay in ns (default: one time quantum)", "NS");
  const CLI::Option* transceiverOption = textOption(
      "--transceiver", transceiver, "Propagation delay from a record of the transceiver file",
      "NAME");
  const CLI::Option* dataFileOption = textOption(
      "--data-file", dataFile, "Transceiver file (default: see Files below)", "PATH");
  const CLI::Option* lineLengthOption =
      textOption("--line-length", lineLength, "Bus line length between nodes in m (0)", "M");
  const CLI::Option* lineDelayOption =
      textOption("--line-delay", lineDelay, "Specific line delay in ns per m (0)", "NS_PER_M");
  const CLI::Option* logicDelayOption = textOption(
      "--logic-delay", logicDelay, "Loop delay of the controller's logic in ns (0)", "NS");
  const CLI::Option* bandOption =
      app.add_flag("--band", band, "Run the 1 % pass instead of the exact one");
  const CLI::Option* retryBandOption = app.add_flag(
      "--retry-band", retryBand, "Run the 1 % pass when the exact one lists nothing");
  const CLI::Option* samplePointOption = textOption(
      "--sample-point", samplePoint,
      "Order by distance from PCT (87.5 or 0.875), then tolerance; cia: CiA value", "PCT|cia");
  app.add_flag("--best", best, "Only the recommended pair (--sample-point cia unless given)");
  app.add_flag("--nearest", nearest,
               "Nothing matches: the pairs of smallest rate error passing the other rules");
  const CLI::Option* ipLinkOption = textOption(
      "--ip-link", ipLink, "After the list: ip link commands and networkd [CAN] section", "DEV");
  const CLI::Option* ipJsonOption = textOption(
      "--from-ip-json", ipJson, "Decode the bittiming of ip -details -json link show DEV",
      "FILE|-");
  const CLI::Option* deviceOption = textOption(
      "--device", device, "With --from-ip-json: the device to take from a file of several", "NAME");
  textOption("--format", format, "table, csv or json (table); CSV: see below", "FORMAT");
  std::string controller, controllerFile, clockHz;
  bool all = false, listControllers = false, decodeRegisters = false;
  const CLI::Option* controllerOption = textOption(
      "--controller", controller,
      "Any controller's settings (see --list-controllers) instead of the window's SJA1000 search",
      "NAME");
  const CLI::Option* controllerFileOption = textOption(
      "--controller-file", controllerFile, "More controllers, described in a JSON file",
      "FILE.json");
  const CLI::Option* clockHzOption = textOption(
      "--clock-hz", clockHz, "With --controller: the clock ip -details link show reports",
      "HZ");
  app.add_flag("--all", all, "With --controller: list every setting, not the best 20");
  app.add_flag("--list-controllers", listControllers,
               "List the controllers with their limits, clock rule and registers");
  app.add_flag("--decode-registers", decodeRegisters,
               "With --controller: decode NAME=VALUE ... (hexadecimal) instead of searching");
  bool picture = false;
  std::string svg;
  app.add_flag("--picture", picture,
               "With --controller: draw each listed setting's bit after the list (colours on a terminal unless NO_COLOR)");
  const CLI::Option* svgOption =
      textOption("--svg", svg, "With --controller: write the listed settings' bits as SVG to FILE", "FILE");
  std::string dataBitrate, dataSamplePoint, tdcLoopNs;
  const CLI::Option* dataBitrateOption = textOption(
      "--data-bitrate", dataBitrate,
      "With --controller: CAN FD, the data phase's rate in kbit/s (2000 is 2 Mbit/s)", "KBIT");
  const CLI::Option* dataSamplePointOption = textOption(
      "--data-sample-point", dataSamplePoint,
      "The data phase's sample point (75 or 0.75); cia: CiA value (default)", "PCT|cia");
  const CLI::Option* tdcLoopOption = textOption(
      "--tdc-loop-ns", tdcLoopNs,
      "CAN FD: the transmitter's loop delay TXD to RXD in ns (default: from --transceiver)",
      "NS");
  app.add_option("BAUD", positional,
                 "Wanted baud rate in kbit/s, read as the window reads it")
      ->type_name("");
  app.footer(FooterText());

  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  ParseOutcome out;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::CallForHelp&) {
    out.action = ParseOutcome::Action::Help;
    out.text = WithUsage(app.help());
    return out;
  } catch (const CLI::CallForVersion& e) {
    out.action = ParseOutcome::Action::Version;
    out.text = e.what();
    return out;
  } catch (const CLI::ParseError& e) {
    return Refuse(OneLine(e.what()));
  }

  CalcOptions& o = out.options;
  o.decode = decode;
  const bool controllerRun = controllerOption->count() > 0 || listControllers || decodeRegisters;
  if (controllerRun || clockHzOption->count() > 0 || all || controllerFileOption->count() > 0) {
    std::string problem = ReadControllerOptions(
        {controllerOption->count() > 0, controller, controllerFileOption->count() > 0,
         controllerFile, clockHzOption->count() > 0, clockHz, all, listControllers,
         decodeRegisters, oscOption->count() > 0, ipJsonOption->count() > 0, ipJson},
        positional, o);
    if (!problem.empty()) return Refuse(problem);
    for (const auto* sjaOnly : {dividerOption, rulesOption, bandOption, retryBandOption,
                                largeOption}) {
      if (controllerRun && sjaOnly->count() > 0)
        return Refuse(sjaOnly->get_name() +
                      " applies to the window's SJA1000 search, not to --controller");
    }
    if (controllerRun && decode)
      return Refuse("--decode takes BTR0 BTR1; with --controller use --decode-registers");
  }
  if (dataBitrateOption->count() > 0) {
    if (!o.controller || o.decodeRegisters || ipJsonOption->count() > 0)
      return Refuse("--data-bitrate needs --controller NAME and a BAUD to search for (a decode "
                    "takes the data phase from the registers or the device)");
    o.dataBitrateText = dataBitrate;
  }
  if (dataSamplePointOption->count() > 0) {
    if (!o.dataBitrateText) return Refuse("--data-sample-point goes with --data-bitrate");
    if (dataSamplePoint != "cia") {
      double percent = 0.0;
      if (!ReadSamplePoint(dataSamplePoint, percent))
        return Refuse("--data-sample-point '" + dataSamplePoint +
                      "': give per cent from 1 to below 100 (75), a fraction (0.75) or cia");
      o.dataSamplePoint = percent;
    }
  }
  if (tdcLoopOption->count() > 0) {
    if (!o.dataBitrateText && !o.decodeRegisters && ipJsonOption->count() == 0)
      return Refuse("--tdc-loop-ns goes with --data-bitrate, --decode-registers or --from-ip-json");
    int ns = 0;
    if (!ReadWholeCount(tdcLoopNs, ns) || ns > 1000000)
      return Refuse("--tdc-loop-ns '" + tdcLoopNs + "': give the loop delay in whole ns, 0 to 1000000");
    o.tdcLoopNs = static_cast<std::uint32_t>(ns);
  }
  if (o.ControllerRun()) {
    // positional words were read above
    if (deviceOption->count() > 0) {
      if (!o.ipJsonPath) return Refuse("--device goes with --from-ip-json");
      o.device = device;
    }
  } else if (ipJsonOption->count() > 0) {
    if (decode) return Refuse("--from-ip-json and --decode exclude each other");
    if (oscOption->count() > 0 || dividerOption->count() > 0)
      return Refuse("--from-ip-json takes the clock from the file: leave out --osc and --divider");
    if (positional.size() > 1) return Refuse("one BAUD only; unexpected '" + positional[1] + "'");
    o.ipJsonPath = ipJson;
    if (deviceOption->count() > 0) o.device = device;
    o.hasBaud = positional.size() == 1;
    if (o.hasBaud) o.baudText = positional[0];
  } else if (deviceOption->count() > 0) {
    return Refuse("--device goes with --from-ip-json");
  } else if (o.decode) {
    if (positional.size() < 2 || positional.size() > 3)
      return Refuse("--decode needs BTR0 and BTR1, optionally followed by BAUD");
    // The window's test entries turn typed letters into upper case.
    o.btr0Text = Upper(WithoutHexPrefix(positional[0]));
    o.btr1Text = Upper(WithoutHexPrefix(positional[1]));
    if (!IsTestValue(o.btr0Text) || !IsTestValue(o.btr1Text)) return Refuse(kTestValueMessage);
    o.hasBaud = positional.size() == 3;
    if (o.hasBaud) o.baudText = positional[2];
  } else {
    if (positional.empty()) return Refuse("missing BAUD (the wanted baud rate in kbit/s)");
    if (positional.size() > 1) return Refuse("one BAUD only; unexpected '" + positional[1] + "'");
    o.hasBaud = true;
    o.baudText = positional[0];
  }

  // The window's entry takes digits only; "-5", "abc" or "1e9" would otherwise
  // be read from their leading characters as -5, 0 and 1 ppm without a word.
  // Beyond a million ppm the slowest clock would be at or below zero.
  int tolerancePpm = 0;
  if (!ReadWholeCount(tolerance, tolerancePpm) || tolerancePpm > 1000000)
    return Refuse("--tolerance '" + tolerance + "': give whole ppm from 0 to 1000000");
  o.toleranceText = std::to_string(tolerancePpm);
  if (dividerOption->count() > 0) {
    o.divided = true;
    if (!ReadWholeCount(divider, o.divider) || o.divider < 1 || o.divider > 9)
      return Refuse("--divider '" + divider + "': " + kDividerMessage);
  }
  const std::optional<std::string> oscillator = OscillatorNumber(osc, o.divided ? o.divider : 1);
  if (!oscillator)
    return Refuse("--osc '" + osc +
                  "': give the oscillator frequency in MHz, a positive number such as 16");
  o.oscillatorText = *oscillator;
  o.largeTolerance = large;
  if (!ReadRuleSet(rules, o.ruleSet))
    return Refuse("--rules '" + rules +
                  "': give 11 characters of 0 and 1, or standard, none or all");

  const bool hasLineValues = lineLengthOption->count() > 0 || lineDelayOption->count() > 0 ||
                             logicDelayOption->count() > 0;
  const bool hasPropNs = propNsOption->count() > 0;
  const bool hasTransceiver = transceiverOption->count() > 0;
  if (hasPropNs && hasTransceiver) return Refuse("--prop-ns and --transceiver exclude each other");
  if (hasLineValues && !hasTransceiver)
    return Refuse("--line-length, --line-delay and --logic-delay need --transceiver");
  if (hasPropNs) {
    o.propSource = PropSource::Fixed;
    o.propDelayText = propNs;
    // A number, with "ns" after it if the user likes: "abc" or "nan" would
    // otherwise be read as a delay of 0 without a word.
    std::string number = Trimmed(propNs);
    if (number.size() > 2 && number.compare(number.size() - 2, 2, "ns") == 0)
      number = Trimmed(number.substr(0, number.size() - 2));
    const double ns = IsNumber(number) ? ReadDouble(number) : -1.0;
    if (!std::isfinite(ns) || ns < 0.0)
      return Refuse("--prop-ns '" + propNs + "': give the propagation delay in ns, 0 or more");
  } else if (hasTransceiver) {
    o.propSource = PropSource::Transceiver;
    o.transceiverName = transceiver;
    o.lineDelayText = lineDelay;
    if (lineLengthOption->count() > 0 && !ReadWholeCount(lineLength, o.lineLength))
      return Refuse("--line-length: Enter an integer.");
    if (logicDelayOption->count() > 0 && !ReadWholeCount(logicDelay, o.logicDelay))
      return Refuse("--logic-delay: Enter an integer.");
    // Beyond single precision, where the window keeps it, a line delay has no
    // physical meaning (and near 1e307 the calculation would overflow and take
    // it as 0); within it, times any length, it stays far inside a double.
    if (!std::isfinite(LineDelayForSettings(lineDelay)))
      return Refuse("--line-delay '" + lineDelay + "': ns per metre beyond any physical meaning");
  }

  const bool hasBand = band;
  const bool hasRetry = retryBand;
  if (hasBand && hasRetry) return Refuse("--band and --retry-band exclude each other");
  if (hasBand) o.band = BandMode::Band;
  if (hasRetry) o.band = BandMode::RetryBand;
  const bool decoding = o.decode || o.ipJsonPath.has_value() || o.decodeRegisters;
  if (decoding && hasRetry)
    return Refuse(std::string("--retry-band applies to a search, not to ") +
                  (o.decode ? "--decode" : (o.decodeRegisters ? "--decode-registers" : "--from-ip-json")));
  if (samplePointOption->count() > 0) {
    if (samplePoint == "cia") {
      o.samplePointCia = true;
    } else {
      double percent = 0.0;
      if (!ReadSamplePoint(samplePoint, percent))
        return Refuse("--sample-point '" + samplePoint +
                      "': give per cent from 1 to below 100 (87.5), a fraction (0.875) or cia");
      o.samplePoint = percent;
    }
  }
  o.best = best;
  if (o.best && !o.samplePoint) o.samplePointCia = true;
  o.nearest = nearest;
  if (decoding && (samplePointOption->count() > 0 || best || nearest))
    return Refuse("--sample-point, --best and --nearest apply to a search, not to a decode");
  if (ipLinkOption->count() > 0) {
    if (const std::optional<std::string> problem = DeviceNameProblem(ipLink))
      return Refuse("--ip-link '" + ipLink + "': " + *problem);
    o.ipLinkDevice = ipLink;
  }
  if (dataFileOption->count() > 0) {
    if (dataFile.empty()) return Refuse("--data-file: give a path");
    o.dataFile = dataFile;
  }

  if (picture || svgOption->count() > 0) {
    if (!o.controller || o.decodeRegisters || o.listControllers || o.ipJsonPath)
      return Refuse("--picture and --svg draw the settings --controller lists (or a plan: kelvane-calc plan)");
    if (picture && format != "table") return Refuse("--picture goes with the table; use --svg FILE with csv or json");
    if (svgOption->count() > 0 && svg.empty()) return Refuse("--svg: give a path");
    // Standard output carries the list, so "-" would only be a file of that name.
    if (svg == "-") return Refuse("--svg '-': give a file path; standard output carries the list");
    o.picture = picture;
    if (svgOption->count() > 0) o.svgPath = svg;
  }
  if (format == "table") {
    o.format = OutputFormat::Table;
  } else if (format == "csv") {
    o.format = OutputFormat::Csv;
  } else if (format == "json") {
    o.format = OutputFormat::Json;
  } else {
    return Refuse("--format '" + format + "': give table, csv or json");
  }

  out.action = ParseOutcome::Action::Run;
  return out;
}

}  // namespace kelvane::cli
