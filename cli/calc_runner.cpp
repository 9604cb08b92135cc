#include "calc_runner.h"

#include "controller_runner.h"
#include "data_file_location.h"
#include "ip_link_json.h"
#include "socketcan.h"

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

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

namespace kelvane::cli {

namespace {

struct Failure {
  int status;
  std::string message;
};

// A number in the shortest of the "%f" digits: 500.000000 as 500, 83.333 as 83.333.
std::string ShortNumber(double value) {
  std::string text = FormatF(value);
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

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
  const TransceiverStore store = TransceiverStore::AtPath(FullPath(DataFilePath(o.dataFile)));
  // The read-only look-up takes a missing file for an empty one; here it is an
  // error worth its own words. Other troubles are the store's to report.
  std::error_code ec;
  if (std::filesystem::status(store.path(), ec).type() == std::filesystem::file_type::not_found) {
    failure = {kExitFile, MissingDataFileMessage(store.path(), o.dataFile)};
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

void AddClock(const ClockTexts& t, bool withRateWindow, const PairContext& context,
              ReportRow& lines) {
  lines.push_back(TextField("fclk_hz", "Fclk (Clock Frequency) c/s", t.fclk));
  lines.push_back(TextField("socketcan_clock_hz", "SocketCAN clock (Fclk / 2) Hz",
                            context.socketCanClock ? FormatD(*context.socketCanClock) : "none"));
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

// One listed pair with the figures its ordering and judgement need.
struct Listed {
  AcceptedPair pair;
  CombinationDetails details;
  int propSegment = 0;
  double samplePoint = 0.0;  // per cent
  double tolerance = 0.0;    // fraction
  PairVerdict verdict;       // against the wanted rate
  bool atRate = false;       // gives the wanted rate as rule 9 compares it
  double miss = 0.0;         // |its rate - the wanted rate|, kbit/s
};

// The rate a pair gives, from whole numbers so that pairs of one bit length
// share one value: Fclk / (2 x BRP x NBT), in kbit/s.
double TrueRate(double fclk, const Combination& c) {
  return fclk / (2.0 * c.brp * (1 + c.tseg1 + c.tseg2)) / 1000.0;
}

// The rate asked for, in kbit/s: the engine compares magnitudes, so -500 is 500.
double WantedRate(const CalculationRequest& r) { return std::fabs(r.enteredRate); }

// Nearly equal, for figures of different pairs that are equal on paper.
bool Same(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

// A figure in whole steps, so that the ordering compares exactly (a strict
// weak order) while figures equal on paper fall on the same step.
long long Steps(double value, double step) {
  const double steps = std::round(value / step);
  return std::isfinite(steps) && std::fabs(steps) < 9e18 ? static_cast<long long>(steps) : 0;
}

// The pair against the wanted rate and the oscillator tolerance asked.
void Judge(const CalculationRequest& r, bool hasRate, Listed& l) {
  const Combination& c = l.pair.combination;
  const double wanted = WantedRate(r);
  if (!hasRate || !(wanted > 0.0)) return;
  const double rate = TrueRate(r.fclk, c);
  l.verdict.rateError = (rate - wanted) / wanted;
  l.verdict.toleranceOk = WithinTolerance(*l.verdict.rateError, r.tolerance, l.tolerance);
  l.atRate = RateMatches(SearchBitRate(r.tclk, c), r.enteredRate, r.baudDecimals, r.exactPass);
  l.miss = std::fabs(rate - wanted);
}

std::string PairName(const Listed& l) {
  return "pair " + FormatD(l.details.current) + " (" + l.pair.btr0 + "/" + l.pair.btr1 + ")";
}

// The pairs that may be recommended or pasted, in listing order: at the
// wanted rate (or, with --nearest and none there, at the nearest listed),
// their rate error and the oscillator tolerance within what they allow.
// why says, when there is none, what stood in the way.
std::vector<std::size_t> Eligible(const std::vector<Listed>& listed, const CalcOptions& o,
                                  const CalculationRequest& r, std::string& why) {
  std::vector<std::size_t> out;
  if (listed.empty()) return out;
  if (!listed.front().verdict.rateError) {
    why = "no wanted rate (BAUD reads as 0)";
    return out;
  }
  const bool anyAtRate =
      std::any_of(listed.begin(), listed.end(), [](const Listed& l) { return l.atRate; });
  double nearest = INFINITY;
  for (const Listed& l : listed) nearest = std::min(nearest, l.miss);
  std::size_t atRate = 0;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const Listed& l = listed[i];
    if (anyAtRate ? !l.atRate : !(o.nearest && Same(l.miss, nearest))) continue;
    ++atRate;
    if (*l.verdict.toleranceOk) out.push_back(i);
  }
  if (atRate == 0) {
    why = "no listed pair gives " + ShortNumber(WantedRate(r)) +
          " kbit/s (rule 9, the rate rule, is off; --nearest takes the nearest rate)";
  } else if (out.empty()) {
    why = "no pair at the rate keeps its rate error plus the " + FormatD(std::abs(r.tolerance)) +
          " ppm of --tolerance within the oscillator tolerance it allows";
  }
  return out;
}

// The --ip-link block for the first of the candidates that SocketCAN can set.
// which: how the note names the first candidate.
void AddPaste(const CalcOptions& o, const std::vector<Listed>& listed,
              const std::vector<std::size_t>& candidates, const std::string& why,
              const char* which, const PairContext& context, CalcReport& report) {
  // Nothing listed and nothing to say (none found): no block.
  if (!o.ipLinkDevice || (listed.empty() && why.empty())) return;
  report.pasteAsked = true;
  if (candidates.empty()) {
    report.pasteNote = "no command: " + why;
    return;
  }
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    const Listed& l = listed[candidates[k]];
    const SocketCanResult can =
        context.inUse ? SocketCanResult{context.inUse, {}}
                      : ToSocketCan(l.pair.combination, l.propSegment, context.socketCanClock);
    if (!can.timing) continue;
    report.pasteNote = PairName(l) + (k == 0 ? which : ", the first settable one of those") +
                       ", through SocketCAN:";
    report.ipLink = IpLinkBlock(*o.ipLinkDevice, CanTypeSettings(*can.timing));
    report.networkd = NetworkdSection(*can.timing);
    return;
  }
  if (candidates.size() == 1) {
    const Listed& l = listed[candidates[0]];
    report.pasteNote =
        PairName(l) + " is not settable through SocketCAN: " +
        ToSocketCan(l.pair.combination, l.propSegment, context.socketCanClock).reason;
    return;
  }
  report.pasteNote = "no such pair is settable through SocketCAN";
}

// The table's word on pairs shown with '-' for SocketCAN.
void AddNotSettableNote(const std::vector<Listed>& listed, const PairContext& context,
                        CalcReport& report) {
  for (const Listed& l : listed) {
    if (!context.inUse &&
        !ToSocketCan(l.pair.combination, l.propSegment, context.socketCanClock).timing) {
      report.pairsNote =
          "'-' under tq(ns) and after: not settable through SocketCAN (SJW above TSEG2 or "
          "TSEG1, which Linux 6.3 and later refuse and older kernels take, or no whole-ns tq "
          "at this clock); JSON and CSV give each reason";
      return;
    }
  }
}

// The rate beyond any pair at this clock, or not a number at all: refused
// rather than searched for (all 65536 pairs would be "nearest").
std::optional<std::string> RateProblem(const CalcOptions& o, const Propagation& prop) {
  if (!o.hasBaud) return std::nullopt;
  const double typed = ReadDouble(o.baudText);
  if (!std::isfinite(typed))
    return "BAUD '" + o.baudText + "' is beyond any number; give the rate in kbit/s";
  CalculationRequest request = EntriesOf(o);
  PrepareCalculation(request, *RuleSet::FromText(o.ruleSet), prop.settings);
  // The fastest pair: BRP 1 and three quanta a bit; the 1 % pass reaches 1 % past it.
  const double fastest = request.fclk / 6.0 / 1000.0;
  const double wanted = WantedRate(request);
  if (wanted <= fastest * 1.01) return std::nullopt;
  std::string message = "BAUD '" + o.baudText + "' kbit/s: faster than any pair at Fclk " +
                        ShortNumber(request.fclk) + " Hz (the fastest gives " +
                        ShortNumber(fastest) + " kbit/s)";
  if (wanted > 1000.0 && wanted <= 1e6)
    message += "; rates are in kbit/s: did you mean " + ShortNumber(wanted / 1000.0) + "?";
  return message;
}

// A search through the engine: the exact pass, the 1 % pass as the window's
// second pass runs it, or the first then the second when the first lists
// nothing; then, with --nearest, the pairs of smallest rate error.
int Search(const CalcOptions& o, const Propagation& prop, CalcReport& report,
           std::ostream& errors) {
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
  const double wanted = WantedRate(request);
  // Only for a rate that would be a CAN rate in bit/s (up to 1 Mbit/s).
  if (accepted.empty() && wanted > 1000.0 && wanted <= 1e6) {
    errors << "kelvane-calc: rates are in kbit/s: did you mean " << ShortNumber(wanted / 1000.0)
           << "?\n";
  }
  const bool nearestPass = accepted.empty() && o.nearest && wanted > 0.0;
  if (nearestPass) {
    // Every enabled rule but the rate; of what passes, the smallest error,
    // kept as the sweep goes (tens of thousands pass).
    CalculationRequest withoutRate = request;
    withoutRate.rules.Set(9, false);
    double best = INFINITY;
    callbacks.accepted = [&](const AcceptedPair& pair) {
      const double miss = std::fabs(TrueRate(request.fclk, pair.combination) - wanted);
      if (accepted.empty() || (miss < best && !Same(miss, best))) {
        accepted.clear();
        best = miss;
      } else if (!Same(miss, best)) {
        return;
      }
      accepted.push_back(pair);
      accepted.back().total = static_cast<int>(accepted.size());
    };
    RunSearch(withoutRate, callbacks);
  }

  const PairContext context{SocketCanClock(request.fclk), o.ipLinkDevice.value_or("DEV"), {}};
  AddRate(passText, request, report.request);
  AddSettings(o, request, report.request);
  report.request.insert(report.request.end(), prop.lines.begin(), prop.lines.end());
  AddClock(clock, true, context, report.request);
  report.request.push_back(
      IntegerField("total", "Total", FormatD(static_cast<int>(accepted.size()))));

  std::vector<Listed> listed;
  listed.reserve(accepted.size());
  for (std::size_t i = 0; i < accepted.size(); ++i) {
    const AcceptedPair& a = accepted[i];
    Listed l;
    l.pair = a;
    l.details = ComputeDetails(a.btr0, a.btr1, static_cast<int>(i), request.tclk, request.fclk,
                               prop.settings);
    l.propSegment = PropagationSegment(prop.settings.useStandardProp, prop.settings.propDelay,
                                       l.details.timeQuantum);
    const Combination& c = a.combination;
    const int nbt = 1 + c.tseg1 + c.tseg2;
    l.samplePoint = static_cast<double>(nbt - c.tseg2) / nbt * 100.0;
    l.tolerance = OscillatorToleranceLimit(c.sjw, c.tseg1, c.tseg2, l.propSegment);
    Judge(request, true, l);
    listed.push_back(std::move(l));
  }

  const bool ordered = o.samplePoint || o.samplePointCia;
  if (ordered) {
    const double target = o.samplePoint ? *o.samplePoint : CiaSamplePoint(wanted);
    report.request.push_back(TextField("sample_point_target_pct", "Sample point wanted %",
                                       FormatF(target)));
    std::stable_sort(listed.begin(), listed.end(), [target](const Listed& a, const Listed& b) {
      const long long da = Steps(std::fabs(a.samplePoint - target), 1e-9);
      const long long db = Steps(std::fabs(b.samplePoint - target), 1e-9);
      if (da != db) return da < db;
      return Steps(a.tolerance, 1e-12) > Steps(b.tolerance, 1e-12);
    });
  }
  std::string why;
  std::vector<std::size_t> eligible = Eligible(listed, o, request, why);
  std::optional<std::size_t> recommended;
  if (ordered && !listed.empty()) {
    if (!eligible.empty()) recommended = eligible.front();
    report.request.push_back(TextField("recommendation", "Recommended",
                                       recommended ? PairName(listed[*recommended])
                                                   : "none: " + why));
    if (!recommended) errors << "kelvane-calc: no pair recommended: " << why << '\n';
  }
  if (nearestPass && !listed.empty()) {
    const Listed& first = listed.front();
    report.request.push_back(TextField("nearest_rate_kbps", "Nearest rate kbit/s",
                                       FormatF(TrueRate(request.fclk, first.pair.combination))));
    // The kernel refuses a bitrate it cannot meet within 5 % when it picks
    // the timing itself; a pair beyond that is far off any CAN bus's rate.
    if (first.verdict.rateError && std::fabs(*first.verdict.rateError) > 0.05) {
      report.request.push_back(TextField(
          "nearest_note", "Nearest rate note",
          FormatF(*first.verdict.rateError * 100.0) +
              " % off the wanted rate: beyond the 5 % the kernel accepts for a bitrate"));
    }
  }

  if (o.best) {
    std::vector<Listed> one;
    if (recommended) one.push_back(std::move(listed[*recommended]));
    listed = std::move(one);
    eligible.assign(listed.size(), 0);
    if (recommended) recommended = 0;
  }
  const std::size_t passLine = 0;  // AddRate's first line
  if (nearestPass) report.request[passLine].text = "nearest";

  report.pairs.reserve(listed.size());
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const Listed& l = listed[i];
    ReportRow row = MakePairRow(l.details.current, l.pair.btr0, l.pair.btr1, l.pair.combination,
                                l.details.fields, l.details.prop, l.propSegment, context,
                                l.verdict);
    if (ordered) row.insert(row.begin() + 1, BooleanField("recommended", "rec", recommended == i));
    report.pairs.push_back(std::move(row));
  }
  report.pairColumns = MakePairRow(1, "00", "00", Combination{}, {}, "", 1, context, {});
  if (ordered) report.pairColumns.insert(report.pairColumns.begin() + 1,
                                         BooleanField("recommended", "rec", false));
  AddNotSettableNote(listed, context, report);
  const bool firstIsEligible = !eligible.empty() && eligible.front() == 0;
  const char* which = recommended       ? ", the recommended one"
                      : firstIsEligible ? ", the first listed"
                                        : ", the first at the rate within tolerance";
  AddPaste(o, listed, eligible, why, which, context, report);
  return listed.empty() ? kExitNoneFound : kExitListed;
}

// The text a kernel's pair is judged against when no BAUD is given: its own
// rate, in the fewest decimals that rule 9 still matches (the kernel's
// bitrate is rounded down to whole bit/s and would fail it).
std::string OwnRateText(CalcOptions o, const Propagation& prop, const Combination& c) {
  const RuleSet rules = *RuleSet::FromText(o.ruleSet);
  CalculationRequest request = EntriesOf(o);
  PrepareCalculation(request, rules, prop.settings);
  const double rate = SearchBitRate(request.tclk, c);
  std::string shortest = FormatFixed(rate, 3);
  while (shortest.back() == '0') shortest.pop_back();
  if (shortest.back() == '.') shortest.pop_back();
  for (const std::string& text : {shortest, FormatFixed(rate, 3), FormatF(rate)}) {
    o.baudText = text;
    CalculationRequest trial = EntriesOf(o);
    PrepareCalculation(trial, rules, prop.settings);
    if (RateMatches(rate, trial.enteredRate, trial.baudDecimals, true)) return text;
  }
  return FormatF(rate);
}

// The register test of the window, at the controller clock (with the divider,
// as the details panel shows a listed pair), plus the verdict of every rule on
// the pair under the calculation's settings.
int DecodePair(const CalcOptions& given, const Propagation& prop, const ReportRow& source,
               const std::optional<SocketCanTiming>& inUse, CalcReport& report) {
  CalcOptions o = given;
  const Combination c = Decode(static_cast<std::uint8_t>(std::stoi(o.btr0Text, nullptr, 16)),
                               static_cast<std::uint8_t>(std::stoi(o.btr1Text, nullptr, 16)));
  const bool ownRate = inUse && !o.hasBaud;
  if (ownRate) {
    o.hasBaud = true;
    o.baudText = OwnRateText(o, prop, c);
  }
  const RuleSet rules = *RuleSet::FromText(o.ruleSet);
  CalculationRequest request = EntriesOf(o);
  request.exactPass = o.band != BandMode::Band;
  std::string passText = request.baudText;
  ClockTexts clock = PrepareCalculation(request, rules, prop.settings);
  if (!request.exactPass) {
    passText = request.baudText;
    clock = PrepareCalculation(request, rules, prop.settings);
  }
  const CombinationDetails shown =
      ComputeDetails(o.btr0Text, o.btr1Text, 0, request.tclk, request.fclk, prop.settings);
  const int propSegment = PropagationSegment(prop.settings.useStandardProp,
                                             prop.settings.propDelay, shown.timeQuantum);
  const PairContext context{SocketCanClock(request.fclk), o.ipLinkDevice.value_or("DEV"), inUse};
  std::vector<Listed> one(1);
  one[0].pair = {o.btr0Text, o.btr1Text, c, 1};
  one[0].details = shown;
  one[0].details.current = 1;
  one[0].propSegment = propSegment;
  one[0].tolerance = OscillatorToleranceLimit(c.sjw, c.tseg1, c.tseg2, propSegment);
  Judge(request, o.hasBaud, one[0]);
  if (ownRate && one[0].verdict.rateError) {
    // Judged against its own rate: the text's last decimal is no error.
    one[0].verdict.rateError = 0.0;
    one[0].verdict.toleranceOk = WithinTolerance(0.0, request.tolerance, one[0].tolerance);
  }
  report.pairs.push_back(MakePairRow(1, o.btr0Text, o.btr1Text, c, shown.fields, shown.prop,
                                     propSegment, context, one[0].verdict));
  report.pairColumns = report.pairs.front();
  const RuleJudgement judgement = JudgeRules(request, c, o.hasBaud);

  ReportRow& lines = report.request;
  lines.insert(lines.end(), source.begin(), source.end());
  if (inUse) {
    // The split this program would choose, where it is not the kernel's:
    // another way of writing the same registers.
    const SocketCanResult own = ToSocketCan(c, propSegment, context.socketCanClock);
    std::string differs;
    if (!own.timing) {
      differs = "not settable by Kelvane's choice: " + own.reason;
    } else {
      const SocketCanTiming& t = *own.timing;
      if (t.tq != inUse->tq) differs += "tq " + FormatD(t.tq) + " ns, ";
      if (t.propSeg != inUse->propSeg) differs += "prop-seg " + FormatD(t.propSeg) + ", ";
      if (t.phaseSeg1 != inUse->phaseSeg1) differs += "phase-seg1 " + FormatD(t.phaseSeg1) + ", ";
      if (!differs.empty())
        differs += "which writes the same BTR0/BTR1 as the kernel's setting in use";
    }
    if (!differs.empty())
      lines.push_back(TextField("kelvane_split", "Kelvane's own split", differs));
  }
  lines.push_back(TextField("btr0", "BTR0", o.btr0Text));
  lines.push_back(TextField("btr1", "BTR1", o.btr1Text));
  lines.push_back(TextField("sjw_bits", "SJW bits", shown.fields.sjwBits));
  lines.push_back(TextField("brp_bits", "BRP bits", shown.fields.brpBits));
  lines.push_back(TextField("sam_bit", "SAM bit", shown.fields.samBit));
  lines.push_back(TextField("tseg2_bits", "TSEG2 bits", shown.fields.tseg2Bits));
  lines.push_back(TextField("tseg1_bits", "TSEG1 bits", shown.fields.tseg1Bits));
  if (o.hasBaud) AddRate(passText, request, lines);
  if (ownRate) lines.push_back(TextField("baud_from", "Baud Rate from", "the pair's own rate"));
  AddSettings(o, request, lines);
  lines.insert(lines.end(), prop.lines.begin(), prop.lines.end());
  AddClock(clock, o.hasBaud, context, lines);
  lines.push_back(TextField("listed", "Listed by the search",
                       o.hasBaud ? (judgement.listed ? "yes" : "no") : "no BAUD given"));
  report.rules = judgement.rows;

  std::string which = inUse ? ", the kernel's setting" : "";
  if (one[0].verdict.toleranceOk == false)
    which += " (its rate error and the oscillator tolerance exceed what it allows)";
  AddPaste(o, one, {0}, "", which.c_str(), context, report);
  AddNotSettableNote(one, context, report);
  return kExitListed;
}

// The text of FILE, or of standard input for "-"; at most kMaxIpJsonBytes.
bool ReadWhole(const std::string& path, std::string& text, Failure& failure) {
  const std::string name = path == "-" ? "standard input" : "\"" + FullPath(path) + "\"";
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    const std::string full = FullPath(path);
    std::error_code ec;
    if (std::filesystem::is_directory(full, ec)) {
      failure = {kExitFile, "cannot read " + name + ": it is a folder"};
      return false;
    }
    file.open(full, std::ios::binary);
    if (!file) {
      failure = {kExitFile, "cannot read " + name + ": " + std::strerror(errno)};
      return false;
    }
    in = &file;
  }
  // One byte past the limit tells a larger input, without reading the rest
  // of it (a device such as /dev/zero never ends).
  text.resize(kMaxIpJsonBytes + 1);
  in->read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in->bad()) {
    failure = {kExitFile, "cannot read " + name};
    return false;
  }
  text.resize(static_cast<std::size_t>(in->gcount()));
  if (text.size() > kMaxIpJsonBytes) {
    failure = {kExitUsage, name + " holds more than 1 MiB, more than ip -details -json link "
                           "show gives; give its output for the device"};
    return false;
  }
  return true;
}

// --from-ip-json: the bittiming the kernel reports, as a pair to decode, the
// lines that say where it came from, and the kernel's setting in use.
bool LoadKernelPair(CalcOptions& o, ReportRow& source, std::optional<SocketCanTiming>& inUse,
                    Failure& failure) {
  std::string text;
  if (o.ipJsonText)
    text = *o.ipJsonText;
  else if (!ReadWhole(*o.ipJsonPath, text, failure))
    return false;
  const KernelBitTimingRead read = ReadKernelBitTiming(text, o.device);
  const std::string name = *o.ipJsonPath == "-" ? "standard input" : FullPath(*o.ipJsonPath);
  if (!read.timing) {
    failure = {kExitUsage, "\"" + name + "\": " + read.error};
    return false;
  }
  const KernelBitTiming& k = *read.timing;
  static const char kHex[] = "0123456789ABCDEF";
  const auto hex = [](std::uint8_t b) { return std::string{kHex[b >> 4], kHex[b & 15]}; };
  o.btr0Text = hex(EncodeBtr0(k.combination));
  o.btr1Text = hex(EncodeBtr1(k.combination));
  o.oscillatorText = ShortNumber(2.0 * k.clockHz / 1e6);
  o.divided = false;
  inUse = SocketCanTiming{k.tq, k.propSeg, k.phaseSeg1, k.phaseSeg2, k.sjw, k.tripleSampling};
  source = {
      // Names from a file reach a terminal: no control characters.
      TextField("device", "Device", k.device.empty() ? "unnamed" : PrintableLine(k.device)),
      TextField("controller", "Controller",
                k.controller.empty() ? "not given" : PrintableLine(k.controller)),
      IntegerField("kernel_clock_hz", "Kernel clock Hz", FormatD(k.clockHz)),
      k.bitrate ? IntegerField("kernel_bitrate_bps", "Kernel bitrate bit/s", FormatD(*k.bitrate))
                : MissingField("kernel_bitrate_bps", "Kernel bitrate bit/s", true),
      IntegerField("kernel_tq_ns", "Kernel tq ns", FormatD(k.tq)),
      IntegerField("kernel_prop_seg", "Kernel prop-seg tq", FormatD(k.propSeg)),
      IntegerField("kernel_phase_seg1", "Kernel phase-seg1 tq", FormatD(k.phaseSeg1)),
      IntegerField("kernel_phase_seg2", "Kernel phase-seg2 tq", FormatD(k.phaseSeg2)),
      IntegerField("kernel_sjw", "Kernel sjw tq", FormatD(k.sjw)),
      IntegerField("kernel_brp", "Kernel brp", FormatD(k.brp)),
      TextField("kernel_brp_from", "Kernel brp from", k.brpGiven ? "brp" : "tq and clock"),
      TextField("kernel_triple_sampling", "Kernel triple-sampling",
                k.tripleSampling ? "on" : "off"),
  };
  return true;
}

}  // namespace

