#include "controller_runner.h"

#include "bit_output.h"
#include "calc_runner.h"
#include "controller_report.h"
#include "fd_runner.h"
#include "ip_link_json.h"
#include "socketcan.h"

#include "fd_combination.h"

#include "kernel_pick.h"
#include "profile.h"
#include "registers.h"
#include "timing_search.h"
#include "timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>

namespace kelvane::cli {

namespace {

using namespace cantiming;
__extension__ typedef unsigned __int128 Wide;

constexpr std::size_t kShortList = 20;

struct Failure {
  int status = kExitUsage;
  std::string message;
};

std::string Num(std::uint64_t v) { return std::to_string(v); }

std::string RatioText(const Ratio& r, int decimals) {
  return Decimal(ToDouble(r), decimals);
}

// A rate in kbit/s for sentences: "125", "83.333".
std::string Kbit(const Ratio& bitrate) { return Decimal(ToDouble(bitrate) / 1000.0, 3); }

ReportLine Line(const char* key, const char* label, std::string text,
                CellKind kind = CellKind::Text) {
  return {key, label, std::move(text), kind};
}

// Everything a run shares once the profile and the clock are known.
struct Run {
  const CalcOptions& o;
  std::vector<ControllerProfile> profiles;  // the file's first, then the table's
  std::size_t fromFile = 0;                 // how many came from --controller-file
  const ControllerProfile* profile = nullptr;
  PhaseLimits limits;                       // what the kernel checks
  std::uint32_t clockHz = 0;
  std::uint64_t tolerancePpm = 0;
  std::optional<double> delayNs;
  ReportRow propagation;
  ControllerReport report;
};

bool LoadProfiles(Run& run, Failure& f) {
  if (run.o.controllerFile) {
    std::string text;
    if (!ReadInputText(*run.o.controllerFile, text, f.status, f.message)) return false;
    std::string error;
    run.profiles = ProfilesFromJson(text, error);
    if (!error.empty()) {
      f = {kExitUsage, "--controller-file " + QuotedLine(*run.o.controllerFile) + ": " + error};
      return false;
    }
    run.fromFile = run.profiles.size();
  }
  const std::vector<ControllerProfile>& table = BuiltInProfiles();
  // A file's profile comes first, so one of a built-in's names takes its
  // place: say so, since a typo in a new name cannot look like this.
  for (std::size_t i = 0; i < run.fromFile; ++i) {
    const ControllerProfile& mine = run.profiles[i];
    std::vector<std::string> names{mine.name};
    names.insert(names.end(), mine.aliases.begin(), mine.aliases.end());
    for (const std::string& name : names) {
      if (const ControllerProfile* builtIn = FindProfile(table, name)) {
        run.report.notes.push_back("the controller file's " + QuotedLine(mine.name) +
                                   " is used for " + QuotedLine(name) + ", not the built-in " +
                                   QuotedLine(builtIn->name));
      }
    }
  }
  run.profiles.insert(run.profiles.end(), table.begin(), table.end());
  return true;
}

std::string KnownNames(const Run& run) {
  std::string names;
  for (const ControllerProfile& p : run.profiles) {
    if (names.find(p.name + ",") == 0 || names.find(", " + p.name + ",") != std::string::npos)
      continue;
    names += (names.empty() ? "" : ", ") + p.name;
  }
  return names;
}

bool ChooseProfile(Run& run, const std::string& name, Failure& f) {
  run.profile = FindProfile(run.profiles, name);
  if (run.profile == nullptr) {
    f = {kExitUsage, "--controller " + QuotedLine(name) + ": no such controller; known: " +
                         KnownNames(run) + " (--list-controllers)"};
    return false;
  }
  run.limits = run.profile->nominal;
  return true;
}

bool ResolveClock(Run& run, Failure& f) {
  const ControllerProfile& p = *run.profile;
  const CalcOptions& o = run.o;
  if (o.clockHzText) {
    run.clockHz = static_cast<std::uint32_t>(std::stoul(*o.clockHzText));
    run.report.request.push_back(Line("oscillator_hz", "Oscillator", "", CellKind::Null));
  } else {
    if (!o.oscGiven && p.clock.defaultInputHz == 0) {
      f = {kExitUsage, "--controller " + p.name + ": give --osc MHZ (the frequency at its clock " +
                           "input) or --clock-hz HZ (the clock ip -details link show reports); " +
                           "its clock is the " + p.clock.text};
      return false;
    }
    std::optional<Ratio> input;
    if (o.oscGiven) {
      input = ParseDecimalTimes(o.oscillatorText, 1000000);
      if (!input) {
        f = {kExitUsage, "--osc " + QuotedLine(o.oscillatorText) +
                             ": give the frequency in MHz, a positive number such as 16 or 14.7456"};
        return false;
      }
    } else {
      input = Ratio{p.clock.defaultInputHz, 1};
    }
    if (input->den != 1) {
      f = {kExitUsage, "--osc " + QuotedLine(o.oscillatorText) + " is not a whole number of hertz"};
      return false;
    }
    const std::optional<std::uint32_t> clock = KernelClock(p.clock, input->num);
    if (!clock) {
      f = {kExitUsage, "an oscillator of " + Num(input->num) + " Hz gives no clock the kernel " +
                           "can hold (" + p.clock.text + ": a whole number of hertz up to 4294967295)"};
      return false;
    }
    run.clockHz = *clock;
    run.report.request.push_back(
        Line("oscillator_hz", "Oscillator Hz", Num(input->num), CellKind::Number));
  }
  run.report.request.push_back(Line("clock_hz", "Clock (kernel) Hz", Num(run.clockHz), CellKind::Number));
  run.report.request.push_back(Line("clock_rule", "Clock rule", p.clock.text));
  return true;
}

bool ReadTolerance(Run& run, Failure& f) {
  const std::string& t = run.o.toleranceText;
  std::uint64_t ppm = 0;
  bool ok = !t.empty() && t.size() <= 9;
  for (const char c : t) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) ppm = ppm * 10 + static_cast<unsigned>(c - '0');
  }
  if (!ok) {
    f = {kExitUsage, "--tolerance " + QuotedLine(t) +
                         ": give the oscillator tolerance in ppm, a whole number such as 1000"};
    return false;
  }
  run.tolerancePpm = ppm;
  return true;
}

