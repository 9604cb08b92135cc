#include "fd_runner.h"

#include "calc_runner.h"
#include "socketcan.h"

#include "fd_combination.h"
#include "fd_phase.h"
#include "kernel_pick.h"
#include "timing_search.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace kelvane::cli {

namespace {

using namespace cantiming;

constexpr std::size_t kShortList = 20;
constexpr std::size_t kMostPairs = 1000;  // pairs listed with --all

std::string Num(std::uint64_t v) { return std::to_string(v); }

ReportLine Line(const char* key, const char* label, std::string text,
                CellKind kind = CellKind::Text) {
  return {key, label, std::move(text), kind};
}
ReportLine NumberLine(const char* key, const char* label, std::uint64_t v) {
  return Line(key, label, Num(v), CellKind::Number);
}
ReportLine BoolLine(const char* key, const char* label, bool v) {
  return Line(key, label, v ? "yes" : "no", CellKind::Bool);
}
ReportLine NullLine(const char* key, const char* label) { return Line(key, label, "", CellKind::Null); }

std::string Kbit(const Ratio& r) { return Decimal(ToDouble(r) / 1000.0, 3); }

// The data phase's own bound, condition 3 of the five: SJW(D) / (20 x DBT).
Ratio DataOwnTolerance(const PhaseTiming& t) {
  return MakeRatio(t.sjw, 20ull * t.QuantaPerBit()).value_or(Ratio{0, 1});
}

// The transmitter's loop delay: --tdc-loop-ns, else the transceiver's
// tTX + tRX with the controller's logic delay.
struct Loop {
  std::optional<std::uint64_t> ns;
  std::string from = "not given";
};

Loop LoopDelay(const FdContext& c) {
  Loop loop;
  if (c.options.tdcLoopNs) {
    loop.ns = *c.options.tdcLoopNs;
    loop.from = "--tdc-loop-ns";
    return loop;
  }
  std::optional<long long> effect, logic;
  for (const ReportField& f : c.propagation) {
    if (f.key == "tloop_effect_ns") effect = std::atoll(f.text.c_str());
    if (f.key == "logic_delay_ns") logic = std::atoll(f.text.c_str());
  }
  if (effect && *effect >= 0) {
    loop.ns = static_cast<std::uint64_t>(*effect + std::max(0LL, logic.value_or(0)));
    loop.from = "transceiver tTX + tRX + logic delay";
  }
  return loop;
}

// What TDC does for one data timing, judged against the loop delay.
struct TdcVerdict {
  TdcChoice choice;
  std::optional<std::uint64_t> loopClocks;
  std::optional<std::uint64_t> measurableClocks;
  std::optional<bool> measurable;
  std::optional<bool> needed;
  bool works = true;  // the offset holds what the rule meant and the delay is covered
};

TdcVerdict JudgeTdc(const FdContext& c, const Loop& loop, const PhaseTiming& data) {
  TdcVerdict v;
  v.choice = DriverTdc(c.profile, c.clockHz, data);
  v.measurableClocks = TdcMeasurableClocks(c.profile);
  if (loop.ns) {
    v.loopClocks = LoopDelayClocks(*loop.ns, c.clockHz);
    v.needed = DataPhaseNeedsTdc(*loop.ns, c.clockHz, data);
    if (v.measurableClocks) v.measurable = *v.loopClocks <= *v.measurableClocks;
  }
  v.works = !v.choice.truncated;
  // ISO 11898-1 compensates the delay only with a data prescaler of 1 or 2.
  if (v.needed && *v.needed && (!v.choice.enabled || data.brp > 2)) v.works = false;
  if (v.choice.enabled && v.measurable && !*v.measurable) v.works = false;
  return v;
}

std::string RuleText(TdcRule rule) {
  switch (rule) {
    case TdcRule::None: return "none (the driver leaves TDC off)";
    case TdcRule::Kernel: return "the kernel's can_calc_tdco: auto with a data brp of 1 or 2";
    case TdcRule::MCan: return "m_can's own: above 2.5 Mbit/s, TDCO at the data sample point, at most 127";
    case TdcRule::Flexcan: return "flexcan's own: always on, TDCOFF in 5 bits";
  }
  return {};
}

// `tdc-mode ... tdco ...` for drivers that take TDC through netlink; empty
// for those that set it themselves (they refuse the options).
std::string TdcIpOptions(const FdContext& c, const TdcChoice& t) {
  if (c.profile.tdcRule != TdcRule::Kernel) return {};
  return t.enabled ? "tdc-mode auto tdco " + Num(t.tdco) : "tdc-mode off";
}

std::vector<std::pair<std::string, std::string>> TdcRegisters(const RegisterLayout& layout,
                                                              const Encoded& e) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const RegisterValue& r : e.registers) {
    const bool holdsTdc = std::any_of(layout.fields.begin(), layout.fields.end(), [&](const Field& f) {
      return f.reg == r.name && (f.quantity == Quantity::TdcMode || f.quantity == Quantity::TdcOffset);
    });
    if (holdsTdc) out.emplace_back(r.name, HexText(r.value, r.width));
  }
  return out;
}