bool LoadPropagationDelay(const CalcOptions& options, std::optional<double>& delayNs,
                          ReportRow& lines, int& status, std::string& message) {
  Propagation prop;
  Failure failure{};
  if (!LoadPropagation(options, prop, failure)) {
    status = failure.status;
    message = failure.message;
    return false;
  }
  delayNs.reset();
  if (!prop.settings.useStandardProp) delayNs = prop.settings.propDelay;
  lines = prop.lines;
  return true;
}

bool ReadInputText(const std::string& path, std::string& text, int& status, std::string& message) {
  Failure failure{};
  if (ReadWhole(path, text, failure)) return true;
  status = failure.status;
  message = failure.message;
  return false;
}

int RunCalc(const CalcOptions& given, std::ostream& out, std::ostream& errors) {
  CalcOptions options = given;
  if (!options.ControllerRun() && options.ipJsonPath) {
    // A device of another controller is decoded by its own profile, not as an
    // SJA1000 at twice its clock.
    std::string text;
    Failure read{};
    if (!ReadWhole(*options.ipJsonPath, text, read)) {
      errors << "kelvane-calc: " << PrintableLine(read.message) << '\n';
      return read.status;
    }
    const std::string name = DeviceConstName(text, options.device);
    options.ipJsonText = std::move(text);
    if (!name.empty() && !IsSja1000Profile(name)) return RunController(options, out, errors);
  }
  if (options.ControllerRun()) return RunController(options, out, errors);
  Propagation prop;
  Failure failure{};
  ReportRow source;
  std::optional<SocketCanTiming> inUse;
  if ((options.ipJsonPath && !LoadKernelPair(options, source, inUse, failure)) ||
      !LoadPropagation(options, prop, failure)) {
    errors << "kelvane-calc: " << PrintableLine(failure.message) << '\n';
    return failure.status;
  }
  if (const std::optional<std::string> problem = RateProblem(options, prop)) {
    errors << "kelvane-calc: " << PrintableLine(*problem) << '\n';
    return kExitUsage;
  }
  CalcReport report;
  const bool decode = options.decode || options.ipJsonPath.has_value();
  const int status = decode ? DecodePair(options, prop, source, inUse, report)
                            : Search(options, prop, report, errors);
  switch (options.format) {
    case OutputFormat::Table: WriteTable(report, out); break;
    case OutputFormat::Csv: WriteCsv(report, out); break;
    case OutputFormat::Json: WriteJson(report, out); break;
  }
  return status;
}

}  // namespace kelvane::cli