bool ReadRate(const Run& run, Ratio& wanted, Failure& f) {
  const std::optional<Ratio> r = ParseKbitText(run.o.baudText);
  if (!r || Compare(*r, Ratio{1ull << 40, 1}) > 0) {
    f = {kExitUsage, "BAUD " + QuotedLine(run.o.baudText) +
                         ": give the rate in kbit/s, digits with at most one point (500, 83.333)"};
    return false;
  }
  wanted = *r;
  return true;
}

void AddPropagation(Run& run) {
  for (const ReportField& field : run.propagation)
    run.report.request.push_back(
        {field.key, field.header, field.text, field.integer ? CellKind::Number : CellKind::Text});
}

// The checks a listed setting must pass to be recommended.
struct Checks {
  bool toleranceOk = true;
  bool propagationOk = true;
  bool Pass() const { return toleranceOk && propagationOk; }
};

// The segment before the sample point, less the jump width, covers the
// propagation delay: (tseg1 - sjw) x tq >= delay; one tq without a delay.
bool PropagationCovered(const Run& run, const PhaseTiming& t) {
  if (t.Tseg1() < t.sjw) return false;
  if (!run.delayNs) return t.Tseg1() - t.sjw >= 1;
  const long double covered =
      static_cast<long double>(t.Tseg1() - t.sjw) * t.brp * 1e9L / run.clockHz;
  return covered >= static_cast<long double>(*run.delayNs);
}

Checks Check(const Run& run, const Setting& s, const Ratio& wanted) {
  Checks c;
  c.toleranceOk = WithinTolerance(s.bitrate, wanted, run.tolerancePpm, s.tolerance);
  c.propagationOk = PropagationCovered(run, s.timing);
  return c;
}

void AddRegisters(const Run& run, SettingRow& row, const Encoder* encoder = nullptr) {
  const RegisterLayout& layout = run.profile->registers;
  if (layout.empty() || layout.registers.size() > kMostRegisters) return;
  std::optional<Encoder> own;
  if (encoder == nullptr) encoder = &own.emplace(layout);
  if (encoder->Encode(row.setting.timing, row.registers.data(), nullptr))
    row.registerCount = static_cast<std::uint8_t>(layout.registers.size());
}

SettingRow MakeRow(const Run& run, const char* source, std::size_t index, bool recommended,
                   const Setting& s, const Checks& checks, bool withRegisters) {
  SettingRow row;
  row.source = source;
  row.index = index;
  row.recommended = recommended;
  row.setting = s;
  row.toleranceOk = checks.toleranceOk;
  row.propagationOk = checks.propagationOk;
  if (withRegisters) AddRegisters(run, row);
  return row;
}

void SetRegisterColumns(Run& run) {
  for (const Register& reg : run.profile->registers.registers)
    run.report.registerColumns.push_back({reg.name, reg.width});
}

SocketCanTiming ForIpLink(const PhaseTiming& t, std::uint32_t tq) {
  SocketCanTiming s;
  s.tq = tq;
  s.propSeg = static_cast<int>(t.propSeg);
  s.phaseSeg1 = static_cast<int>(t.phaseSeg1);
  s.phaseSeg2 = static_cast<int>(t.phaseSeg2);
  s.sjw = static_cast<int>(t.sjw);
  s.tripleSampling = t.tripleSampling;
  return s;
}

void Paste(Run& run, const std::string& which, const PhaseTiming& t, std::uint32_t tq) {
  run.report.pasteNote = which + ", through SocketCAN (Linux 6.3 and later check sjw against both phase segments):";
  const SocketCanTiming ip = ForIpLink(t, tq);
  run.report.ipLink = IpLinkBlock(*run.o.ipLinkDevice, CanTypeSettings(ip));
  run.report.networkd = NetworkdSection(ip);
}

// The kernel's own search for `ip link ... bitrate R [sample-point S]`.
void AddKernelPick(Run& run, const Ratio& wanted, const std::optional<Setting>& recommended) {
  ControllerReport& r = run.report;
  r.hasKernelPick = true;
  const double asked = ToDouble(wanted);
  std::string reason;
  if (!(asked >= 0.5 && asked < 4294967295.5)) {
    r.afterSettings.push_back(Line("kernel_pick_reason", "Kernel's pick",
                                   "ip link takes a bitrate from 1 to 4294967295 bit/s"));
    return;
  }
  const auto bitrate = static_cast<std::uint32_t>(std::llround(asked));
  std::uint32_t pointTenths = 0;
  if (run.o.samplePoint) pointTenths = static_cast<std::uint32_t>(std::lround(*run.o.samplePoint * 10.0));
  std::string settings = "type can bitrate " + Num(bitrate);
  if (pointTenths != 0) settings += " sample-point " + Decimal(pointTenths / 1000.0, 3);
  const std::string command = IpLinkSetCommand(run.o.ipLinkDevice.value_or("DEV"), settings);
  r.afterSettings.push_back(Line("kernel_command", "Kernel's search for", command));
  if (Compare(Ratio{bitrate, 1}, wanted) != 0)
    r.notes.push_back("ip link takes whole bit/s: the kernel searches for " + Num(bitrate) + " bit/s");

  if (!run.profile->linuxDriver)
    r.notes.push_back(run.profile->name + " has no Linux driver: the kernel's pick is what a " +
                      "SocketCAN driver with its limits would get");
  const KernelPick pick = CalcBitTiming(run.limits, run.clockHz, bitrate, pointTenths);
  if (!HasTiming(pick)) {
    r.afterSettings.push_back(Line("kernel_pick_reason", "Kernel's pick", NoTimingReason(pick)));
    return;
  }
  Setting s = Evaluate(pick.timing, run.clockHz, wanted);
  s.kernelTqNs = pick.tqNs;
  const Checks checks = Check(run, s, wanted);
  std::string problem;
  if (pick.outcome != KernelPick::Outcome::Chosen) {
    problem = "the kernel's search misbehaves: " + pick.reason + "; no registers";
  } else if (!run.profile->registers.empty()) {
    const Encoded e = Encode(run.profile->registers, NominalValues(pick.timing));
    if (!e.error.empty()) problem = "the kernel's search misbehaves: its pick does not fit the registers (" + e.error + "); no registers";
  }
  r.kernelPick = MakeRow(run, "kernel", 0, false, s, checks, problem.empty());
  r.afterSettings.push_back(problem.empty()
                                ? Line("kernel_pick_reason", "Kernel's pick",
                                       "the row marked kernel", CellKind::Null)
                                : Line("kernel_pick_reason", "Kernel's pick", problem));
  r.afterSettings.push_back(Line("kernel_bitrate", "Kernel's bitrate bit/s", Num(pick.bitrate), CellKind::Number));
  if (pick.errorTenthsPct != 0)
    r.notes.push_back("the kernel warns: bitrate error " + Num(pick.errorTenthsPct / 10) + "." +
                      Num(pick.errorTenthsPct % 10) + "%");
  if (problem.empty() && recommended && !run.profile->registers.empty() &&
      Encode(run.profile->registers, NominalValues(recommended->timing)).registers ==
          Encode(run.profile->registers, NominalValues(pick.timing)).registers)
    r.notes.push_back("the kernel's pick writes the same registers as the recommended setting");
}

