#include "calc_options.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cctype>
#include <climits>

namespace kelvane::cli {

namespace {

const char kDividerMessage[] = "Only Integer Values Between 1 and 9 for Fclk Divider";
const char kTestValueMessage[] = "Please Enter a Correct value for Testing values";

std::string ToStd(const QString& s) { return s.toStdString(); }

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

bool IsTestValue(const std::string& text) {
  if (text.size() != 2) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'F')) return false;
  }
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

ParseOutcome Refuse(std::string message) {
  ParseOutcome out;
  out.action = ParseOutcome::Action::Error;
  out.text = std::move(message);
  return out;
}

}  // namespace

ParseOutcome ParseCalcArguments(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Searches the BTR0/BTR1 pairs of an SJA1000 CAN controller for a baud rate in kbit/s,\n"
      "or decodes one pair, with the same calculation as the Kelvane window.\n"
      "Exit status: 0 pairs listed or a pair decoded, 1 none found, 2 bad usage or input,\n"
      "3 file error.");
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({"h", "help"}, "Shows this help and ends.");
  const QCommandLineOption version({"v", "version"}, "Shows the version and ends.");
  const QCommandLineOption decode("decode", "Decodes BTR0 BTR1 (two hexadecimal digits each) "
                                            "instead of searching; an optional BAUD judges the "
                                            "rate rules too.");
  const QCommandLineOption osc("osc", "Oscillator frequency in MHz (16).", "MHZ", "16");
  const QCommandLineOption tolerance("tolerance", "Oscillator tolerance in ppm (1000).", "PPM",
                                     "1000");
  const QCommandLineOption divider("divider", "Controller clock = oscillator / D, D from 1 to 9 "
                                              "(undivided without it).", "D");
  const QCommandLineOption large("large-tolerance",
                                 "Optimize for a large oscillator tolerance (NBT 8 to 16).");
  const QCommandLineOption rules("rules", "Rule set: 11 characters of 0 and 1 (rule 1 first), "
                                          "or standard, none, all (standard).", "TEXT",
                                 "standard");
  const QCommandLineOption propNs("prop-ns", "Propagation delay in ns instead of the standard "
                                             "values (one time quantum).", "NS");
  const QCommandLineOption transceiver("transceiver", "Propagation delay from this record of "
                                                      "DataTran.Dat in the working directory.",
                                       "NAME");
  const QCommandLineOption lineLength("line-length", "Bus line length between nodes in m (0), "
                                                     "with --transceiver.", "M");
  const QCommandLineOption lineDelay("line-delay", "Specific line delay in ns/m (0), with "
                                                   "--transceiver.", "NS_PER_M");
  const QCommandLineOption logicDelay("logic-delay", "Loop delay of the controller's logic in "
                                                     "ns (0), with --transceiver.", "NS");
  const QCommandLineOption band("band", "Searches within 1 % of the rate instead of exactly (with --decode: judges the rate that way).");
  const QCommandLineOption retryBand("retry-band", "Searches within 1 % when the exact search "
                                                   "finds nothing.");
  const QCommandLineOption format("format", "Output: table, csv or json (table).", "FORMAT",
                                  "table");
  parser.addOptions({help, version, decode, osc, tolerance, divider, large, rules, propNs,
                     transceiver, lineLength, lineDelay, logicDelay, band, retryBand, format});
  parser.addPositionalArgument("BAUD", "Wanted baud rate in kbit/s, read as the window reads it.",
                               "BAUD | --decode BTR0 BTR1 [BAUD]");

  if (!parser.parse(arguments)) return Refuse(ToStd(parser.errorText()));

  ParseOutcome out;
  if (parser.isSet(help)) {
    out.action = ParseOutcome::Action::Help;
    out.text = ToStd(parser.helpText());
    return out;
  }
  if (parser.isSet(version)) {
    out.action = ParseOutcome::Action::Version;
    out.text = "kelvane-calc 1.1.0.0";
    return out;
  }

  CalcOptions& o = out.options;
  const QStringList positional = parser.positionalArguments();
  o.decode = parser.isSet(decode);
  if (o.decode) {
    if (positional.size() < 2 || positional.size() > 3)
      return Refuse("--decode needs BTR0 and BTR1, optionally followed by BAUD");
    // The window's test entries turn typed letters into upper case.
    o.btr0Text = ToStd(positional[0].toUpper());
    o.btr1Text = ToStd(positional[1].toUpper());
    if (!IsTestValue(o.btr0Text) || !IsTestValue(o.btr1Text)) return Refuse(kTestValueMessage);
    o.hasBaud = positional.size() == 3;
    if (o.hasBaud) o.baudText = ToStd(positional[2]);
  } else {
    if (positional.isEmpty()) return Refuse("missing BAUD (the wanted baud rate in kbit/s)");
    if (positional.size() > 1)
      return Refuse("one BAUD only; unexpected '" + ToStd(positional[1]) + "'");
    o.hasBaud = true;
    o.baudText = ToStd(positional[0]);
  }

  o.oscillatorText = ToStd(parser.value(osc));
  o.toleranceText = ToStd(parser.value(tolerance));
  if (parser.isSet(divider)) {
    o.divided = true;
    if (!ReadWholeCount(ToStd(parser.value(divider)), o.divider) || o.divider < 1 ||
        o.divider > 9)
      return Refuse(kDividerMessage);
  }
  o.largeTolerance = parser.isSet(large);
  const std::string ruleText = ToStd(parser.value(rules));
  if (!ReadRuleSet(ruleText, o.ruleSet))
    return Refuse("--rules '" + ruleText +
                  "': give 11 characters of 0 and 1, or standard, none or all");

  const bool hasLineValues =
      parser.isSet(lineLength) || parser.isSet(lineDelay) || parser.isSet(logicDelay);
  if (parser.isSet(propNs) && parser.isSet(transceiver))
    return Refuse("--prop-ns and --transceiver exclude each other");
  if (hasLineValues && !parser.isSet(transceiver))
    return Refuse("--line-length, --line-delay and --logic-delay need --transceiver");
  if (parser.isSet(propNs)) {
    o.propSource = PropSource::Fixed;
    o.propDelayText = ToStd(parser.value(propNs));
  } else if (parser.isSet(transceiver)) {
    o.propSource = PropSource::Transceiver;
    o.transceiverName = ToStd(parser.value(transceiver));
    o.lineDelayText = ToStd(parser.value(lineDelay));
    if (parser.isSet(lineLength) && !ReadWholeCount(ToStd(parser.value(lineLength)), o.lineLength))
      return Refuse("--line-length: Enter an integer.");
    if (parser.isSet(logicDelay) && !ReadWholeCount(ToStd(parser.value(logicDelay)), o.logicDelay))
      return Refuse("--logic-delay: Enter an integer.");
  }

  if (parser.isSet(band) && parser.isSet(retryBand))
    return Refuse("--band and --retry-band exclude each other");
  if (parser.isSet(band)) o.band = BandMode::Band;
  if (parser.isSet(retryBand)) o.band = BandMode::RetryBand;
  if (o.decode && parser.isSet(retryBand))
    return Refuse("--retry-band applies to a search, not to --decode");

  const QString formatText = parser.value(format);
  if (formatText == "table") {
    o.format = OutputFormat::Table;
  } else if (formatText == "csv") {
    o.format = OutputFormat::Csv;
  } else if (formatText == "json") {
    o.format = OutputFormat::Json;
  } else {
    return Refuse("--format '" + ToStd(formatText) + "': give table, csv or json");
  }

  out.action = ParseOutcome::Action::Run;
  return out;
}

}  // namespace kelvane::cli
