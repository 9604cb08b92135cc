#pragma once
// The command line of kelvane-calc, read into plain values. Number texts are
// kept as typed where the calculation itself reads them, so that they are
// read exactly as the window's entries are read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::cli {

enum class OutputFormat { Table, Csv, Json };

// Which passes run: the exact pass, the 1 % pass only (as the window's second
// pass runs it), or the exact pass followed by the 1 % pass when it lists nothing.
enum class BandMode { Exact, Band, RetryBand };

enum class PropSource { Standard, Fixed, Transceiver };

struct CalcOptions {
  bool decode = false;
  std::string baudText;        // as typed; may be empty
  bool hasBaud = false;        // a decode may be judged without a rate
  std::string btr0Text;        // decode: two hexadecimal digits, upper case
  std::string btr1Text;
  std::string oscillatorText = "16";    // MHz, a positive number (checked)
  std::string toleranceText = "1000";   // ppm
  bool divided = false;
  int divider = 1;                      // 1..9, only while divided
  bool largeTolerance = false;
  std::string ruleSet = "11111111100";
  PropSource propSource = PropSource::Standard;
  std::string propDelayText;            // ns, PropSource::Fixed
  std::string transceiverName;          // as typed (UTF-8)
  int lineLength = 0;                   // m
  std::string lineDelayText;            // ns per m
  int logicDelay = 0;                   // ns
  BandMode band = BandMode::Exact;
  OutputFormat format = OutputFormat::Table;
  // Ordering by sample point: the target in per cent, or the CiA value for the rate.
  std::optional<double> samplePoint;
  bool samplePointCia = false;
  bool best = false;                    // only the recommended pair
  bool nearest = false;                 // smallest rate error when nothing matches
  std::optional<std::string> ipLinkDevice;
  std::optional<std::string> ipJsonPath;  // "-" is standard input
  std::optional<std::string> device;      // the device to take from ipJsonPath
  std::optional<std::string> dataFile;

  // Any controller (--controller and what goes with it).
  std::optional<std::string> controller;      // a profile's name or alias
  std::optional<std::string> controllerFile;  // more profiles, JSON
  bool oscGiven = false;                      // --osc given (else the profile's default)
  std::optional<std::string> clockHzText;     // the kernel's clock, as typed
  bool all = false;                           // every setting, not the best 20
  bool listControllers = false;
  bool decodeRegisters = false;
  std::vector<std::string> registerTexts;     // NAME=VALUE, as typed
  std::optional<std::string> ipJsonText;      // --from-ip-json's text, once read
  // The listed settings' bits drawn after the list, and as an SVG file.
  bool picture = false;
  bool terminal = false;                      // standard output is one: colours, unless NO_COLOR
  std::optional<std::string> svgPath;

  // CAN FD with --controller: the data phase's rate in kbit/s as typed, its
  // sample point (empty: CiA's value for the data rate), and the
  // transmitter's loop delay for the TDC checks.
  std::optional<std::string> dataBitrateText;
  std::optional<double> dataSamplePoint;
  std::optional<std::uint32_t> tdcLoopNs;

  // A run for a controller profile rather than the window's SJA1000 search.
  bool ControllerRun() const { return controller || listControllers || decodeRegisters; }
};

// The CiA sample point in per cent for a rate in kbit/s: 87.5 up to 500,
// 80 up to 800, 75 above.
double CiaSamplePoint(double rateKbps);

struct ParseOutcome {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Error;
  CalcOptions options;
  std::string text;  // help text, or the one-line error for Action::Error
};

// Reads the arguments (the program name first, as main receives them).
ParseOutcome ParseCalcArguments(const std::vector<std::string>& arguments);

// text as one line a terminal shows as it is: control characters and bytes
// that are not UTF-8 are written as escapes such as \n and \xFF.
std::string PrintableLine(std::string_view text);

// PrintableLine in double quotes, as messages quote names, paths and values.
std::string QuotedLine(std::string_view text);

}  // namespace kelvane::cli