void TdcLines(const FdContext& c, const Loop& loop, const TdcVerdict& v,
              std::vector<ReportLine>& lines) {
  const TdcChoice& t = v.choice;
  lines.push_back(Line("rule", "TDC rule", std::string(TdcRuleName(c.profile.tdcRule))));
  lines.push_back(Line("rule_text", "TDC set by", RuleText(c.profile.tdcRule)));
  lines.push_back(Line("mode", "TDC mode", t.enabled ? "auto" : "off"));
  lines.push_back(NumberLine("tdco", "TDCO clock periods", t.tdco));
  lines.push_back(NumberLine("tdco_intended", "TDCO by the rule", t.intended));
  lines.push_back(Line("tdco_ns", "TDCO ns", Decimal(t.tdco * 1e9 / c.clockHz, 3), CellKind::Number));
  lines.push_back(BoolLine("capped", "TDCO capped", t.capped));
  lines.push_back(BoolLine("truncated", "TDCO cut to its field", t.truncated));
  lines.push_back(loop.ns ? NumberLine("loop_delay_ns", "Loop delay ns", *loop.ns)
                          : NullLine("loop_delay_ns", "Loop delay ns"));
  lines.push_back(Line("loop_delay_from", "Loop delay from", loop.from));
  lines.push_back(v.loopClocks ? NumberLine("loop_delay_clocks", "Loop delay clock periods", *v.loopClocks)
                               : NullLine("loop_delay_clocks", "Loop delay clock periods"));
  lines.push_back(v.measurableClocks
                      ? NumberLine("measurable_clocks", "TDC measures up to", *v.measurableClocks)
                      : NullLine("measurable_clocks", "TDC measures up to"));
  lines.push_back(v.measurable ? BoolLine("measurable", "Loop delay measurable", *v.measurable)
                               : NullLine("measurable", "Loop delay measurable"));
  lines.push_back(v.needed ? BoolLine("needs_tdc", "Data phase needs TDC", *v.needed)
                           : NullLine("needs_tdc", "Data phase needs TDC"));
  lines.push_back(BoolLine("works", "TDC setting works", v.works));
  const std::string options = TdcIpOptions(c, t);
  lines.push_back(options.empty() ? NullLine("ip_link_options", "ip link TDC options")
                                  : Line("ip_link_options", "ip link TDC options", options));
}

// Sentences for what does not work, or holds a surprise.
void TdcNotes(const FdContext& c, const Loop& loop, const PhaseTiming& data, const TdcVerdict& v,
              const std::string& whose, std::vector<std::string>& notes) {
  const TdcChoice& t = v.choice;
  if (t.truncated)
    notes.push_back(whose + ": flexcan writes TDCOFF " + Num(t.intended) + " into 5 bits, which keep " +
                    Num(t.tdco) + ": the secondary sample point lands in the wrong place and this " +
                    "setting does not work; a data timing with its sample point within 31 clock " +
                    "periods does");
  if (t.capped)
    notes.push_back(whose + ": TDCO " + Num(t.intended) + " is capped at " + Num(t.tdco) +
                    ": the secondary sample point comes before the data sample point");
  if (v.needed && *v.needed && !t.enabled)
    notes.push_back(whose + ": the loop delay of " + Num(*loop.ns) + " ns is longer than the " +
                    Decimal((data.propSeg + data.phaseSeg1) * data.brp * 1e9 / c.clockHz, 3) +
                    " ns before the data sample point, so the data phase needs TDC, which " +
                    (c.profile.tdcRule == TdcRule::None ? "this controller does not have"
                                                        : "its driver leaves off for this setting"));
  if (v.needed && *v.needed && t.enabled && data.brp > 2)
    notes.push_back(whose + ": the data phase needs TDC, which ISO 11898-1 provides for a data brp " +
                    "of 1 or 2 only; this one has " + Num(data.brp));
  if (t.enabled && v.measurable && !*v.measurable)
    notes.push_back(whose + ": the loop delay is " + Num(*v.loopClocks) + " clock periods, beyond the " +
                    Num(*v.measurableClocks) + " the TDC measures at this clock");
}

SettingRow MakeRow(const char* source, std::size_t index, bool recommended, const Setting& s,
                   bool toleranceOk, bool propagationOk, const RegisterLayout& layout,
                   const QuantityValues* values) {
  SettingRow row;
  row.source = source;
  row.index = index;
  row.recommended = recommended;
  row.setting = s;
  row.toleranceOk = toleranceOk;
  row.propagationOk = propagationOk;
  if (values && !layout.empty()) {
    const Encoded e = Encode(layout, *values);
    row.registerCount = static_cast<std::uint8_t>(std::min(e.registers.size(), kMostRegisters));
    for (std::size_t i = 0; i < row.registerCount; ++i) row.registers[i] = e.registers[i].value;
  }
  return row;
}

void DataColumns(const FdContext& c, ControllerReport& r) {
  r.dataRegisterColumns.clear();
  for (const Register& reg : c.profile.dataRegisters.registers)
    r.dataRegisterColumns.push_back({reg.name, reg.width});
}

std::string Timing(const char* prefix, const PhaseTiming& t, std::uint32_t tq) {
  const std::string p(prefix);
  return p + "tq " + Num(tq) + " " + p + "prop-seg " + Num(t.propSeg) + " " + p + "phase-seg1 " +
         Num(t.phaseSeg1) + " " + p + "phase-seg2 " + Num(t.phaseSeg2) + " " + p + "sjw " + Num(t.sjw);
}

// The paste block and networkd section for a pair; tdcOptions as TdcIpOptions
// gives them (empty: none); tdc is what the kernel or driver sets without them.
void Paste(const FdContext& c, ControllerReport& r, const std::string& which, const PhaseTiming& n,
           std::uint32_t nTq, const PhaseTiming& d, std::uint32_t dTq, const TdcChoice& tdc,
           const std::string& tdcOptions) {
  const SocketCanTiming nominal{nTq, static_cast<int>(n.propSeg), static_cast<int>(n.phaseSeg1),
                                static_cast<int>(n.phaseSeg2), static_cast<int>(n.sjw), false};
  std::string settings = CanTypeSettings(nominal) + " " + Timing("d", d, dTq);
  if (!tdcOptions.empty()) settings += " " + tdcOptions;
  settings += " fd on";
  r.pasteNote = which + ", through SocketCAN (Linux 6.3 and later check sjw against both phase segments):";
  r.ipLink = IpLinkBlock(*c.options.ipLinkDevice, settings);
  r.networkd = NetworkdSection(nominal) + "DataTimeQuantaNSec=" + Num(dTq) + "\nDataPropagationSegment=" +
               Num(d.propSeg) + "\nDataPhaseBufferSegment1=" + Num(d.phaseSeg1) +
               "\nDataPhaseBufferSegment2=" + Num(d.phaseSeg2) + "\nDataSyncJumpWidth=" + Num(d.sjw) +
               "\nFDMode=yes\n";
  if (c.profile.tdcRule == TdcRule::Kernel)
    r.networkd += "# networkd has no TDC keys: the kernel then runs can_calc_tdco itself (" +
                  (tdc.enabled ? "auto, tdco " + Num(tdc.tdco) : std::string("off")) + ")\n";
  else if (c.profile.tdcRule != TdcRule::None)
    r.networkd += "# TDC is the driver's own (" +
                  (tdc.enabled ? "on, offset " + Num(tdc.tdco) : std::string("off")) + ")\n";
}