// Sample point distance |(1 + tseg1) / N - a / b| as a fraction, for exact ordering.
struct Distance {
  std::uint64_t num = 0, den = 1;
};

Distance PointDistance(const PhaseTiming& t, std::uint64_t a, std::uint64_t b) {
  const std::uint64_t n = t.QuantaPerBit();
  const std::uint64_t left = static_cast<std::uint64_t>(1 + t.Tseg1()) * b;
  const std::uint64_t right = a * n;
  return {left > right ? left - right : right - left, n * b};
}

bool Closer(const Distance& x, const Distance& y) {
  return static_cast<Wide>(x.num) * y.den < static_cast<Wide>(y.num) * x.den;
}

// Equal fractions, in whatever terms.
bool SameDistance(const Distance& x, const Distance& y) {
  return static_cast<Wide>(x.num) * y.den == static_cast<Wide>(y.num) * x.den;
}

// A setting of a long list as the ordering needs it.
// (Kept small: a long list holds tens of thousands.)
struct Candidate {
  PhaseTiming timing;
  Ratio tolerance;
  bool toleranceOk = false;
  bool propagationOk = false;
  bool passes = false;
};

// The listing order: passing settings first, the sample point nearest the
// target, the larger tolerance, then the search's order. Sorted on doubles,
// which order the exact ratios wherever they tell them apart; where two
// different ratios give one double, sorted again on the ratios themselves.
void OrderCandidates(const std::vector<Candidate>& all, std::uint64_t a, std::uint64_t b,
                     std::vector<std::uint32_t>& order) {
  struct Key {
    std::uint64_t first;   // passes, then the distance
    std::uint64_t second;  // the tolerance, larger first
    std::uint32_t index;
  };
  const auto bits = [](double v) {
    std::uint64_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;  // for doubles >= 0 the order of the values
  };
  const auto distanceOf = [a, b](const Candidate& c) { return PointDistance(c.timing, a, b); };
  // Whether the doubles tell every two different ratios apart: two different
  // fractions below 2 whose denominators are below 2^25 differ by more than
  // 2^-50, far more than the rounding of both divisions (2^-53 each at most).
  constexpr std::uint64_t kSmallDen = 1ull << 25;
  bool checked = true;
  std::vector<Key> keys(all.size());
  for (std::uint32_t i = 0; i < all.size(); ++i) {
    const Distance d = distanceOf(all[i]);
    const double distanceKey = static_cast<double>(d.num) / static_cast<double>(d.den);
    const double toleranceKey = ToDouble(all[i].tolerance);
    checked = checked && d.den < kSmallDen && all[i].tolerance.den < kSmallDen &&
              distanceKey < 2.0 && toleranceKey < 2.0;
    keys[i] = {(all[i].passes ? 0 : 1ull << 63) | bits(distanceKey), ~bits(toleranceKey), i};
  }
  std::sort(keys.begin(), keys.end(), [](const Key& x, const Key& y) {
    if (x.first != y.first) return x.first < y.first;
    if (x.second != y.second) return x.second < y.second;
    return x.index < y.index;
  });
  // Telling the ratios apart reads the candidates in the sorted order, all
  // over memory: only where the doubles may not.
  bool exact = true;
  for (std::size_t k = 1; k < keys.size() && exact && !checked; ++k) {
    const Candidate& x = all[keys[k - 1].index];
    const Candidate& y = all[keys[k].index];
    if (keys[k - 1].first == keys[k].first &&
        !SameDistance(distanceOf(x), distanceOf(y)))
      exact = false;
    if (keys[k - 1].first == keys[k].first && keys[k - 1].second == keys[k].second &&
        (x.tolerance.num != y.tolerance.num || x.tolerance.den != y.tolerance.den))
      exact = false;
  }
  order.resize(all.size());
  for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].index;
  if (exact) return;
  std::stable_sort(order.begin(), order.end(), [&all, &distanceOf](std::uint32_t i, std::uint32_t j) {
    const Candidate& x = all[i];
    const Candidate& y = all[j];
    if (x.passes != y.passes) return x.passes;
    const Distance dx = distanceOf(x), dy = distanceOf(y);
    if (dx.num != dy.num || dx.den != dy.den) {
      if (Closer(dx, dy)) return true;
      if (Closer(dy, dx)) return false;
    }
    if (x.tolerance.num == y.tolerance.num && x.tolerance.den == y.tolerance.den) return i < j;
    return Compare(x.tolerance, y.tolerance) > 0;
  });
}

