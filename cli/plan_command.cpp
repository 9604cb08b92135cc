#include "plan_command.h"

#include "bit_output.h"
#include "bit_picture.h"
#include "calc_options.h"
#include "calc_runner.h"
#include "controller_report.h"
#include "fd_phase.h"
#include "data_file_location.h"
#include "plan.h"
#include "plan_network.h"
#include "plan_offer.h"
#include "plan_report.h"
#include "profile.h"
#include "propagation.h"
#include "registers.h"
#include "socketcan.h"
#include "timing.h"
#include "trans_record.h"
#include "transceiver_store.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <set>

namespace kelvane::cli {

namespace {

using cantiming::ControllerProfile;
using cantiming::QuantaShare;
using cantiming::Ratio;

struct Failure {
  int status = kExitUsage;
  std::string message;
};

struct PlanArgs {
  std::string baud;
  std::vector<std::string> nodes;
  std::string network;
  std::string dataBitrate;
  std::string samplePoint;
  std::string dataSamplePoint;
  std::string busLength;
  std::string lineDelay;
  std::string format = "table";
  bool picture = false;
  std::string svg;
  std::string dataFile;
  std::string controllerFile;
};

struct Node {
  PlanNodeEntry entry;
  const ControllerProfile* profile = nullptr;
  std::uint32_t clockHz = 0;
  double loopNs = 0;
};

// Everything one plan is made from; suggestions change one part and plan again.
struct Inputs {
  std::shared_ptr<const std::vector<ControllerProfile>> profiles;  // the nodes point into it
  std::vector<Node> nodes;
  Ratio bitrate;
  std::optional<Ratio> dataBitrate;
  std::optional<QuantaShare> target;  // empty: CiA's for the rate
  std::optional<QuantaShare> dataTarget;
  double busLengthM = 0;
  double lineDelayNsPerM = 5;
};

struct Planned {
  cantiming::PlanOffers offers;
  cantiming::NetworkPlan plan;
  QuantaShare target;
  std::optional<QuantaShare> dataTarget;
};

QuantaShare Reduced(std::uint64_t part, std::uint64_t whole) {
  const std::uint64_t g = std::gcd(part, whole);
  return {static_cast<std::uint32_t>(part / g), static_cast<std::uint32_t>(whole / g)};
}

// "87.5", "87.5%" or the fraction "0.875", from 1 to below 100 per cent;
// empty for "cia" or nothing. False when it is none of these.
bool ReadTarget(const std::string& text, std::optional<QuantaShare>& share) {
  share.reset();
  if (text.empty() || text == "cia") return true;
  std::string number = text;
  if (number.back() == '%') number.pop_back();
  // The kbit/s reader gives a thousand times the number, exactly: num / den.
  const std::optional<Ratio> thousand = cantiming::ParseKbitText(number);
  if (!thousand || thousand->den > 1000000000) return false;
  const std::uint64_t num = thousand->num, den = thousand->den;
  const bool fraction = num < den * 1000;
  if (fraction ? num < den * 10 : num >= den * 100000) return false;
  const std::uint64_t whole = den * (fraction ? 1000 : 100000);
  const std::uint64_t g = std::gcd(num, whole);
  if (whole / g > UINT32_MAX) return false;
  share = Reduced(num, whole);
  return true;
}

QuantaShare CiaShare(const Ratio& rate) { return Reduced(cantiming::CiaSamplePointTenths(rate), 1000); }

Planned Plan(const Inputs& in) {
  std::vector<cantiming::PlanNodeSpec> specs;
  for (const Node& n : in.nodes) specs.push_back({n.entry.name, n.profile, n.clockHz, n.entry.ppm, n.loopNs});
  cantiming::PlanBusSpec bus;
  bus.bitrate = in.bitrate;
  bus.dataBitrate = in.dataBitrate;
  bus.busDelayNs = in.busLengthM * in.lineDelayNsPerM;
  Planned out;
  out.target = in.target ? *in.target : CiaShare(in.bitrate);
  bus.target = out.target;
  if (in.dataBitrate) {
    out.dataTarget = in.dataTarget ? *in.dataTarget : CiaShare(*in.dataBitrate);
    bus.dataTarget = out.dataTarget;
  }
  out.offers = cantiming::MakePlanOffers(specs, bus);
  out.plan = cantiming::SolvePlan(out.offers.request);
  return out;
}

std::string RateText(const Ratio& r) { return Decimal(cantiming::ToDouble(r) / 1000, 3) + " kbit/s"; }

std::string NodeLabel(const Node& n) {
  return n.entry.name + " (" + n.profile->name + " at " + Decimal(static_cast<double>(n.entry.clockInputHz) / 1e6, 6) +
         " MHz)";
}

// What would make a plan: a lower rate, a shorter bus, another clock for the node at fault.
std::vector<std::string> Suggestions(const Inputs& in, const Planned& failed) {
  std::vector<std::string> out;
  const cantiming::PlanShortfall& why = failed.plan.shortfall;
  const Node& node = in.nodes[why.node];
  if (why.failure == cantiming::PlanFailure::Propagation && in.lineDelayNsPerM > 0) {
    const double metres = why.maxBusDelayNs / in.lineDelayNsPerM;
    if (metres >= 0 && in.busLengthM > 0)
      out.push_back("a bus of at most " + Decimal(std::floor(metres * 10) / 10, 1) + " m");
  }
  // The first lower rate that plans: the data rate when the data phase or an
  // FD condition is at fault, the nominal rate unless the data phase alone is.
  const bool dataAtFault = why.failure == cantiming::PlanFailure::DataPhase;
  static const char* const kRates[] = {"1000", "800", "500", "250", "125", "100", "83.333", "50", "20", "10"};
  static const char* const kDataRates[] = {"8000", "5000", "4000", "2000", "1000", "500"};
  if (in.dataBitrate && (dataAtFault || why.condition >= 3)) {
    for (const char* text : kDataRates) {
      const Ratio rate = *cantiming::ParseKbitText(text);
      if (!(rate < *in.dataBitrate) || rate < in.bitrate) continue;
      Inputs lower = in;
      lower.dataBitrate = rate;
      if (Plan(lower).plan.feasible) {
        out.push_back("a data rate of " + RateText(rate));
        break;
      }
    }
  }
  if (!dataAtFault) {
    for (const char* text : kRates) {
      const Ratio rate = *cantiming::ParseKbitText(text);
      if (!(rate < in.bitrate)) continue;
      Inputs lower = in;
      lower.bitrate = rate;
      if (Plan(lower).plan.feasible) {
        out.push_back("a rate of " + RateText(rate));
        break;
      }
    }
  }
  static const std::uint32_t kClocksMhz[] = {8, 10, 12, 16, 20, 24, 32, 36, 40, 48, 60, 64, 80};
  std::vector<std::string> clocks;
  for (const std::uint32_t mhz : kClocksMhz) {
    const std::uint64_t hz = std::uint64_t{mhz} * 1000000;
    if (hz == node.entry.clockInputHz) continue;
    const std::optional<std::uint32_t> reported = cantiming::KernelClock(node.profile->clock, hz);
    if (!reported) continue;
    Inputs other = in;
    other.nodes[why.node].entry.clockInputHz = hz;
    other.nodes[why.node].clockHz = *reported;
    if (Plan(other).plan.feasible) clocks.push_back(std::to_string(mhz) + " MHz");
  }
  if (!clocks.empty()) {
    std::string list;
    for (std::size_t i = 0; i < clocks.size() && i < 4; ++i) list += (i ? ", " : "") + clocks[i];
    out.push_back(node.entry.name + " clocked at " + list);
  }
  if (out.empty()) out.push_back("no lower rate or common clock for " + node.entry.name + " helps");
  return out;
}

std::string Reason(const Inputs& in, const Planned& p) {
  const cantiming::PlanShortfall& why = p.plan.shortfall;
  const Node& node = in.nodes[why.node];
  switch (why.failure) {
    case cantiming::PlanFailure::NoSetting:
      return NodeLabel(node) + " has no setting for " + RateText(in.bitrate) +
             (in.dataBitrate ? " with data " + RateText(*in.dataBitrate) : "");
    case cantiming::PlanFailure::DataPhase:
      return NodeLabel(node) + ": no data-phase setting at " + RateText(*in.dataBitrate) +
             " checks its own bits with a loop delay of " + Decimal(node.loopNs, 1) + " ns";
    case cantiming::PlanFailure::Propagation:
      return NodeLabel(node) + ": the bus takes " + Decimal(why.neededNs, 1) +
             " ns before the sample point (twice " + Decimal(in.busLengthM, 3) + " m at " +
             Decimal(in.lineDelayNsPerM, 3) + " ns/m, and the transceivers' loops), its settings give at most " +
             Decimal(why.availableNs, 1) + " ns";
    case cantiming::PlanFailure::Tolerance:
      return NodeLabel(node) + ": tolerance condition " + std::to_string(why.condition) +
             (why.tolerancePpm > 0 ? " allows " + Decimal(why.tolerancePpm, 1) + " ppm"
                                   : " allows no drift at all (its bound is " + Decimal(why.tolerancePpm, 1) + " ppm)") +
             ", the bus asks " + Decimal(why.demandPpm / 2, 1) +
             " ppm (its own rate error and oscillator with the bus's worst)";
    case cantiming::PlanFailure::NoNodes:
    case cantiming::PlanFailure::None:
      break;
  }
  return "no nodes";
}

const char* FailureName(cantiming::PlanFailure f) {
  switch (f) {
    case cantiming::PlanFailure::NoSetting: return "no-setting";
    case cantiming::PlanFailure::DataPhase: return "data-phase";
    case cantiming::PlanFailure::Propagation: return "propagation";
    case cantiming::PlanFailure::Tolerance: return "tolerance";
    case cantiming::PlanFailure::NoNodes:
    case cantiming::PlanFailure::None:
      break;
  }
  return "none";
}

PlanPhase PhaseOf(const cantiming::PhaseTiming& t, const Node& n, const Ratio& wanted, bool exact,
                  const cantiming::RegisterLayout& layout, bool data) {
  PlanPhase p;
  p.timing = t;
  p.figures = cantiming::Evaluate(t, n.clockHz, wanted);
  p.exact = exact;
  const cantiming::QuantityValues values =
      data ? cantiming::DataValues(layout, t, cantiming::DriverTdc(*n.profile, n.clockHz, t))
           : cantiming::NominalValues(t);
  if (!layout.empty()) {
    cantiming::Encoded e = cantiming::Encode(layout, values);
    p.registers = std::move(e.registers);
    p.registerError = std::move(e.error);
  }
  return p;
}

// The data phase added to the node's ip link settings and networkd section;
// TDC is left to the driver, which sets it as the plan shows. False when no
// whole-nanosecond dtq gives the data prescaler.
bool WithDataPhase(PlanNodeRow& row, const ControllerProfile& profile, std::uint32_t clockHz,
                   std::string& settings) {
  const cantiming::PhaseTiming& d = row.data->timing;
  const std::optional<std::uint32_t> dtq = cantiming::KernelTqFor(clockHz, d.brp, profile.data->brpInc);
  if (!dtq) return false;
  settings += " dtq " + std::to_string(*dtq) + " dprop-seg " + std::to_string(d.propSeg) + " dphase-seg1 " +
              std::to_string(d.phaseSeg1) + " dphase-seg2 " + std::to_string(d.phaseSeg2) + " dsjw " +
              std::to_string(d.sjw) + " fd on";
  row.networkd += "DataTimeQuantaNSec=" + std::to_string(*dtq) + "\nDataPropagationSegment=" +
                  std::to_string(d.propSeg) + "\nDataPhaseBufferSegment1=" + std::to_string(d.phaseSeg1) +
                  "\nDataPhaseBufferSegment2=" + std::to_string(d.phaseSeg2) +
                  "\nDataSyncJumpWidth=" + std::to_string(d.sjw) + "\nFDMode=yes\n";
  return true;
}

// The TDC the node's driver sets for its data timing, and what to know about it.
PlanTdc TdcOf(const Node& n, const cantiming::PhaseTiming& data) {
  const cantiming::TdcChoice tdc = cantiming::DriverTdc(*n.profile, n.clockHz, data);
  PlanTdc out;
  out.mode = tdc.enabled ? "auto" : "off";
  out.tdco = tdc.tdco;
  const auto loop = static_cast<std::uint64_t>(std::ceil(n.loopNs));
  if (tdc.capped)
    out.note = "the offset " + std::to_string(tdc.intended) + " is capped at " + std::to_string(tdc.tdco);
  if (!tdc.enabled && n.loopNs > 0 && !cantiming::DataPhaseNeedsTdc(loop, n.clockHz, data))
    out.note = "off; the loop delay of " + Decimal(n.loopNs, 1) + " ns is back before the data sample point";
  return out;
}

PlanReport Report(const Inputs& in, const Planned& p) {
  PlanReport r;
  r.bitrate = in.bitrate;
  r.dataBitrate = in.dataBitrate;
  r.target = p.target;
  r.targetCia = !in.target;
  r.dataTarget = p.dataTarget;
  r.dataTargetCia = !in.dataTarget;
  r.busLengthM = in.busLengthM;
  r.lineDelayNsPerM = in.lineDelayNsPerM;
  r.plan = p.plan;
  for (std::size_t i = 0; i < in.nodes.size(); ++i) {
    const Node& n = in.nodes[i];
    PlanNodeRow row;
    row.name = n.entry.name;
    row.controller = n.profile->name;
    row.transceiver = n.entry.transceiver;
    row.device = n.entry.device;
    row.inputHz = n.entry.clockInputHz;
    row.clockHz = n.clockHz;
    row.ppm = n.entry.ppm;
    row.loopNs = n.loopNs;
    row.linux = n.profile->linuxDriver;
    if (p.plan.feasible) {
      const cantiming::NodeOffer& offer = p.offers.offers[i];
      row.pick = p.plan.picks[i];
      const std::size_t c = row.pick.candidate;
      row.nominal = PhaseOf(offer.nominal[c], n, in.bitrate, offer.nominalExact, n.profile->registers, false);
      if (!offer.data.empty()) {
        row.data = PhaseOf(offer.data[c], n, *in.dataBitrate, offer.dataExact, n.profile->dataRegisters, true);
        row.tdc = TdcOf(n, row.data->timing);
      }
      const std::optional<std::uint32_t> tq =
          cantiming::KernelTqFor(n.clockHz, row.nominal->timing.brp, n.profile->nominal.brpInc);
      if (row.linux && tq) {
        const cantiming::PhaseTiming& t = row.nominal->timing;
        const SocketCanTiming ip{*tq, static_cast<int>(t.propSeg), static_cast<int>(t.phaseSeg1),
                                 static_cast<int>(t.phaseSeg2), static_cast<int>(t.sjw), false};
        std::string settings = CanTypeSettings(ip);
        row.networkd = NetworkdSection(ip);
        if (!row.data || WithDataPhase(row, *n.profile, n.clockHz, settings))
          row.ipLink = IpLinkBlock(row.device, settings) + "\n";
        else
          row.networkd.clear();
      }
    }
    r.nodes.push_back(std::move(row));
  }
  if (!p.plan.feasible) {
    r.failure = FailureName(p.plan.shortfall.failure);
    r.reason = Reason(in, p);
    r.suggestions = Suggestions(in, p);
  }
  return r;
}

bool BuildInputs(const PlanArgs& a, Inputs& in, Failure& failure) {
  auto usage = [&](std::string message) {
    failure = {kExitUsage, std::move(message)};
    return false;
  };
  PlanNetworkEntry network;
  if (!a.network.empty()) {
    std::string text, error;
    if (!ReadInputText(a.network, text, failure.status, failure.message)) return false;
    if (!ReadNetworkJson(text, network, error)) return usage("--network " + QuotedLine(a.network) + ": " + error);
  }
  for (const std::string& spec : a.nodes) {
    std::string error;
    std::optional<PlanNodeEntry> node = ParseNodeSpec(spec, error);
    if (!node) return usage(error);
    network.nodes.push_back(std::move(*node));
  }
  if (network.nodes.empty()) return usage("no nodes: give --node NAME=CONTROLLER@CLOCK (repeated) or --network FILE");
  if (network.nodes.size() > 64) return usage("at most 64 nodes");

  // A file's controllers come first, so that one of a known name stands in for the table's.
  std::vector<ControllerProfile> profiles;
  if (!a.controllerFile.empty()) {
    std::string text, error;
    if (!ReadInputText(a.controllerFile, text, failure.status, failure.message)) return false;
    profiles = cantiming::ProfilesFromJson(text, error);
    if (!error.empty()) return usage("--controller-file " + QuotedLine(a.controllerFile) + ": " + error);
  }
  const std::vector<ControllerProfile>& table = cantiming::BuiltInProfiles();
  profiles.insert(profiles.end(), table.begin(), table.end());
  in.profiles = std::make_shared<const std::vector<ControllerProfile>>(std::move(profiles));

  std::optional<TransceiverStore> store;
  std::set<std::string> names;
  for (PlanNodeEntry& entry : network.nodes) {
    const std::string who = "node " + QuotedLine(entry.name);
    if (!names.insert(entry.name).second) return usage(who + ": name given twice");
    if (const std::optional<std::string> problem = DeviceNameProblem(entry.device))
      return usage(who + ": dev: " + QuotedLine(entry.device) + " " + *problem);
    Node node;
    node.profile = cantiming::FindProfile(*in.profiles, entry.controller);
    if (node.profile == nullptr)
      return usage(who + ": controller: " + QuotedLine(entry.controller) + " is not known (kelvane-calc --list-controllers)");
    const std::optional<std::uint32_t> clock = cantiming::KernelClock(node.profile->clock, entry.clockInputHz);
    if (!clock) return usage(who + ": clock: " + QuotedLine(entry.clockText) + " gives no clock the kernel can hold");
    node.clockHz = *clock;
    if (!entry.transceiver.empty()) {
      if (!store) {
        const std::optional<std::string> given =
            a.dataFile.empty() ? std::nullopt : std::optional<std::string>(a.dataFile);
        store.emplace(TransceiverStore::AtPath(FullPath(DataFilePath(given))));
        std::error_code ec;
        if (std::filesystem::status(store->path(), ec).type() == std::filesystem::file_type::not_found) {
          failure = {kExitFile, MissingDataFileMessage(store->path(), given)};
          return false;
        }
      }
      trans record;
      const StoreResult<bool> found = store->FindRecordByNameReadOnly(entry.transceiver, record);
      if (!found) {
        failure = {kExitFile, found.error().message};
        return false;
      }
      if (!found.value())
        return usage(who + ": transceiver: " + QuotedLine(entry.transceiver) + " is not in " + QuotedLine(store->path()));
      const WorstPair pair = PickWorstPair(record);
      node.loopNs = static_cast<double>(std::int64_t{pair.tTX} + pair.tRX);
      if (node.loopNs < 0) return usage(who + ": transceiver: " + QuotedLine(entry.transceiver) + " has negative delays");
    }
    node.entry = std::move(entry);
    in.nodes.push_back(std::move(node));
  }

  if (!a.baud.empty()) {
    const std::optional<Ratio> rate = cantiming::ParseKbitText(a.baud);
    if (!rate) return usage("BAUD " + QuotedLine(a.baud) + " is not a rate in kbit/s (e.g. 500 or 83.333)");
    in.bitrate = *rate;
  } else if (network.bitrate) {
    in.bitrate = *network.bitrate;
  } else {
    return usage("no rate: give BAUD in kbit/s (or \"bitrate\" in the network file)");
  }
  if (!a.dataBitrate.empty()) {
    const std::optional<Ratio> rate = cantiming::ParseKbitText(a.dataBitrate);
    if (!rate) return usage("--data-bitrate " + QuotedLine(a.dataBitrate) + " is not a rate in kbit/s");
    in.dataBitrate = *rate;
  } else {
    in.dataBitrate = network.dataBitrate;
  }
  if (in.dataBitrate) {
    if (*in.dataBitrate < in.bitrate) return usage("the data rate is below the nominal rate");
    for (const Node& n : in.nodes)
      if (!n.profile->data)
        return usage("node " + QuotedLine(n.entry.name) + ": " + n.profile->name + " has no CAN FD data phase");
  }
  // A value read from the network file is named by its field there, so the
  // user is not sent looking for an option never typed.
  const auto source = [&](const std::string& typed, const char* option, const char* field) {
    return typed.empty() ? "--network " + QuotedLine(a.network) + ": " + field : std::string(option);
  };
  const std::string sp = !a.samplePoint.empty() ? a.samplePoint : network.samplePoint.value_or("");
  if (!ReadTarget(sp, in.target))
    return usage(source(a.samplePoint, "--sample-point", "sample_point") + " " + QuotedLine(sp) +
                 " is not a per cent from 1 to 99.9 (87.5), a fraction (0.875) or cia");
  const std::string dsp = !a.dataSamplePoint.empty() ? a.dataSamplePoint : network.dataSamplePoint.value_or("");
  if (!ReadTarget(dsp, in.dataTarget))
    return usage(source(a.dataSamplePoint, "--data-sample-point", "data_sample_point") + " " + QuotedLine(dsp) +
                 " is not a per cent, a fraction or cia");
  if (!in.dataBitrate && !dsp.empty())
    return usage(a.dataSamplePoint.empty() ? source("", "", "data_sample_point") + " needs data_bitrate"
                                           : "--data-sample-point needs --data-bitrate");
  if (!a.busLength.empty()) {
    const std::optional<double> m = ParsePlainDecimal(a.busLength);
    if (!m || *m > 1e6) return usage("--bus-length " + QuotedLine(a.busLength) + " is not a length in m from 0 to 1000000");
    in.busLengthM = *m;
  } else {
    in.busLengthM = network.busLengthM.value_or(0);
  }
  if (!a.lineDelay.empty()) {
    const std::optional<double> d = ParsePlainDecimal(a.lineDelay);
    if (!d || *d > 1e6) return usage("--line-delay " + QuotedLine(a.lineDelay) + " is not a delay in ns/m");
    in.lineDelayNsPerM = *d;
  } else {
    in.lineDelayNsPerM = network.lineDelayNsPerM.value_or(5);
  }
  return true;
}

}  // namespace

bool IsPlanCommand(const std::vector<std::string>& arguments) {
  return arguments.size() > 1 && arguments[1] == "plan";
}

int RunPlanCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors,
                   bool outIsTerminal) {
  CLI::App app(
      "Plans the bit timing of a whole bus: one setting per node, from each node's\n"
      "exact settings (else its nearest rate), so that every node tolerates the\n"
      "others' rate errors and oscillators (ISO 11898-1; CAN FD: five conditions),\n"
      "the time before every sample point covers the bus's propagation delay\n"
      "(twice the length times the line delay, plus the node's and the slowest\n"
      "transceiver's loop), the sample points spread as little as possible and\n"
      "lie nearest the target, and the smallest margin is the largest possible.\n"
      "Exit status: 0 a plan, 1 none (the node and condition at fault, and what\n"
      "would help), 2 bad usage or input, 3 file error.",
      "kelvane-calc plan");
  app.set_help_flag("-h,--help", "Show this help and end");
  app.get_formatter()->column_width(34);
  PlanArgs a;
  app.add_option("BAUD", a.baud, "The nominal rate in kbit/s (500)");
  app.add_option("--node", a.nodes,
                 "A node: NAME=CONTROLLER@CLOCK[,ppm=N][,transceiver=NAME][,dev=IFACE]; CLOCK in MHz "
                 "as --osc takes it, or with a unit (16MHz, 36000000Hz); repeat for each node")
      ->type_name("SPEC")
      ->allow_extra_args(false);
  app.add_option("--network", a.network, "The nodes (and the bus) from a JSON file; see the man page")
      ->type_name("FILE");
  app.add_option("--data-bitrate", a.dataBitrate, "CAN FD: the data rate in kbit/s; every node must be FD-capable")
      ->type_name("KBIT");
  app.add_option("--sample-point", a.samplePoint, "The target sample point: per cent, or cia (default)")
      ->type_name("PCT|cia");
  app.add_option("--data-sample-point", a.dataSamplePoint, "The data phase's target: per cent, or cia (default)")
      ->type_name("PCT|cia");
  app.add_option("--bus-length", a.busLength, "The bus's length in m (0)")->type_name("M");
  app.add_option("--line-delay", a.lineDelay, "The line's delay in ns per m (5)")->type_name("NS_PER_M");
  app.add_option("--format", a.format, "table (default), csv or json")
      ->check(CLI::IsMember({"table", "csv", "json"}))
      ->type_name("FORMAT");
  app.add_flag("--picture", a.picture, "Draw each node's bit after the table (colours on a terminal unless NO_COLOR)");
  app.add_option("--svg", a.svg, "Write the picture of the bit as SVG to FILE")->type_name("FILE");
  app.add_option("--data-file", a.dataFile, "The transceiver file (as for --transceiver)")->type_name("PATH");
  app.add_option("--controller-file", a.controllerFile, "More controllers described in JSON, as for --controller")
      ->type_name("FILE");

  std::vector<const char*> argv = {"kelvane-calc plan"};
  for (auto it = arguments.begin() + 2; it < arguments.end(); ++it) argv.push_back(it->c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitListed;
  } catch (const CLI::ParseError& e) {
    std::string message = e.what();
    for (char& c : message)
      if (c == '\n') c = ' ';
    while (!message.empty() && message.back() == ' ') message.pop_back();
    errors << "kelvane-calc plan: " << PrintableLine(message) << '\n';
    return kExitUsage;
  }
  if (a.svg == "-") {
    errors << "kelvane-calc plan: --svg '-': give a file path; standard output carries the plan\n";
    return kExitUsage;
  }
  if (a.picture && a.format != "table") {
    errors << "kelvane-calc plan: --picture goes with the table; use --svg FILE with csv or json\n";
    return kExitUsage;
  }

  Inputs in;
  Failure failure;
  if (!BuildInputs(a, in, failure)) {
    errors << "kelvane-calc plan: " << PrintableLine(failure.message) << '\n';
    return failure.status;
  }
  const Planned planned = Plan(in);
  const PlanReport report = Report(in, planned);
  if (a.format == "json") WritePlanJson(report, out);
  else if (a.format == "csv") WritePlanCsv(report, out);
  else WritePlanTable(report, out);

  if (report.plan.feasible && (a.picture || !a.svg.empty())) {
    std::vector<BitBlock> blocks{{"The bit at " + RateText(in.bitrate), PlanBitRows(report, false)}};
    if (in.dataBitrate) {
      blocks.push_back({"The data bit at " + RateText(*in.dataBitrate), PlanBitRows(report, true)});
      for (cantiming::BitRow& row : blocks.back().rows) row.label += " (data)";
    }
    const std::string title =
        "Bit timing at " + RateText(in.bitrate) + (in.dataBitrate ? ", data " + RateText(*in.dataBitrate) : "");
    const int drawn = DrawBits(blocks, a.picture, ColourWanted(outIsTerminal),
                               a.svg.empty() ? std::nullopt : std::optional<std::string>(a.svg), title, out, errors);
    if (drawn != kExitListed) return drawn;
  }
  return report.plan.feasible ? kExitListed : kExitNoneFound;
}

}  // namespace kelvane::cli