ReportLine* FindLine(std::vector<ReportLine>& lines, std::string_view key) {
  for (ReportLine& l : lines)
    if (l.key == key) return &l;
  return nullptr;
}

// The data kernel pick for `dbitrate D [dsample-point T]`, its TDC, and the
// kernel's pair judged by the five conditions.
void AddDataKernelPick(const FdContext& c, const Loop& loop, const Ratio& wanted,
                       ControllerReport& r) {
  r.hasDataKernelPick = true;
  const double asked = ToDouble(wanted);
  if (!(asked >= 0.5 && asked < 4294967295.5)) {
    r.afterSettings.push_back(Line("data_kernel_pick_reason", "Kernel's data pick",
                                   "ip link takes a dbitrate from 1 to 4294967295 bit/s"));
    return;
  }
  const auto bitrate = static_cast<std::uint32_t>(std::llround(asked));
  std::uint32_t tenths = 0;
  if (c.options.dataSamplePoint)
    tenths = static_cast<std::uint32_t>(std::lround(*c.options.dataSamplePoint * 10.0));
  if (ReportLine* command = FindLine(r.afterSettings, "kernel_command")) {
    command->text += " dbitrate " + Num(bitrate);
    if (tenths != 0) command->text += " dsample-point " + Decimal(tenths / 1000.0, 3);
    command->text += " fd on";
  }
  const KernelPick pick = CalcBitTiming(*c.profile.data, c.clockHz, bitrate, tenths);
  if (!HasTiming(pick)) {
    r.afterSettings.push_back(Line("data_kernel_pick_reason", "Kernel's data pick", NoTimingReason(pick)));
    return;
  }
  Setting s = Evaluate(pick.timing, c.clockHz, wanted);
  s.kernelTqNs = pick.tqNs;
  s.tolerance = DataOwnTolerance(pick.timing);
  s.tolerancePpm = ToDouble(s.tolerance) * 1e6;
  const TdcVerdict v = JudgeTdc(c, loop, pick.timing);
  const QuantityValues values = DataValues(c.profile.dataRegisters, pick.timing, v.choice);
  std::string problem;
  if (pick.outcome != KernelPick::Outcome::Chosen)
    problem = "the kernel's search misbehaves: " + pick.reason + "; no registers";
  const Encoded e = Encode(c.profile.dataRegisters, values);
  if (problem.empty() && !e.error.empty())
    problem = "the kernel's search misbehaves: its data pick does not fit the registers (" + e.error +
              "); no registers";
  r.dataKernelPick = MakeRow("kernel", 0, false, s, WithinTolerance(s.bitrate, wanted, c.tolerancePpm, s.tolerance),
                             v.works, c.profile.dataRegisters, problem.empty() ? &values : nullptr);
  r.afterSettings.push_back(problem.empty() ? Line("data_kernel_pick_reason", "Kernel's data pick",
                                                   "the data row marked kernel", CellKind::Null)
                                            : Line("data_kernel_pick_reason", "Kernel's data pick", problem));
  r.afterSettings.push_back(NumberLine("data_kernel_bitrate", "Kernel's dbitrate bit/s", pick.bitrate));
  if (pick.errorTenthsPct != 0)
    r.notes.push_back("the kernel warns for the data phase: bitrate error " + Num(pick.errorTenthsPct / 10) +
                      "." + Num(pick.errorTenthsPct % 10) + "%");
  TdcLines(c, loop, v, r.kernelTdc);
  r.kernelTdc.insert(r.kernelTdc.begin(), Line("for", "TDC for", "the kernel's pick"));
  if (problem.empty()) r.kernelTdcRegisters = TdcRegisters(c.profile.dataRegisters, e);
  TdcNotes(c, loop, pick.timing, v, "the kernel's pick", r.notes);
  if (r.kernelPick) {
    if (const auto t = FdTolerance(r.kernelPick->setting.timing, pick.timing)) {
      r.afterSettings.push_back(Line("kernel_fd_tolerance_ppm", "Kernel's pair FD tolerance ppm",
                                     Decimal(t->limit * 1e6, 1), CellKind::Number));
      r.afterSettings.push_back(NumberLine("kernel_limiting_condition", "Kernel's pair limited by condition",
                                           static_cast<std::uint64_t>(t->limitingCondition)));
      const double error = std::max(std::fabs(r.kernelPick->setting.errorPpm), std::fabs(s.errorPpm));
      if (!WithinFdTolerance(*t, error, c.tolerancePpm))
        r.notes.push_back("the kernel's pair does not cover the oscillator tolerance: its FD tolerance is " +
                          Decimal(t->limit * 1e6, 1) + " ppm (condition " + Num(t->limitingCondition) +
                          "), below " + Decimal(error + c.tolerancePpm, 1) + " ppm");
    }
  }
}

}  // namespace

std::string CheckFdRequest(const FdContext& c, const Ratio& nominalWanted) {
  if (!c.profile.data)
    return "--data-bitrate: " + c.profile.name + " has no data phase (a classical CAN " +
           "controller); CAN FD needs m_can, mcp2518fd, flexcan-fd or a file's FD controller";
  const std::optional<Ratio> data = ParseKbitText(*c.options.dataBitrateText);
  if (!data || Compare(*data, Ratio{1ull << 40, 1}) > 0)
    return "--data-bitrate " + QuotedLine(*c.options.dataBitrateText) +
           ": give the rate in kbit/s, digits with at most one point (2000, 5000)";
  if (Compare(*data, nominalWanted) < 0)
    return "--data-bitrate " + Kbit(*data) + " kbit/s is below the nominal " + Kbit(nominalWanted) +
           " kbit/s: the data phase runs at least as fast as the arbitration";
  return {};
}