int Search(Run& run, std::ostream& errors) {
  const CalcOptions& o = run.o;
  ControllerReport& r = run.report;
  Ratio wanted;
  Failure f;
  if (!ReadRate(run, wanted, f)) {
    errors << "kelvane-calc: " << PrintableLine(f.message) << '\n';
    return f.status;
  }
  const FdContext fd{o, *run.profile, run.clockHz, run.tolerancePpm, run.propagation};
  if (o.dataBitrateText) {
    const std::string problem = CheckFdRequest(fd, wanted);
    if (!problem.empty()) {
      errors << "kelvane-calc: " << PrintableLine(problem) << '\n';
      return kExitUsage;
    }
  }
  r.request.push_back(Line("bitrate", "Bit rate asked bit/s", RatioText(wanted, 3), CellKind::Number));
  // The sample point aimed at, as a fraction a / b.
  std::uint64_t a = 0, b = 1;
  if (o.samplePoint) {
    a = static_cast<std::uint64_t>(std::llround(*o.samplePoint * 1e6));
    b = 100000000;
  } else {
    a = CiaSamplePointTenths(wanted);
    b = 1000;
  }
  const std::uint64_t g = std::gcd(a, b);
  a /= g;
  b /= g;
  r.request.push_back(Line("sample_point_target_pct", "Sample point wanted %",
                           Decimal(100.0 * a / b, 4), CellKind::Number));
  r.request.push_back(Line("sample_point_rule", "Sample point from", o.samplePoint ? "given" : "cia"));
  r.request.push_back(Line("oscillator_tolerance_ppm", "Oscillator tolerance ppm",
                           Num(run.tolerancePpm), CellKind::Number));
  AddPropagation(run);

  SearchRequest request;
  request.limits = run.profile->registers.empty() ? run.limits : HeldLimits(run.limits, run.profile->registers);
  request.split = SplitBoundsOf(run.profile->registers);
  request.clockHz = run.clockHz;
  request.wanted = wanted;
  request.propDelayNs = run.delayNs;
  std::vector<PhaseTiming> timings = ExactTimings(request);
  const std::size_t exactCount = timings.size();
  r.request.push_back(Line("exact_count", "Exact settings", Num(exactCount), CellKind::Number));
  std::optional<Ratio> nearest;
  if (timings.empty() && o.nearest) {
    if (std::optional<NearestResult> n = NearestTimings(request)) {
      nearest = n->bitrate;
      timings = std::move(n->timings);
    }
  }

  // One small record a setting, ordered: passing settings first, the sample
  // point nearest the target, the larger tolerance, then the search's order.
  // The rows themselves are made as they are written (a long list is never
  // held whole).
  const Ratio rate = nearest.value_or(wanted);  // every listed setting's
  auto candidates = std::make_shared<std::vector<Candidate>>();
  candidates->reserve(timings.size());
  for (const PhaseTiming& t : timings) {
    Candidate c;
    c.timing = t;
    c.tolerance = IsoTolerance(t);
    c.toleranceOk = WithinTolerance(rate, wanted, run.tolerancePpm, c.tolerance);
    c.propagationOk = PropagationCovered(run, t);
    c.passes = c.toleranceOk && c.propagationOk;
    candidates->push_back(c);
  }
  std::vector<PhaseTiming>().swap(timings);
  auto order = std::make_shared<std::vector<std::uint32_t>>(candidates->size());
  const std::vector<Candidate>& all = *candidates;
  OrderCandidates(all, a, b, *order);
  const std::size_t total = all.size();
  const bool recommend = total != 0 && all[order->front()].passes;
  std::size_t shown = total;
  if (o.best) shown = recommend ? 1 : 0;
  else if (!o.all) shown = std::min(shown, kShortList);
  r.request.push_back(Line("listed_count", "Listed", Num(shown), CellKind::Number));
  if (nearest) {
    r.request.push_back(Line("nearest_bitrate", "Nearest rate bit/s", RatioText(*nearest, 3), CellKind::Number));
    r.request.push_back(Line("nearest_error_ppm", "Nearest rate error ppm",
                             Decimal(ErrorPpm(*nearest, wanted), 3), CellKind::Number));
    const double errorPct = std::fabs(ErrorPpm(*nearest, wanted)) / 1e4;
    if (errorPct > 5.0)
      r.notes.push_back("the nearest rate is " + Decimal(errorPct, 3) +
                        " % off: ip link's bitrate form refuses more than 5 %; the tq form takes it");
  }
  SetRegisterColumns(run);
  // The tq to give ip link, once for each prescaler.
  auto tqOfBrp = std::make_shared<std::vector<std::optional<std::uint32_t>>>(run.limits.brpMax + 1u);
  for (const Candidate& c : all)
    if (!(*tqOfBrp)[c.timing.brp]) (*tqOfBrp)[c.timing.brp] = KernelTqFor(run.clockHz, c.timing.brp, run.limits.brpInc);
  auto encoder = std::make_shared<Encoder>(run.profile->registers);
  // Every listed setting has the same rate (brp x quanta is the same), so its
  // rate and error are worked out once; the tolerance and checks are the
  // candidate's.
  Setting model;
  if (total != 0) model = Evaluate(all.front().timing, run.clockHz, wanted);
  const auto makeRow = [&run, candidates, order, tqOfBrp, encoder, model, recommend](
                           std::size_t i, SettingRow& row) {
    const Candidate& c = (*candidates)[(*order)[i]];
    row.source = "kelvane";
    row.index = i + 1;
    row.recommended = i == 0 && recommend;
    Setting& s = row.setting;
    s = model;
    s.timing = c.timing;
    SetShape(s, run.clockHz);
    s.tolerance = c.tolerance;
    s.tolerancePpm = ToDouble(c.tolerance) * 1e6;
    s.kernelTqNs = (*tqOfBrp)[c.timing.brp];
    row.toleranceOk = c.toleranceOk;
    row.propagationOk = c.propagationOk;
    row.registerCount = 0;
    AddRegisters(run, row, encoder.get());
  };
  r.madeCount = shown;
  r.make = makeRow;
  if (!o.best && shown < total)
    r.notes.push_back("the best " + Num(shown) + " of " + Num(total) +
                      " settings are shown; --all lists every one");
  if (total != 0 && !recommend)
    r.notes.push_back("no setting passes the tolerance and propagation checks: none is recommended");
  if (exactCount == 0)
    r.notes.push_back(nearest ? "no setting gives " + Kbit(wanted) + " kbit/s exactly at this clock; the nearest rate is listed"
                              : "no setting gives " + Kbit(wanted) + " kbit/s exactly at this clock; --nearest lists the closest rate");
  if (exactCount == 0 && Compare(wanted, Ratio{1000000, 1}) > 0 &&
      Compare(wanted, Ratio{1000000000, 1}) <= 0)
    errors << "kelvane-calc: rates are in kbit/s: did you mean " << Decimal(ToDouble(wanted) / 1e6, 3) << "?\n";

  std::optional<Setting> best;
  if (recommend) {
    SettingRow first;
    makeRow(0, first);
    best = first.setting;
  }
  AddKernelPick(run, wanted, best);

  if (o.ipLinkDevice) {
    r.pasteAsked = true;
    if (best) {
      Paste(run, "the recommended setting", best->timing, *best->kernelTqNs);
    } else {
      r.pasteNote = total == 0 ? "no setting listed" : "no setting is recommended";
    }
  }
  if (o.dataBitrateText) {
    // CAN FD pairs draw on every nominal setting, in the listing order.
    FdNominalPhase phase;
    phase.exact = !nearest;
    phase.wanted = wanted;
    phase.limits = run.limits;
    const double errorPpm = nearest ? ErrorPpm(*nearest, wanted) : 0.0;
    const double targetPct = 100.0 * static_cast<double>(a) / static_cast<double>(b);
    phase.candidates.reserve(total);
    for (const std::uint32_t i : *order) {
      FdCandidate c;
      c.timing = all[i].timing;
      c.errorPpm = errorPpm;
      c.exact = !nearest;
      c.usable = all[i].passes;
      c.samplePointMiss = SamplePointMiss(c.timing, targetPct);
      phase.candidates.push_back(c);
    }
    const int status = AddFdSearch(fd, phase, r, errors);
    return r.madeCount + r.settings.size() == 0 || status != kExitListed ? kExitNoneFound : kExitListed;
  }
  return shown == 0 ? kExitNoneFound : kExitListed;
}

