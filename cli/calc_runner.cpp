#include "calc_runner.h"

#include "acceptance.h"
#include "bus_timing.h"
#include "calculation_request.h"
#include "combination.h"
#include "details.h"
#include "number_text.h"
#include "pair_row.h"
#include "propagation.h"
#include "register_test.h"
#include "report_writers.h"
#include "rule_verdicts.h"
#include "search.h"
#include "text_forms.h"
#include "transceiver_store.h"

#include <filesystem>
#include <system_error>

namespace kelvane::cli {

namespace {

struct Failure {
  int status;
  std::string message;
};

// The propagation state the transceiver selection would hand back, and the
// lines that describe it in the report.
struct Propagation {
  PropagationSettings settings;
  ReportRow lines;
};

bool LoadPropagation(const CalcOptions& o, Propagation& p, Failure& failure) {
  p.settings = PropagationSettings{};
  if (o.propSource == PropSource::Standard) {
    p.lines.push_back(TextField("propagation", "Propagation delay", "standard"));
    return true;
  }
  if (o.propSource == PropSource::Fixed) {
    p.settings.useStandardProp = false;
    p.settings.propDelay = ReadDouble(o.propDelayText);
    p.lines.push_back(TextField("propagation", "Propagation delay", "fixed"));
    p.lines.push_back(TextField("prop_delay_ns", "tPROP ns", FormatF(p.settings.propDelay)));
    return true;
  }
  const TransceiverStore store;
  // The read-only look-up takes a missing file for an empty one; here it is an
  // error worth its own words. Other troubles are the store's to report.
  std::error_code ec;
  if (std::filesystem::status(store.path(), ec).type() == std::filesystem::file_type::not_found) {
    failure = {kExitFile, "cannot read \"" + store.path() +
                              "\": there is no such file in the working directory"};
    return false;
  }
  trans record;
  const StoreResult<bool> found = store.FindRecordByNameReadOnly(o.transceiverName, record);
  if (!found) {
    failure = {kExitFile, found.error().message};
    return false;
  }
  if (!found.value()) {
    failure = {kExitUsage,
               "transceiver '" + o.transceiverName + "' is not in \"" + store.path() + "\""};
    return false;
  }
  const PropagationResult r =
      ComputePropagation(record, o.lineDelayText, o.lineLength, o.logicDelay);
  p.settings.useStandardProp = false;
  p.settings.propDelay = r.tPROP;
  p.settings.transceiverName = o.transceiverName;
  p.settings.lineDelay = LineDelayForSettings(o.lineDelayText);
  p.settings.lineLength = o.lineLength;
  p.settings.logicDelay = o.logicDelay;
  p.lines = {
      TextField("propagation", "Propagation delay", "transceiver"),
      TextField("prop_delay_ns", "tPROP ns", r.tPROPText()),
      TextField("transceiver", "Transceiver", o.transceiverName),
      IntegerField("line_length_m", "Bus Line Length meters", FormatD(o.lineLength)),
      TextField("line_delay_ns_per_m", "Specific Line Delay ns/meters", r.lineDelayText),
      IntegerField("logic_delay_ns", "Loop delay of the Logic ns", FormatD(o.logicDelay)),
      IntegerField("ttx_ns", "tTX ns", r.tTXText()),
      IntegerField("trx_ns", "tRX ns", r.tRXText()),
      IntegerField("tloop_effect_ns", "tLoopEffect ns", r.tLoopEffectText()),
      TextField("tbus_ns", "tBus ns", r.tBusText()),
  };
  return true;
}

CalculationRequest EntriesOf(const CalcOptions& o) {
  CalculationRequest request;
  request.oscillatorText = o.oscillatorText;
  request.baudText = o.baudText;
  // The tolerance entry is read from its leading characters; no number is 0.
  request.tolerance = ReadIntOrZero(o.toleranceText);
  request.dividedClock = o.divided;
  request.divider = o.divider;
  request.largeTolerance = o.largeTolerance;
  return request;
}

void AddSettings(const CalcOptions& o, const CalculationRequest& r, ReportRow& lines) {
  lines.push_back(TextField("oscillator_mhz", "Oscillator Frequency MHz", r.oscillatorText));
  lines.push_back(TextField("divider", "Fclk = Fosc /", o.divided ? FormatD(o.divider) : "none"));
  lines.push_back(IntegerField("tolerance_ppm", "Fclk Max/Min ppm", FormatD(r.tolerance)));
  lines.push_back(TextField("large_tolerance", "Optimize for a Large Oscillator Tolerance",
                       o.largeTolerance ? "on" : "off"));
  lines.push_back(TextField("rules", "Rules", r.rules.Text()));
}

void AddClock(const ClockTexts& t, bool withRateWindow, ReportRow& lines) {
  lines.push_back(TextField("fclk_hz", "Fclk (Clock Frequency) c/s", t.fclk));
  lines.push_back(TextField("tclk_ns", "Tclk (Clock Period) ns", t.tclk));
  lines.push_back(TextField("fclk_max_hz", "Fclk (Clock Freq Max) c/s", t.fclkMax));
  lines.push_back(TextField("fclk_min_hz", "Fclk (Clock Freq Min) c/s", t.fclkMin));
  lines.push_back(
      TextField("frequency_variation_pct", "Frequency Variation %", t.frequencyVariation));
  if (withRateWindow) {
    lines.push_back(TextField("tscl_min_ns", "Tscl (TQD) Minimal ns", t.tsclMin));
    lines.push_back(TextField("tscl_max_ns", "Tscl (TQD) Maximal ns", t.tsclMax));
  }
}

void AddRate(const std::string& baudText, const CalculationRequest& r, ReportRow& lines) {
  lines.push_back(TextField("pass", "Pass", r.exactPass ? "exact" : "1%"));
  lines.push_back(TextField("baud_text", "Baud Rate text", baudText));
  lines.push_back(IntegerField("decimals", "Decimals compared", FormatD(r.baudDecimals)));
  lines.push_back(TextField("baud_kbps", "Entered rate kbit/s", FormatF(r.enteredRate)));
}

// A search through the engine: the exact pass, the 1 % pass as the window's
// second pass runs it, or the first then the second when the first lists nothing.
int Search(const CalcOptions& o, const Propagation& prop, CalcReport& report) {
  const RuleSet rules = *RuleSet::FromText(o.ruleSet);
  CalculationRequest request = EntriesOf(o);
  std::string passText = request.baudText;  // the text whose decimals are compared
  ClockTexts clock = PrepareCalculation(request, rules, prop.settings);
  std::vector<AcceptedPair> accepted;
  SearchCallbacks callbacks;
  callbacks.accepted = [&](const AcceptedPair& pair) { accepted.push_back(pair); };
  callbacks.progress = [](int) {};
  callbacks.mayGoOn = [] { return true; };

  if (o.band != BandMode::Band) RunSearch(request, callbacks);
  if (o.band == BandMode::Band || (o.band == BandMode::RetryBand && accepted.empty())) {
    // The second "Calculate" reads the baud entry as the first one rewrote it.
    request.exactPass = false;
    passText = request.baudText;
    clock = PrepareCalculation(request, rules, prop.settings);
    RunSearch(request, callbacks);
  }

  AddRate(passText, request, report.request);
  AddSettings(o, request, report.request);
  report.request.insert(report.request.end(), prop.lines.begin(), prop.lines.end());
  AddClock(clock, true, report.request);
  report.request.push_back(
      IntegerField("total", "Total", FormatD(static_cast<int>(accepted.size()))));

  report.pairs.reserve(accepted.size());
  for (std::size_t i = 0; i < accepted.size(); ++i) {
    const AcceptedPair& a = accepted[i];
    const CombinationDetails d = ComputeDetails(a.btr0, a.btr1, static_cast<int>(i), request.tclk,
                                                request.fclk, prop.settings);
    const int propSegment = PropagationSegment(prop.settings.useStandardProp,
                                               prop.settings.propDelay, d.timeQuantum);
    report.pairs.push_back(MakePairRow(d.current, a.btr0, a.btr1, a.combination, d.fields, d.prop,
                                       d.timeQuantum, propSegment));
  }
  return accepted.empty() ? kExitNoneFound : kExitListed;
}

// The register test of the window, plus the verdict of every rule on the pair
// under the calculation's settings (with the divider, as the search uses them).
int DecodePair(const CalcOptions& o, const Propagation& prop, CalcReport& report) {
  const RegisterTestResult test = RunRegisterTest(o.btr0Text, o.btr1Text, o.oscillatorText);
  const Combination c = Decode(static_cast<std::uint8_t>(std::stoi(o.btr0Text, nullptr, 16)),
                               static_cast<std::uint8_t>(std::stoi(o.btr1Text, nullptr, 16)));
  const CombinationDetails shown =
      ComputeDetails(o.btr0Text, o.btr1Text, 0, test.tclk, test.fclk, prop.settings);
  const int propSegment = PropagationSegment(prop.settings.useStandardProp,
                                             prop.settings.propDelay, test.timeQuantum);
  report.pairs.push_back(MakePairRow(1, o.btr0Text, o.btr1Text, c, test.fields, shown.prop,
                                     test.timeQuantum, propSegment));

  const RuleSet rules = *RuleSet::FromText(o.ruleSet);
  CalculationRequest request = EntriesOf(o);
  request.exactPass = o.band != BandMode::Band;
  std::string passText = request.baudText;
  ClockTexts clock = PrepareCalculation(request, rules, prop.settings);
  if (!request.exactPass) {
    passText = request.baudText;
    clock = PrepareCalculation(request, rules, prop.settings);
  }
  const RuleJudgement judgement = JudgeRules(request, c, o.hasBaud);

  ReportRow& lines = report.request;
  lines.push_back(TextField("btr0", "BTR0", o.btr0Text));
  lines.push_back(TextField("btr1", "BTR1", o.btr1Text));
  lines.push_back(TextField("sjw_bits", "SJW bits", test.fields.sjwBits));
  lines.push_back(TextField("brp_bits", "BRP bits", test.fields.brpBits));
  lines.push_back(TextField("sam_bit", "SAM bit", test.fields.samBit));
  lines.push_back(TextField("tseg2_bits", "TSEG2 bits", test.fields.tseg2Bits));
  lines.push_back(TextField("tseg1_bits", "TSEG1 bits", test.fields.tseg1Bits));
  if (o.hasBaud) AddRate(passText, request, lines);
  AddSettings(o, request, lines);
  lines.insert(lines.end(), prop.lines.begin(), prop.lines.end());
  AddClock(clock, o.hasBaud, lines);
  lines.push_back(TextField("listed", "Listed by the search",
                       o.hasBaud ? (judgement.listed ? "yes" : "no") : "no BAUD given"));
  report.rules = judgement.rows;
  return kExitListed;
}

}  // namespace

int RunCalc(const CalcOptions& options, std::ostream& out, std::ostream& errors) {
  Propagation prop;
  Failure failure{};
  if (!LoadPropagation(options, prop, failure)) {
    errors << "kelvane-calc: " << PrintableLine(failure.message) << '\n';
    return failure.status;
  }
  CalcReport report;
  const int status = options.decode ? DecodePair(options, prop, report)
                                    : Search(options, prop, report);
  switch (options.format) {
    case OutputFormat::Table: WriteTable(report, out); break;
    case OutputFormat::Csv: WriteCsv(report, out); break;
    case OutputFormat::Json: WriteJson(report, out); break;
  }
  return status;
}

}  // namespace kelvane::cli