int AddFdSearch(const FdContext& c, const FdNominalPhase& nominal, ControllerReport& r,
                std::ostream& errors) {
  const CalcOptions& o = c.options;
  const ControllerProfile& p = c.profile;
  const Ratio wanted = *ParseKbitText(*o.dataBitrateText);
  const Loop loop = LoopDelay(c);
  r.fd = true;

  // The data phase's search, as the nominal one: exact, else the nearest rate.
  const double targetPct =
      o.dataSamplePoint ? *o.dataSamplePoint : CiaSamplePointTenths(wanted) / 10.0;
  r.request.push_back(Line("data_bitrate", "Data bit rate asked bit/s", Decimal(ToDouble(wanted), 3), CellKind::Number));
  r.request.push_back(Line("data_sample_point_target_pct", "Data sample point wanted %",
                           Decimal(targetPct, 4), CellKind::Number));
  r.request.push_back(Line("data_sample_point_rule", "Data sample point from", o.dataSamplePoint ? "given" : "cia"));
  const RegisterLayout dataLayout = DataAsNominal(p.dataRegisters);
  SearchRequest request;
  request.limits = dataLayout.empty() ? *p.data : HeldLimits(*p.data, dataLayout);
  request.split = SplitBoundsOf(dataLayout);
  request.clockHz = c.clockHz;
  request.wanted = wanted;
  std::vector<PhaseTiming> timings = ExactTimings(request);
  const std::size_t exactCount = timings.size();
  r.request.push_back(NumberLine("data_exact_count", "Data exact settings", exactCount));
  std::optional<Ratio> nearest;
  if (timings.empty() && o.nearest) {
    if (std::optional<NearestResult> n = NearestTimings(request)) {
      nearest = n->bitrate;
      timings = std::move(n->timings);
    }
  }

  struct Data {
    Setting s;
    bool toleranceOk = true;
    TdcVerdict tdc;
    bool Pass() const { return toleranceOk && tdc.works; }
  };
  std::vector<Data> data;
  data.reserve(timings.size());
  for (const PhaseTiming& t : timings) {
    Data d{Evaluate(t, c.clockHz, wanted), true, JudgeTdc(c, loop, t)};
    d.s.kernelTqNs = KernelTqFor(c.clockHz, t.brp, p.data->brpInc);
    d.s.tolerance = DataOwnTolerance(t);
    d.s.tolerancePpm = ToDouble(d.s.tolerance) * 1e6;
    d.toleranceOk = WithinTolerance(d.s.bitrate, wanted, c.tolerancePpm, d.s.tolerance);
    data.push_back(std::move(d));
  }
  std::vector<std::int64_t> miss(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) miss[i] = SamplePointMiss(data[i].s.timing, targetPct);
  std::vector<std::size_t> order(data.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    if (data[i].Pass() != data[j].Pass()) return data[i].Pass();
    if (miss[i] != miss[j]) return miss[i] < miss[j];
    return Compare(data[i].s.tolerance, data[j].s.tolerance) > 0;
  });

  // The pairs.
  const std::vector<FdCandidate>& nc = nominal.candidates;
  std::vector<FdCandidate> dc(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Data& d = data[order[k]];
    dc[k].timing = d.s.timing;
    dc[k].errorPpm = d.s.errorPpm;
    dc[k].exact = !nearest;
    dc[k].usable = d.Pass();
    dc[k].samplePointMiss = miss[order[k]];
  }
  const std::size_t limit = o.best ? 1 : (o.all ? kMostPairs : kShortList);
  const FdRanking ranking = RankCombinations(nc, dc, c.tolerancePpm, limit);
  const FdCombination* rec = ranking.recommended ? &ranking.listed[*ranking.recommended] : nullptr;

  // The nominal list marks the pair's nominal setting; with --best it is the
  // one row. Rows are held, or made as they are written (at listing positions).
  const std::size_t nominalListed = r.settings.size() + r.madeCount;
  const std::optional<std::size_t> recNominal =
      rec ? std::optional<std::size_t>(rec->nominal) : std::nullopt;
  if (r.make) {
    auto inner = r.make;
    if (o.best) {
      r.madeCount = rec ? 1 : 0;
      const std::size_t at = recNominal.value_or(0);
      r.make = [inner, at](std::size_t, SettingRow& row) {
        inner(at, row);
        row.index = 1;
        row.recommended = true;
      };
    } else {
      r.make = [inner, recNominal, held = r.settings.size()](std::size_t i, SettingRow& row) {
        inner(i, row);
        row.recommended = recNominal && *recNominal == held + i;
      };
    }
  }
  for (std::size_t i = 0; i < r.settings.size(); ++i) r.settings[i].recommended = recNominal && *recNominal == i;
  if (o.best && !r.settings.empty()) {
    std::vector<SettingRow> kept;
    if (recNominal && *recNominal < r.settings.size()) kept.push_back(r.settings[*recNominal]);
    r.settings = std::move(kept);
    for (SettingRow& row : r.settings) row.index = 1;
  }
  if (o.best)
    if (ReportLine* listed = FindLine(r.request, "listed_count")) listed->text = Num(r.settings.size() + r.madeCount);

  // The data list.
  DataColumns(c, r);
  std::size_t shown = order.size();
  if (o.best) shown = 0;
  else if (!o.all) shown = std::min(shown, kShortList);
  const auto dataRow = [&](const Data& d, std::size_t index, bool recommended) {
    const QuantityValues values = DataValues(p.dataRegisters, d.s.timing, d.tdc.choice);
    return MakeRow("kelvane", index, recommended, d.s, d.toleranceOk, d.tdc.works, p.dataRegisters, &values);
  };
  for (std::size_t k = 0; k < shown; ++k)
    r.dataSettings.push_back(dataRow(data[order[k]], k + 1, rec && rec->data == k));
  if (o.best && rec) r.dataSettings.push_back(dataRow(data[order[rec->data]], 1, true));
  r.request.push_back(NumberLine("data_listed_count", "Data listed", r.dataSettings.size()));
  r.request.push_back(NumberLine("combination_count", "Pairs", ranking.total));
  if (nearest) {
    r.request.push_back(Line("data_nearest_bitrate", "Data nearest rate bit/s", Decimal(ToDouble(*nearest), 3), CellKind::Number));
    r.request.push_back(Line("data_nearest_error_ppm", "Data nearest rate error ppm",
                             Decimal(ErrorPpm(*nearest, wanted), 3), CellKind::Number));
  }
  r.request.push_back(Line("tdc_loop_delay_from", "TDC loop delay from", loop.from));

  // The pairs as listed; both lists are in the candidates' order, so a
  // pair's rows are its candidates' positions.
  const std::size_t dataListed = r.dataSettings.size();
  for (std::size_t i = 0; i < ranking.listed.size(); ++i) {
    const FdCombination& f = ranking.listed[i];
    FdComboRow row;
    row.index = i + 1;
    row.recommended = ranking.recommended && *ranking.recommended == i;
    row.nominal = nc[f.nominal].timing;
    row.data = dc[f.data].timing;
    row.nominalIndex = o.best ? 1 : (f.nominal < nominalListed ? f.nominal + 1 : 0);
    row.dataIndex = o.best ? 1 : (f.data < dataListed ? f.data + 1 : 0);
    row.tolerancePpm = f.tolerance.limit * 1e6;
    row.limitingCondition = f.tolerance.limitingCondition;
    row.toleranceOk = f.withinTolerance;
    row.settingsOk = nc[f.nominal].usable && dc[f.data].usable;
    if (o.best && !row.recommended) continue;
    if (o.best) row.index = 1;
    r.combinations.push_back(row);
  }
  if (!o.best && ranking.listed.size() < ranking.total)
    r.notes.push_back("the best " + Num(std::min(ranking.listed.size(), limit)) + " of " + Num(ranking.total) +
                      " pairs are listed" + (o.all ? " (--all lists at most " + Num(kMostPairs) + ")" : "; --all lists more"));
  if (!o.best && shown < order.size())
    r.notes.push_back("the best " + Num(shown) + " of " + Num(order.size()) +
                      " data settings are shown; --all lists every one");
  if (!ranking.searchedAll)
    r.notes.push_back("the search for a recommendable pair stopped after two million pairs");
  if (!data.empty() && !rec)
    r.notes.push_back("no pair passes: its FD tolerance covers the rate errors and --tolerance, and "
                      "neither setting is marked; none is recommended");
  if (rec && p.tdcRule == TdcRule::Flexcan) {
    // Surprising unless said: the driver's TDC, not the ranking, keeps the
    // data sample point early.
    const std::int64_t chosenMiss = miss[order[rec->data]];
    const bool laterRefused = std::any_of(order.begin(), order.end(), [&](std::size_t i) {
      return miss[i] < chosenMiss && !data[i].tdc.works;
    });
    if (laterRefused)
      r.notes.push_back("flexcan turns TDC on at every data rate and writes its offset (the data "
                        "sample point in clock periods) into 5 bits: the data settings nearer the "
                        "sample point asked would have it cut, so the recommended one samples earlier");
  }
  if (exactCount == 0 && Compare(wanted, Ratio{100000000, 1}) > 0)
    errors << "kelvane-calc: --data-bitrate is in kbit/s: did you mean " << Decimal(ToDouble(wanted) / 1e6, 3)
           << "?\n";
  if (exactCount == 0)
    r.notes.push_back(nearest ? "no data setting gives " + Kbit(wanted) + " kbit/s exactly at this clock; the nearest rate is listed"
                              : "no data setting gives " + Kbit(wanted) + " kbit/s exactly at this clock; --nearest lists the closest rate");

  // TDC for the recommended pair, else the first data setting.
  const Data* chosen = rec ? &data[order[rec->data]] : (order.empty() ? nullptr : &data[order.front()]);
  if (chosen) {
    TdcLines(c, loop, chosen->tdc, r.tdc);
    r.tdc.insert(r.tdc.begin(), Line("for", "TDC for", rec ? "the recommended pair" : "the first data setting"));
    const Encoded e = Encode(p.dataRegisters, DataValues(p.dataRegisters, chosen->s.timing, chosen->tdc.choice));
    r.tdcRegisters = TdcRegisters(p.dataRegisters, e);
    TdcNotes(c, loop, chosen->s.timing, chosen->tdc, rec ? "the recommended pair" : "the first data setting", r.notes);
  }
  if (!loop.ns && p.tdcRule != TdcRule::None)
    r.notes.push_back("give --tdc-loop-ns or --transceiver to check the loop delay against TDC");

  AddDataKernelPick(c, loop, wanted, r);

  if (o.ipLinkDevice) {
    r.pasteAsked = true;
    r.ipLink.clear();
    r.networkd.clear();
    if (rec) {
      const PhaseTiming& n = nc[rec->nominal].timing;
      const Data& d = data[order[rec->data]];
      Paste(c, r, "the recommended pair", n, *KernelTqFor(c.clockHz, n.brp, nominal.limits.brpInc), d.s.timing,
            *d.s.kernelTqNs, d.tdc.choice, TdcIpOptions(c, d.tdc.choice));
    } else {
      r.pasteNote = data.empty() ? "no data setting listed" : "no pair is recommended";
    }
  }
  return data.empty() ? kExitNoneFound : kExitListed;
}