// The quantities' names in messages, by the fields that hold them.
std::string FieldsOf(const RegisterLayout& layout, Quantity q) {
  std::string names;
  for (const Field& f : layout.fields)
    if (f.quantity == q) names += (names.empty() ? "" : "/") + f.name;
  return names;
}

// What the controller's limits do not allow in a decoded timing.
void LimitProblems(const Run& run, const PhaseTiming& t, bool splitKnown,
                   std::vector<std::string>& problems) {
  const PhaseLimits& l = run.limits;
  const RegisterLayout& layout = run.profile->registers;
  const auto named = [&](Quantity q, const char* what) {
    const std::string fields = FieldsOf(layout, q);
    return std::string(what) + (fields.empty() ? "" : " (" + fields + ")");
  };
  const auto range = [&](Quantity q, const char* what, std::uint64_t v, std::uint64_t lo,
                         std::uint64_t hi) {
    if (v < lo)
      problems.push_back(named(q, what) + " " + Num(v) + " is below the controller's minimum " + Num(lo));
    else if (v > hi)
      problems.push_back(named(q, what) + " " + Num(v) + " is above the controller's maximum " + Num(hi));
  };
  range(Quantity::Brp, "brp", t.brp, l.brpMin, l.brpMax);
  if (l.brpInc > 1 && t.brp % l.brpInc != 0)
    problems.push_back(named(Quantity::Brp, "brp") + " " + Num(t.brp) + " is not a multiple of " + Num(l.brpInc));
  const Quantity tseg1Q = splitKnown ? Quantity::PhaseSeg1 : Quantity::Tseg1;
  range(tseg1Q, "tseg1", t.Tseg1(), l.tseg1Min, l.tseg1Max);
  range(Quantity::PhaseSeg2, "phase-seg2", t.phaseSeg2, l.tseg2Min, l.tseg2Max);
  range(Quantity::Sjw, "sjw", t.sjw, 1, l.sjwMax);
  if (t.tripleSampling && !run.profile->tripleSampling)
    problems.push_back("triple sampling is set, which the controller's driver does not offer");
}

// The one setting of a decode or of a device's JSON, with its paste block.
void OneSetting(Run& run, const char* source, const PhaseTiming& t, const Ratio& wanted,
                bool registersOk, std::vector<std::string> problems) {
  ControllerReport& r = run.report;
  Setting s = Evaluate(t, run.clockHz, wanted);
  const std::optional<std::uint32_t> tq = KernelTqFor(run.clockHz, t.brp, run.limits.brpInc);
  s.kernelTqNs = tq;
  const Checks checks = Check(run, s, wanted);
  SetRegisterColumns(run);
  r.settings.push_back(MakeRow(run, source, 1, false, s, checks, registersOk));
  r.withProblems = true;
  const std::string refusal = KernelRefusal(run.limits, run.clockHz, t);
  r.problems = std::move(problems);
  if (!run.o.ipLinkDevice) return;
  r.pasteAsked = true;
  if (!refusal.empty())
    r.pasteNote = "not settable through SocketCAN (Linux 6.3 and later): " + refusal;
  else if (!r.problems.empty())
    r.pasteNote = "the controller cannot hold these values (see the problems above)";
  else
    Paste(run, "this setting", t, *tq);
}

bool ParseRegisterTexts(const Run& run, std::vector<RegisterValue>& values,
                        std::vector<RegisterValue>& dataValues, Failure& f) {
  const RegisterLayout& layout = run.profile->registers;
  std::string names;
  for (const Register& reg : layout.registers) names += (names.empty() ? "" : ", ") + reg.name;
  for (const Register& reg : run.profile->dataRegisters.registers) names += ", " + reg.name;
  for (const std::string& text : run.o.registerTexts) {
    const std::size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    std::string digits = text.substr(eq + 1);
    const auto reg = std::find_if(layout.registers.begin(), layout.registers.end(), [&](const Register& x) {
      return x.name.size() == name.size() &&
             std::equal(name.begin(), name.end(), x.name.begin(), [](char p, char q) {
               return std::toupper(static_cast<unsigned char>(p)) == std::toupper(static_cast<unsigned char>(q));
             });
    });
    // A CAN FD controller's data and TDC registers go with the nominal ones.
    const std::optional<Register> dataReg =
        reg == layout.registers.end() ? DataRegisterNamed(*run.profile, name) : std::nullopt;
    if (reg == layout.registers.end() && !dataReg) {
      f = {kExitUsage, QuotedLine(name) + " is not a register of " + run.profile->name + " (" + names + ")"};
      return false;
    }
    const Register& found = dataReg ? *dataReg : *reg;
    std::vector<RegisterValue>& into = dataReg ? dataValues : values;
    if (std::any_of(into.begin(), into.end(), [&](const RegisterValue& v) { return v.name == found.name; })) {
      f = {kExitUsage, found.name + " given twice"};
      return false;
    }
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
    std::uint64_t value = 0;
    bool ok = !digits.empty() && digits.size() <= 16;
    for (const char c : digits) {
      const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (std::isxdigit(static_cast<unsigned char>(c)) ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10 : -1);
      ok = ok && d >= 0;
      if (ok) value = value * 16 + static_cast<unsigned>(d);
    }
    if (!ok) {
      f = {kExitUsage, found.name + "=" + PrintableLine(text.substr(eq + 1)) +
                           ": give the value in hexadecimal (0x1C or 1C)"};
      return false;
    }
    if (found.width < 64 && value >> found.width != 0) {
      f = {kExitUsage, found.name + "=" + text.substr(eq + 1) + " does not fit its " +
                           Num(found.width) + " bits"};
      return false;
    }
    into.push_back({found.name, found.width, value});
  }
  for (const Register& reg : layout.registers) {
    if (std::none_of(values.begin(), values.end(), [&](const RegisterValue& v) { return v.name == reg.name; })) {
      f = {kExitUsage, "--decode-registers needs " + reg.name + "=VALUE too (" + run.profile->name +
                           " has " + names + ")"};
      return false;
    }
  }
  return true;
}

int DecodeRegisters(Run& run, std::ostream& errors) {
  ControllerReport& r = run.report;
  Failure f;
  if (run.profile->registers.empty()) {
    f = {kExitUsage, run.profile->name + " has no register layout to decode"};
  }
  std::vector<RegisterValue> values, dataValues;
  if (f.message.empty()) ParseRegisterTexts(run, values, dataValues, f);
  std::optional<Ratio> wanted;
  if (f.message.empty() && run.o.hasBaud) {
    Ratio w;
    if (ReadRate(run, w, f)) wanted = w;
  }
  if (!f.message.empty()) {
    errors << "kelvane-calc: " << PrintableLine(f.message) << '\n';
    return f.status;
  }
  const RegisterLayout& layout = run.profile->registers;
  const Decoded d = Decode(layout, values);
  r.rows = DecodedFieldRows(layout, d);
  std::vector<std::string> problems = d.problems;
  std::optional<PhaseTiming> t = NominalTiming(d.values);
  const bool splitKnown = RangeHeld(layout, Quantity::PropSeg) && RangeHeld(layout, Quantity::PhaseSeg1);
  if (!t) {
    errors << "kelvane-calc: the layout of " << run.profile->name << " holds no complete timing\n";
    return kExitUsage;
  }
  if (!splitKnown) {
    const double tqNs = static_cast<double>(t->brp) * 1e9 / run.clockHz;
    if (std::optional<PhaseTiming> split = SplitTseg1(t->brp, t->phaseSeg1, t->phaseSeg2, t->sjw,
                                                      PropagationQuanta(run.delayNs, tqNs), SplitBoundsOf(layout))) {
      split->tripleSampling = t->tripleSampling;
      t = split;
    }
  }
  LimitProblems(run, *t, splitKnown, problems);
  AddPropagation(run);
  r.request.push_back(Line("bitrate", "Bit rate asked bit/s", wanted ? RatioText(*wanted, 3) : "",
                           wanted ? CellKind::Number : CellKind::Null));
  r.request.push_back(Line("oscillator_tolerance_ppm", "Oscillator tolerance ppm",
                           Num(run.tolerancePpm), CellKind::Number));
  const Ratio own = BitRate(run.clockHz, t->brp, t->QuantaPerBit()).value_or(Ratio{0, 1});
  OneSetting(run, "registers", *t, wanted.value_or(own), true, std::move(problems));
  if (!dataValues.empty()) {
    std::string message;
    const FdContext fd{run.o, *run.profile, run.clockHz, run.tolerancePpm, run.propagation};
    if (!AddFdDecode(fd, *t, r.settings.front().setting.errorPpm, dataValues, r, message)) {
      errors << "kelvane-calc: " << PrintableLine(message) << '\n';
      return kExitUsage;
    }
  } else if (run.o.tdcLoopNs) {
    r.notes.push_back("--tdc-loop-ns: no data registers given, so no TDC to check");
  }
  return kExitListed;
}