std::optional<Register> DataRegisterNamed(const ControllerProfile& profile, const std::string& name) {
  for (const Register& reg : profile.dataRegisters.registers) {
    if (reg.name.size() != name.size()) continue;
    if (std::equal(name.begin(), name.end(), reg.name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        }))
      return reg;
  }
  return std::nullopt;
}

namespace {

// The data phase and TDC of a decode or a device, checked against the
// profile, with the pair's tolerance.
void AddDataSetting(const FdContext& c, const char* source, const PhaseTiming& nominal,
                    double nominalErrorPpm, const PhaseTiming& data, const std::optional<Ratio>& wanted,
                    const std::optional<QuantityValues>& registerValues,
                    std::vector<std::string>& problems, ControllerReport& r) {
  const ControllerProfile& p = c.profile;
  const Loop loop = LoopDelay(c);
  r.fd = true;
  DataColumns(c, r);
  const Ratio own = BitRate(c.clockHz, data.brp, data.QuantaPerBit()).value_or(Ratio{0, 1});
  Setting s = Evaluate(data, c.clockHz, wanted.value_or(own));
  s.kernelTqNs = KernelTqFor(c.clockHz, data.brp, p.data->brpInc);
  s.tolerance = DataOwnTolerance(data);
  s.tolerancePpm = ToDouble(s.tolerance) * 1e6;
  const PhaseLimits& l = *p.data;
  const auto range = [&](const char* what, std::uint64_t v, std::uint64_t lo, std::uint64_t hi) {
    if (v < lo)
      problems.push_back(std::string("data ") + what + " " + Num(v) + " is below the controller's minimum " + Num(lo));
    else if (v > hi)
      problems.push_back(std::string("data ") + what + " " + Num(v) + " is above the controller's maximum " + Num(hi));
  };
  range("brp", data.brp, l.brpMin, l.brpMax);
  range("tseg1", data.Tseg1(), l.tseg1Min, l.tseg1Max);
  range("phase-seg2", data.phaseSeg2, l.tseg2Min, l.tseg2Max);
  range("sjw", data.sjw, 1, l.sjwMax);
  const std::string refusal = KernelRefusal(l, c.clockHz, data);
  if (!refusal.empty()) problems.push_back("the data phase is not settable through SocketCAN: " + refusal);
  const TdcVerdict v = JudgeTdc(c, loop, data);
  const bool toleranceOk = WithinTolerance(s.bitrate, wanted.value_or(own), c.tolerancePpm, s.tolerance);
  const QuantityValues values = registerValues.value_or(DataValues(p.dataRegisters, data, v.choice));
  r.dataSettings.push_back(MakeRow(source, 1, false, s, toleranceOk, v.works, p.dataRegisters, &values));
  r.request.push_back(Line("data_bitrate", "Data bit rate asked bit/s", wanted ? Decimal(ToDouble(*wanted), 3) : "",
                           wanted ? CellKind::Number : CellKind::Null));
  if (const auto t = FdTolerance(nominal, data)) {
    FdComboRow row;
    row.index = 1;
    row.nominalIndex = 1;
    row.dataIndex = 1;
    row.nominal = nominal;
    row.data = data;
    row.tolerancePpm = t->limit * 1e6;
    row.limitingCondition = t->limitingCondition;
    row.toleranceOk = WithinFdTolerance(*t, std::max(std::fabs(nominalErrorPpm), std::fabs(s.errorPpm)),
                                        c.tolerancePpm);
    row.settingsOk = toleranceOk && v.works;
    r.combinations.push_back(row);
  }
  TdcLines(c, loop, v, r.tdc);
  TdcNotes(c, loop, data, v, "this data setting", r.notes);
}

// The FD paste block for a decoded or reported pair, with TDC as it was read:
// mode and offset (and value when manual) for drivers that take them.
void PasteRead(const FdContext& c, ControllerReport& r, const PhaseTiming& n, const PhaseTiming& d,
               const std::string& mode, std::optional<std::uint64_t> tdco, std::optional<std::uint64_t> tdcv) {
  if (!c.options.ipLinkDevice) return;
  r.pasteAsked = true;
  r.ipLink.clear();
  r.networkd.clear();
  const PhaseLimits& nl = c.profile.nominal;
  const std::string nRefusal = KernelRefusal(nl, c.clockHz, n);
  const std::string dRefusal = KernelRefusal(*c.profile.data, c.clockHz, d);
  if (!nRefusal.empty() || !dRefusal.empty()) {
    r.pasteNote = "not settable through SocketCAN (Linux 6.3 and later): " +
                  (nRefusal.empty() ? "data phase: " + dRefusal : nRefusal);
    return;
  }
  if (!r.problems.empty()) {
    r.pasteNote = "the controller cannot hold these values (see the problems above)";
    return;
  }
  std::string options;
  if (c.profile.tdcRule == TdcRule::Kernel) {
    if (mode == "off" || !tdco) options = "tdc-mode off";
    else if (mode == "manual" && tdcv) options = "tdc-mode manual tdco " + Num(*tdco) + " tdcv " + Num(*tdcv);
    else options = "tdc-mode auto tdco " + Num(*tdco);
  }
  // networkd cannot pass TDC on: what the kernel or the driver then sets.
  Paste(c, r, "this pair", n, *KernelTqFor(c.clockHz, n.brp, nl.brpInc), d,
        *KernelTqFor(c.clockHz, d.brp, c.profile.data->brpInc), DriverTdc(c.profile, c.clockHz, d), options);
}

}  // namespace