int FromIpJson(Run& run, std::ostream& errors) {
  ControllerReport& r = run.report;
  const CalcOptions& o = run.o;
  std::string text;
  Failure f;
  if (o.ipJsonText) {
    text = *o.ipJsonText;
  } else if (!ReadInputText(*o.ipJsonPath, text, f.status, f.message)) {
    errors << "kelvane-calc: " << PrintableLine(f.message) << '\n';
    return f.status;
  }
  const std::string source = *o.ipJsonPath == "-" ? "standard input" : QuotedLine(*o.ipJsonPath);
  const DeviceTimingRead read = ReadDeviceTiming(text, o.device);
  if (!read.timing) {
    errors << "kelvane-calc: " << PrintableLine(source + ": " + read.error) << '\n';
    return kExitUsage;
  }
  const DeviceTiming& dt = *read.timing;
  std::string fdError;
  const std::optional<DeviceDataTiming> data = ReadDeviceDataTiming(text, dt.device, fdError);
  if (!fdError.empty()) {
    errors << "kelvane-calc: " << PrintableLine(source + ": " + fdError) << '\n';
    return kExitUsage;
  }
  ControllerProfile adHoc;
  if (o.controller) {
    if (!ChooseProfile(run, *o.controller, f)) {
      errors << "kelvane-calc: " << PrintableLine(f.message) << '\n';
      return f.status;
    }
  } else {
    run.profile = dt.constName.empty() ? nullptr : FindProfile(run.profiles, dt.constName);
    // One driver, two register sets: flexcan names both "flexcan"; a device
    // with a data phase is the FD one.
    if (run.profile != nullptr && !run.profile->data && data)
      if (const ControllerProfile* fdProfile = FindProfile(run.profiles, run.profile->name + "-fd"))
        run.profile = fdProfile;
    if (run.profile == nullptr) {
      if (!dt.limits) {
        errors << "kelvane-calc: " << PrintableLine(source + ": the device names no known controller and gives no bittiming_const limits; give --controller NAME") << '\n';
        return kExitUsage;
      }
      adHoc.name = dt.constName.empty() ? "unnamed" : PrintableLine(dt.constName);
      adHoc.description = "the device's own limits";
      adHoc.nominal = *dt.limits;
      adHoc.clock.text = "as the device reports";
      adHoc.tripleSampling = true;
      run.profile = &adHoc;
      r.notes.push_back("no register layout is known for " + QuotedLine(dt.constName) +
                        ": decoded with the limits the device gives, without registers");
    }
    run.limits = run.profile->nominal;
  }
  if (dt.limits) {
    const PhaseLimits& a = *dt.limits;
    const PhaseLimits& b = run.profile->nominal;
    if (a.tseg1Min != b.tseg1Min || a.tseg1Max != b.tseg1Max || a.tseg2Min != b.tseg2Min ||
        a.tseg2Max != b.tseg2Max || a.sjwMax != b.sjwMax || a.brpMin != b.brpMin ||
        a.brpMax != b.brpMax || a.brpInc != b.brpInc) {
      if (run.profile != &adHoc)
        r.notes.push_back("the device's bittiming_const differs from the " + run.profile->name +
                          " profile's; its own limits are used for the checks");
      if (a.brpInc >= 1) run.limits = a;
    }
  }
  run.clockHz = dt.clockHz;
  r.request.push_back(Line("controller", "Controller", run.profile->name));
  r.request.push_back(Line("controller_description", "Description", run.profile->description));
  r.request.push_back(Line("device", "Device", dt.device.empty() ? "unnamed" : PrintableLine(dt.device)));
  r.request.push_back(Line("bittiming_const", "Device's bittiming_const", dt.constName.empty() ? "not given" : PrintableLine(dt.constName)));
  r.request.push_back(Line("clock_hz", "Clock (kernel) Hz", Num(run.clockHz), CellKind::Number));
  r.request.push_back(Line("kernel_tq_ns", "Kernel tq ns", Num(dt.tq), CellKind::Number));
  r.request.push_back(dt.bitrate ? Line("kernel_bitrate", "Kernel bitrate bit/s", Num(*dt.bitrate), CellKind::Number)
                                 : Line("kernel_bitrate", "Kernel bitrate bit/s", "", CellKind::Null));
  const std::uint64_t fromTq = KernelBrpForTq(dt.clockHz, dt.tq, std::max(1u, run.limits.brpInc));
  if (dt.brp && *dt.brp != fromTq) {
    errors << "kelvane-calc: " << source << ": brp " << *dt.brp << " does not go with tq " << dt.tq
           << " ns at clock " << dt.clockHz << " Hz, which give brp " << fromTq << '\n';
    return kExitUsage;
  }
  if (fromTq < 1 || fromTq > UINT32_MAX || dt.sjw < 1 || dt.phaseSeg2 < 1 || dt.propSeg + dt.phaseSeg1 < 1) {
    errors << "kelvane-calc: " << source << ": the bittiming holds no timing (brp " << fromTq
           << ", sjw " << dt.sjw << ", phase-seg2 " << dt.phaseSeg2 << ")\n";
    return kExitUsage;
  }
  // A figure that did not come from this timing is not the kernel's rounding,
  // and no note may call it that.
  const std::uint64_t quanta = std::uint64_t{1} + dt.propSeg + dt.phaseSeg1 + dt.phaseSeg2;
  if (dt.bitrate && !ReportedBitrateFits(*dt.bitrate, dt.clockHz, fromTq, quanta)) {
    const std::uint64_t own = quanta > UINT64_MAX / fromTq ? 0 : dt.clockHz / (fromTq * quanta);
    errors << "kelvane-calc: " << source << ": bitrate " << *dt.bitrate << " does not go with brp " << fromTq
           << " and " << quanta << " tq at clock " << dt.clockHz << " Hz, which give " << own << " bit/s\n";
    return kExitUsage;
  }
  PhaseTiming t;
  t.brp = static_cast<std::uint32_t>(fromTq);
  t.propSeg = dt.propSeg;
  t.phaseSeg1 = dt.phaseSeg1;
  t.phaseSeg2 = dt.phaseSeg2;
  t.sjw = dt.sjw;
  t.tripleSampling = dt.tripleSampling;
  std::optional<Ratio> wanted;
  if (o.hasBaud) {
    Ratio w;
    if (!ReadRate(run, w, f)) {
      errors << "kelvane-calc: " << PrintableLine(f.message) << '\n';
      return f.status;
    }
    wanted = w;
  }
  std::vector<std::string> problems;
  LimitProblems(run, t, true, problems);
  bool registersOk = !run.profile->registers.empty();
  if (registersOk) {
    const Encoded e = Encode(run.profile->registers, NominalValues(t));
    if (!e.error.empty()) {
      problems.push_back("the registers cannot hold this timing: " + e.error);
      registersOk = false;
    }
  }
  AddPropagation(run);
  r.request.push_back(Line("bitrate", "Bit rate asked bit/s", wanted ? RatioText(*wanted, 3) : "",
                           wanted ? CellKind::Number : CellKind::Null));
  r.request.push_back(Line("oscillator_tolerance_ppm", "Oscillator tolerance ppm",
                           Num(run.tolerancePpm), CellKind::Number));
  const Ratio own = BitRate(run.clockHz, t.brp, t.QuantaPerBit()).value_or(Ratio{0, 1});
  if (!wanted)
    r.notes.push_back("the rate is the setting's own (" + Kbit(own) + " kbit/s); the kernel reports it rounded down");
  OneSetting(run, "kernel", t, wanted.value_or(own), registersOk, std::move(problems));
  if (data) {
    if (run.profile == &adHoc && data->limits) adHoc.data = data->limits;
    std::string message;
    const FdContext fd{run.o, *run.profile, run.clockHz, run.tolerancePpm, run.propagation};
    if (!AddFdDevice(fd, t, r.settings.front().setting.errorPpm, *data, r, message)) {
      errors << "kelvane-calc: " << PrintableLine(source + ": " + message) << '\n';
      return kExitUsage;
    }
  } else if (run.o.tdcLoopNs) {
    r.notes.push_back("--tdc-loop-ns: the device has no data phase, so no TDC to check");
  }
  return kExitListed;
}

std::string LimitsText(const PhaseLimits& l) {
  return "tseg1 " + Num(l.tseg1Min) + "-" + Num(l.tseg1Max) + ", tseg2 " + Num(l.tseg2Min) + "-" +
         Num(l.tseg2Max) + ", sjw 1-" + Num(l.sjwMax) + ", brp " + Num(l.brpMin) + "-" +
         Num(l.brpMax) + (l.brpInc > 1 ? " step " + Num(l.brpInc) : "");
}

std::string LayoutText(const RegisterLayout& layout) {
  std::string text;
  for (const Register& reg : layout.registers) {
    if (!text.empty()) text += "; ";
    text += reg.name + "(" + Num(reg.width) + "):";
    for (const Field& f : layout.fields) {
      if (f.reg != reg.name) continue;
      text.append(" ").append(f.name).append("[");
      if (f.width > 1) text.append(Num(f.lsb + f.width - 1)).append(":");
      text.append(Num(f.lsb)).append("]");
      if (f.quantity == Quantity::Other) continue;
      text.append("=").append(QuantityName(f.quantity));
      if (f.quantity == Quantity::Constant)
        text.append(" ").append(Num(f.constant));
      else if (f.quantity == Quantity::TdcMode)
        text.append(" (auto ").append(Num(f.constant ? f.constant : 1)).append(")");
      else if (f.coding == Coding::MinusOne)
        text.append("-1");
      else if (f.coding == Coding::HalfMinusOne)
        text.append("/2-1");
    }
  }
  if (layout.phaseSeg1Spills) text += "; phase-seg1 beyond its field goes into prop-seg";
  return text.empty() ? "none known" : text;
}

std::string TdcText(const ControllerProfile& p) {
  std::string text(TdcRuleName(p.tdcRule));
  if (p.tdc)
    text += " (tdc_const: tdcv " + Num(p.tdc->tdcvMin) + "-" + Num(p.tdc->tdcvMax) + ", tdco " +
            Num(p.tdc->tdcoMin) + "-" + Num(p.tdc->tdcoMax) + ", tdcf " + Num(p.tdc->tdcfMin) + "-" +
            Num(p.tdc->tdcfMax) + ")";
  return text;
}

int ListControllers(const Run& run, std::ostream& out) {
  if (run.o.format == OutputFormat::Json) {
    out << ProfilesToJson(run.profiles, 2) << '\n';
    return kExitListed;
  }
  ControllerReport r;
  for (std::size_t i = 0; i < run.profiles.size(); ++i) {
    const ControllerProfile& p = run.profiles[i];
    if (FindProfile(run.profiles, p.name) != &p) continue;  // a file's profile hides the table's
    std::string aliases;
    for (const std::string& a : p.aliases) aliases += (aliases.empty() ? "" : " ") + a;
    r.rowsKey = "controllers";
    r.rows.push_back({{"name", "controller", p.name, CellKind::Text},
                 {"aliases", "aliases", aliases, CellKind::Text},
                 {"from", "from", i < run.fromFile ? "file" : "built in", CellKind::Text},
                 {"clock", "clock the kernel reports", p.clock.text, CellKind::Text},
                 {"limits", "limits (bittiming_const)", LimitsText(p.nominal), CellKind::Text},
                 {"triple_sampling", "3x", p.tripleSampling ? "yes" : "no", CellKind::Bool},
                 {"registers", "registers", LayoutText(p.registers), CellKind::Text},
                 {"data_limits", "data phase (data_bittiming_const)",
                  p.data ? LimitsText(*p.data) : "none (classical CAN)", CellKind::Text},
                 {"tdc", "TDC", TdcText(p), CellKind::Text},
                 {"data_registers", "data and TDC registers",
                  p.data ? LayoutText(p.dataRegisters) : "", CellKind::Text}});
  }
  WriteControllerReport(r, run.o.format, out);
  return kExitListed;
}

}  // namespace

bool IsSja1000Profile(std::string_view name) {
  const ControllerProfile* p = FindProfile(BuiltInProfiles(), name);
  return p != nullptr && p->name == "sja1000";
}

int RunController(const CalcOptions& o, std::ostream& out, std::ostream& errors) {
  Run run{o, {}, 0, nullptr, {}, 0, 0, {}, {}, {}};
  Failure f;
  const auto fail = [&]() {
    errors << "kelvane-calc: " << PrintableLine(f.message) << '\n';
    return f.status;
  };
  if (!LoadProfiles(run, f)) return fail();
  if (o.listControllers) return ListControllers(run, out);
  if (!ReadTolerance(run, f)) return fail();
  if (!LoadPropagationDelay(o, run.delayNs, run.propagation, f.status, f.message)) return fail();
  int status = kExitListed;
  if (o.ipJsonPath) {
    status = FromIpJson(run, errors);
    if (status == kExitUsage || status == kExitFile) return status;
  } else {
    if (!ChooseProfile(run, *o.controller, f)) return fail();
    run.report.request.push_back(Line("controller", "Controller", run.profile->name));
    run.report.request.push_back(Line("controller_description", "Description", run.profile->description));
    if (!ResolveClock(run, f)) return fail();
    status = o.decodeRegisters ? DecodeRegisters(run, errors) : Search(run, errors);
    if (status == kExitUsage || status == kExitFile) return status;
  }
  WriteControllerReport(run.report, o.format, out);
  if ((o.picture || o.svgPath) && (!run.report.settings.empty() || run.report.madeCount > 0)) {
    SettingRow first;
    if (run.report.settings.empty()) run.report.make(0, first);
    const SettingRow& shown = run.report.settings.empty() ? first : run.report.settings.front();
    const std::string rate = Kbit(shown.setting.bitrate) + " kbit/s";
    const std::string title = "Bit timing of " + run.profile->name + " at " + rate;
    std::vector<BitBlock> blocks{{"The bit at " + rate, SettingBitRows(run.report, false)}};
    if (!run.report.dataSettings.empty()) {
      blocks.push_back({"The data bit at " + Kbit(run.report.dataSettings.front().setting.bitrate) + " kbit/s",
                        SettingBitRows(run.report, true)});
      for (cantiming::BitRow& row : blocks.back().rows) row.label = "data " + row.label;
    }
    const int drawn = DrawBits(blocks, o.picture, ColourWanted(o.terminal), o.svgPath, title, out, errors);
    if (drawn != kExitListed) return drawn;
  }
  return status;
}

}  // namespace kelvane::cli