bool AddFdDecode(const FdContext& c, const PhaseTiming& nominal, double nominalErrorPpm,
                 const std::vector<RegisterValue>& dataValues, ControllerReport& r,
                 std::string& message) {
  const ControllerProfile& p = c.profile;
  const RegisterLayout& layout = p.dataRegisters;
  for (const Register& reg : layout.registers) {
    if (std::none_of(dataValues.begin(), dataValues.end(), [&](const RegisterValue& v) { return v.name == reg.name; })) {
      std::string names;
      for (const Register& x : layout.registers) names += (names.empty() ? "" : ", ") + x.name;
      message = "the data phase needs " + reg.name + "=VALUE too (" + p.name + " has " + names + ")";
      return false;
    }
  }
  const Decoded d = Decode(layout, dataValues);
  {
    std::vector<std::vector<Cell>> dataRows = DecodedFieldRows(layout, d);
    r.rows.insert(r.rows.end(), std::make_move_iterator(dataRows.begin()),
                  std::make_move_iterator(dataRows.end()));
  }
  std::optional<PhaseTiming> data = DataTiming(d.values);
  if (!data) {
    message = "the data layout of " + p.name + " holds no complete timing";
    return false;
  }
  const RegisterLayout asNominal = DataAsNominal(layout);
  const bool splitKnown = RangeHeld(asNominal, Quantity::PropSeg) && RangeHeld(asNominal, Quantity::PhaseSeg1);
  if (!splitKnown) {
    if (std::optional<PhaseTiming> split = SplitTseg1(data->brp, data->phaseSeg1, data->phaseSeg2, data->sjw, 1,
                                                      SplitBoundsOf(asNominal)))
      data = split;
  }
  std::vector<std::string> problems = d.problems;
  AddDataSetting(c, "registers", nominal, nominalErrorPpm, *data, std::nullopt, d.values, problems, r);
  // TDC as the registers hold it, beside what the driver would write.
  const TdcRead read = ReadTdc(layout, d.values);
  if (read.present) {
    r.tdc.insert(r.tdc.begin(), Line("registers_mode", "TDC mode in the registers",
                                     read.mode == TdcRead::Mode::Off ? "off" : (read.mode == TdcRead::Mode::Auto ? "auto" : "manual")));
    r.tdc.insert(r.tdc.begin() + 1, read.offset ? NumberLine("registers_tdco", "TDCO in the registers", *read.offset)
                                                : NullLine("registers_tdco", "TDCO in the registers"));
    const TdcChoice driver = DriverTdc(p, c.clockHz, *data);
    if ((read.mode != TdcRead::Mode::Off) != driver.enabled || (driver.enabled && read.offset && *read.offset != driver.tdco))
      r.notes.push_back("the registers' TDC (" + std::string(read.mode == TdcRead::Mode::Off ? "off" : "on") +
                        (read.offset ? ", offset " + Num(*read.offset) : std::string()) + ") is not what the " +
                        p.name + " driver writes for this data timing (" +
                        (driver.enabled ? "on, offset " + Num(driver.tdco) : std::string("off")) + ")");
  }
  for (std::string& problem : problems) r.problems.push_back(std::move(problem));
  r.withProblems = true;
  std::vector<RegisterValue> given = dataValues;
  r.tdcRegisters = TdcRegisters(layout, Encoded{given, {}});
  const std::string mode = !read.present || read.mode == TdcRead::Mode::Off
                               ? "off" : (read.mode == TdcRead::Mode::Auto ? "auto" : "manual");
  PasteRead(c, r, nominal, *data, mode, read.offset, read.value);
  return true;
}

std::optional<DeviceDataTiming> ReadDeviceDataTiming(std::string_view jsonText, const std::string& ifname,
                                                     std::string& error) {
  using Json = nlohmann::json;
  const Json doc = Json::parse(jsonText.begin(), jsonText.end(), nullptr, false);
  if (doc.is_discarded()) return std::nullopt;
  // The one CAN link, as the nominal reading found it.
  const Json* link = nullptr;
  if (doc.is_object()) link = &doc;
  if (doc.is_array()) {
    for (const Json& l : doc) {
      if (!l.is_object()) continue;
      const auto info = l.find("linkinfo");
      const bool can = info != l.end() && info->is_object() && info->value("info_kind", "") == "can";
      if (ifname.empty() ? can : l.value("ifname", "") == ifname) link = &l;
    }
    if (link == nullptr && doc.size() == 1 && doc[0].is_object()) link = &doc[0];
  }
  if (link == nullptr) return std::nullopt;
  const auto info = link->find("linkinfo");
  if (info == link->end() || !info->is_object()) return std::nullopt;
  const auto dataIt = info->find("info_data");
  if (dataIt == info->end() || !dataIt->is_object()) return std::nullopt;
  const Json& data = *dataIt;
  const auto dbt = data.find("data_bittiming");
  if (dbt == data.end() || !dbt->is_object()) return std::nullopt;
  bool bad = false;
  const auto count = [&](const Json& o, const char* key) -> std::optional<std::uint32_t> {
    const auto it = o.find(key);
    if (it == o.end()) return std::nullopt;
    if (it->is_number_unsigned() && it->get<std::uint64_t>() <= UINT32_MAX)
      return static_cast<std::uint32_t>(it->get<std::uint64_t>());
    if (it->is_number_integer() && it->get<std::int64_t>() == 0) return 0u;
    bad = true;
    return std::nullopt;
  };
  DeviceDataTiming t;
  const char* const keys[] = {"tq", "prop_seg", "phase_seg1", "phase_seg2", "sjw"};
  std::uint32_t* const into[] = {&t.tq, &t.propSeg, &t.phaseSeg1, &t.phaseSeg2, &t.sjw};
  for (int i = 0; i < 5; ++i) {
    const auto v = count(*dbt, keys[i]);
    if (bad || !v) {
      error = std::string("data_bittiming ") + (bad ? "'" + std::string(keys[i]) + "' is not a whole number from 0 to 4294967295"
                                                    : "has no '" + std::string(keys[i]) + "'");
      return std::nullopt;
    }
    *into[i] = *v;
  }
  t.brp = count(*dbt, "brp");
  t.bitrate = count(*dbt, "bitrate");
  if (const auto tdc = dbt->find("tdc"); tdc != dbt->end() && tdc->is_object()) {
    t.tdcv = count(*tdc, "tdcv");
    t.tdco = count(*tdc, "tdco");
    t.tdcf = count(*tdc, "tdcf");
  }
  if (bad) {
    error = "data_bittiming holds a value that is not a whole number from 0 to 4294967295";
    return std::nullopt;
  }
  if (const auto c = data.find("data_bittiming_const"); c != data.end() && c->is_object()) {
    PhaseLimits l;
    bool complete = true;
    const auto take = [&](const char* group, const char* end, const char* flat, std::uint32_t& to) {
      std::optional<std::uint32_t> v;
      if (const auto g = c->find(group); g != c->end() && g->is_object()) v = count(*g, end);
      if (!v) v = count(*c, flat);
      if (v) to = *v; else complete = false;
    };
    take("tseg1", "min", "tseg1_min", l.tseg1Min);
    take("tseg1", "max", "tseg1_max", l.tseg1Max);
    take("tseg2", "min", "tseg2_min", l.tseg2Min);
    take("tseg2", "max", "tseg2_max", l.tseg2Max);
    take("sjw", "max", "sjw_max", l.sjwMax);
    take("brp", "min", "brp_min", l.brpMin);
    take("brp", "max", "brp_max", l.brpMax);
    if (const auto inc = count(*c, "brp_inc")) l.brpInc = *inc; else complete = false;
    if (complete && !bad) t.limits = l;
  }
  if (const auto m = data.find("ctrlmode"); m != data.end() && m->is_array()) {
    for (const Json& flag : *m) {
      if (!flag.is_string()) continue;
      const std::string f = flag.get<std::string>();
      if (f == "FD") t.fdOn = true;
      if (f == "TDC-AUTO") t.tdcMode = "auto";
      if (f == "TDC-MANUAL") t.tdcMode = "manual";
    }
  }
  return t;
}

bool AddFdDevice(const FdContext& c, const PhaseTiming& nominal, double nominalErrorPpm,
                 const DeviceDataTiming& device,
                 ControllerReport& r, std::string& message) {
  const ControllerProfile& p = c.profile;
  if (!p.data) {
    r.notes.push_back("the device has a data phase, which the " + p.name + " profile does not describe: not decoded");
    return true;
  }
  const PhaseLimits limits = device.limits.value_or(*p.data);
  const std::uint64_t fromTq = KernelBrpForTq(c.clockHz, device.tq, std::max(1u, limits.brpInc));
  if (device.brp && *device.brp != fromTq) {
    message = "data brp " + Num(*device.brp) + " does not go with dtq " + Num(device.tq) + " ns at clock " +
              Num(c.clockHz) + " Hz, which give brp " + Num(fromTq);
    return false;
  }
  if (fromTq < 1 || fromTq > UINT32_MAX || device.sjw < 1 || device.phaseSeg2 < 1 ||
      device.propSeg + device.phaseSeg1 < 1) {
    message = "the data_bittiming holds no timing (brp " + Num(fromTq) + ", sjw " + Num(device.sjw) +
              ", phase-seg2 " + Num(device.phaseSeg2) + ")";
    return false;
  }
  const std::uint64_t quanta = std::uint64_t{1} + device.propSeg + device.phaseSeg1 + device.phaseSeg2;
  if (device.bitrate && !ReportedBitrateFits(*device.bitrate, c.clockHz, fromTq, quanta)) {
    const std::uint64_t own = quanta > UINT64_MAX / fromTq ? 0 : c.clockHz / (fromTq * quanta);
    message = "data bitrate " + Num(*device.bitrate) + " does not go with brp " + Num(fromTq) + " and " + Num(quanta) +
              " tq at clock " + Num(c.clockHz) + " Hz, which give " + Num(own) + " bit/s";
    return false;
  }
  PhaseTiming t;
  t.brp = static_cast<std::uint32_t>(fromTq);
  t.propSeg = device.propSeg;
  t.phaseSeg1 = device.phaseSeg1;
  t.phaseSeg2 = device.phaseSeg2;
  t.sjw = device.sjw;
  std::vector<std::string> problems;
  if (device.limits && (device.limits->tseg1Max != p.data->tseg1Max || device.limits->tseg2Max != p.data->tseg2Max ||
                        device.limits->sjwMax != p.data->sjwMax || device.limits->brpMax != p.data->brpMax))
    r.notes.push_back("the device's data_bittiming_const differs from the " + p.name + " profile's");
  if (!device.fdOn) r.notes.push_back("the device's ctrlmode does not hold FD: the data phase is set but not in use");
  // Where the kernel takes TDC from netlink, the registers hold the offset
  // the device reports (set by hand or not), not what can_calc_tdco would
  // give. A TDC reported off stays the rule's: an ip too old to print TDC
  // reports none either.
  TdcChoice held = DriverTdc(p, c.clockHz, t);
  if (p.tdcRule == TdcRule::Kernel && device.tdcMode == "auto" && device.tdco) {
    held = TdcChoice{};
    held.enabled = true;
    held.tdco = held.intended = *device.tdco;
  }
  const QuantityValues heldValues = DataValues(p.dataRegisters, t, held);
  AddDataSetting(c, "kernel", nominal, nominalErrorPpm, t, std::nullopt, heldValues, problems, r);
  // TDC as the kernel reports it, beside what the driver writes.
  r.tdc.insert(r.tdc.begin(), Line("device_mode", "TDC mode the device reports", device.tdcMode));
  r.tdc.insert(r.tdc.begin() + 1, device.tdco ? NumberLine("device_tdco", "TDCO the device reports", *device.tdco)
                                              : NullLine("device_tdco", "TDCO the device reports"));
  if (p.tdcRule == TdcRule::Kernel) {
    const TdcChoice driver = DriverTdc(p, c.clockHz, t);
    if ((device.tdcMode == "auto") != driver.enabled || (driver.enabled && device.tdco && *device.tdco != driver.tdco))
      r.notes.push_back("the device's TDC (" + device.tdcMode + (device.tdco ? ", tdco " + Num(*device.tdco) : std::string()) +
                        ") is not what can_calc_tdco gives for its data timing (" +
                        (driver.enabled ? "auto, tdco " + Num(driver.tdco) : std::string("off")) +
                        "): it was set by hand");
  }
  const Encoded e = Encode(p.dataRegisters, heldValues);
  if (!e.error.empty()) {
    r.problems.push_back("the data registers cannot hold this timing: " + e.error);
    r.dataSettings.back().registerCount = 0;
  } else {
    r.tdcRegisters = TdcRegisters(p.dataRegisters, e);
  }
  for (std::string& problem : problems) r.problems.push_back(std::move(problem));
  r.withProblems = true;
  std::optional<std::uint64_t> tdco, tdcv;
  if (device.tdco) tdco = *device.tdco;
  if (device.tdcv) tdcv = *device.tdcv;
  if (p.tdcRule != TdcRule::Kernel) tdco = DriverTdc(p, c.clockHz, t).tdco;
  PasteRead(c, r, nominal, t, device.tdcMode, tdco, tdcv);
  return true;
}

}  // namespace kelvane::cli
