#include "plan_report.h"

#include "controller_report.h"
#include "report_writers.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace kelvane::cli {

namespace {

using Json = nlohmann::ordered_json;
using cantiming::Percent;

std::string Rate(const cantiming::Ratio& r) {
  const double kbit = cantiming::ToDouble(r) / 1000;
  return Decimal(kbit, 3) + " kbit/s";
}

std::string Mhz(std::uint64_t hz) { return Decimal(static_cast<double>(hz) / 1e6, 6) + " MHz"; }

std::string Registers(const PlanPhase& phase) {
  if (!phase.registerError.empty()) return "(" + phase.registerError + ")";
  std::string text;
  for (const cantiming::RegisterValue& r : phase.registers)
    text += (text.empty() ? "" : " ") + r.name + "=" + HexText(r.value, r.width);
  return text;
}

std::string ConditionText(int condition) { return condition == 0 ? "-" : std::to_string(condition); }

// Columns padded to their widest cell; the first two to the left, the rest to the right.
void WriteColumns(const std::vector<std::vector<std::string>>& rows, std::size_t leftColumns, std::ostream& out) {
  std::vector<std::size_t> width;
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (width.size() <= c) width.push_back(0);
      width[c] = std::max(width[c], row[c].size());
    }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      if (c > 0) line += "  ";
      line += c < leftColumns ? row[c] + pad : pad + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

std::string SamplePointSummary(const PlanReport& r, bool data) {
  double lo = 100, hi = 0;
  for (const PlanNodeRow& n : r.nodes) {
    const std::optional<PlanPhase>& p = data ? n.data : n.nominal;
    if (!p) continue;
    lo = std::min(lo, p->figures.samplePointPct);
    hi = std::max(hi, p->figures.samplePointPct);
  }
  if (lo == hi) return "common sample point " + Decimal(lo, 3) + " %";
  return "sample points " + Decimal(lo, 3) + " to " + Decimal(hi, 3) + " % (spread " + Decimal(hi - lo, 3) + " %)";
}

std::string TargetText(const cantiming::QuantaShare& share, bool cia) {
  return Decimal(Percent(share), 3) + " %" + (cia ? " (CiA)" : "");
}

Json PhaseJson(const PlanPhase& p) {
  Json j;
  j["brp"] = p.timing.brp;
  j["tq_ns"] = p.figures.tqNs;
  j["prop_seg"] = p.timing.propSeg;
  j["phase_seg1"] = p.timing.phaseSeg1;
  j["phase_seg2"] = p.timing.phaseSeg2;
  j["sjw"] = p.timing.sjw;
  j["sample_point_pct"] = p.figures.samplePointPct;
  j["bitrate"] = cantiming::ToDouble(p.figures.bitrate);
  j["exact"] = p.exact;
  j["error_ppm"] = p.figures.errorPpm;
  Json regs = Json::object();
  for (const cantiming::RegisterValue& r : p.registers) regs[r.name] = HexText(r.value, r.width);
  j["registers"] = regs;
  return j;
}

}  // namespace

void WritePlanTable(const PlanReport& r, std::ostream& out) {
  out << "Bus: " << r.nodes.size() << (r.nodes.size() == 1 ? " node" : " nodes") << " at " << Rate(r.bitrate);
  if (r.dataBitrate) out << ", data " << Rate(*r.dataBitrate);
  out << "; " << Decimal(r.busLengthM, 3) << " m at " << Decimal(r.lineDelayNsPerM, 3)
      << " ns/m; sample point target " << TargetText(r.target, r.targetCia);
  if (r.dataTarget) out << ", data " << TargetText(*r.dataTarget, r.dataTargetCia);
  out << "\n\n";

  const bool feasible = r.plan.feasible;
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"node", "controller", "clock", "loop ns", "osc ppm"});
  if (feasible)
    for (const char* h : {"bit/s", "brp", "tq ns", "prop", "ps1", "ps2", "sjw", "sp %", "err ppm", "tol ppm", "cond",
                          "margin"})
      rows[0].push_back(h);
  for (const PlanNodeRow& n : r.nodes) {
    std::vector<std::string> row{n.name, n.controller, Mhz(n.clockHz), Decimal(n.loopNs, 1), Decimal(n.ppm, 3)};
    if (feasible && n.nominal) {
      const PlanPhase& p = *n.nominal;
      for (std::string cell :
           {Decimal(cantiming::ToDouble(p.figures.bitrate), 3) + (p.exact ? "" : "*"), std::to_string(p.timing.brp),
            Decimal(p.figures.tqNs, 3), std::to_string(p.timing.propSeg), std::to_string(p.timing.phaseSeg1),
            std::to_string(p.timing.phaseSeg2), std::to_string(p.timing.sjw), Decimal(p.figures.samplePointPct, 3),
            Decimal(p.figures.errorPpm, 1), Decimal(n.pick.tolerancePpm, 1),
            ConditionText(n.pick.limitingCondition), Decimal(n.pick.marginPpm, 1)})
        row.push_back(std::move(cell));
    }
    rows.push_back(std::move(row));
  }
  WriteColumns(rows, 2, out);

  if (feasible && r.dataBitrate) {
    out << "\nData phase:\n";
    std::vector<std::vector<std::string>> data{
        {"node", "bit/s", "brp", "tq ns", "prop", "ps1", "ps2", "sjw", "sp %", "err ppm", "tdc", "tdco"}};
    for (const PlanNodeRow& n : r.nodes) {
      if (!n.data) continue;
      const PlanPhase& p = *n.data;
      data.push_back({n.name, Decimal(cantiming::ToDouble(p.figures.bitrate), 3) + (p.exact ? "" : "*"),
                      std::to_string(p.timing.brp), Decimal(p.figures.tqNs, 3), std::to_string(p.timing.propSeg),
                      std::to_string(p.timing.phaseSeg1), std::to_string(p.timing.phaseSeg2),
                      std::to_string(p.timing.sjw), Decimal(p.figures.samplePointPct, 3),
                      Decimal(p.figures.errorPpm, 1), n.tdc ? n.tdc->mode : "-",
                      n.tdc && n.tdc->mode != "off" ? std::to_string(n.tdc->tdco) : "-"});
    }
    WriteColumns(data, 1, out);
  }

  out << '\n';
  if (feasible) {
    bool nearest = false;
    for (const PlanNodeRow& n : r.nodes)
      nearest = nearest || (n.nominal && !n.nominal->exact) || (n.data && !n.data->exact);
    if (nearest) out << "* the nearest rate: no setting of that node gives the rate exactly\n";
    out << "Network: " << SamplePointSummary(r, false);
    if (r.dataBitrate) out << "; data phase: " << SamplePointSummary(r, true);
    const PlanNodeRow& limit = r.nodes[r.plan.limitingNode];
    out << "\nSmallest margin: " << Decimal(r.plan.minMarginPpm, 1) << " ppm at " << limit.name
        << " (tolerance condition " << r.plan.limitingCondition << ")\n";
    for (const PlanNodeRow& n : r.nodes) {
      out << '\n' << n.name << " (" << n.controller << "): ";
      out << (n.nominal ? Registers(*n.nominal) : std::string());
      if (n.data) out << "; data " << Registers(*n.data);
      out << '\n';
      if (n.tdc && !n.tdc->note.empty()) out << "  TDC: " << n.tdc->note << '\n';
      if (!n.ipLink.empty()) {
        const std::string lines = n.ipLink + n.networkd;
        for (std::size_t at = 0; at < lines.size();) {
          const std::size_t end = std::min(lines.find('\n', at), lines.size());
          out << "  " << lines.substr(at, end - at) << '\n';
          at = end + 1;
        }
      } else if (!n.linux) {
        out << "  (no Linux driver: set the registers above in its firmware)\n";
      }
    }
  } else {
    out << "No plan: " << r.reason << '\n';
    for (const std::string& s : r.suggestions) out << "  " << s << '\n';
  }
}

void WritePlanCsv(const PlanReport& r, std::ostream& out) {
  const bool fd = r.dataBitrate.has_value();
  std::vector<std::string> header{"name",       "controller", "clock_hz",    "loop_delay_ns", "oscillator_ppm",
                                  "bitrate",    "brp",        "tq_ns",       "prop_seg",      "phase_seg1",
                                  "phase_seg2", "sjw",        "sample_point_pct", "error_ppm", "tolerance_ppm",
                                  "limiting_condition", "margin_ppm", "registers", "ip_link"};
  if (fd)
    for (const char* h : {"data_bitrate", "data_brp", "data_tq_ns", "data_prop_seg", "data_phase_seg1",
                          "data_phase_seg2", "data_sjw", "data_sample_point_pct", "data_error_ppm", "data_registers",
                          "tdc_mode", "tdco"})
      header.push_back(h);
  for (std::size_t i = 0; i < header.size(); ++i) out << (i ? "," : "") << header[i];
  out << '\n';
  auto full = [](double v) { return Decimal(v, 6); };
  for (const PlanNodeRow& n : r.nodes) {
    std::vector<std::string> cells{n.name, n.controller, std::to_string(n.clockHz), full(n.loopNs), full(n.ppm)};
    if (n.nominal) {
      const PlanPhase& p = *n.nominal;
      for (std::string c : {full(cantiming::ToDouble(p.figures.bitrate)), std::to_string(p.timing.brp),
                            full(p.figures.tqNs), std::to_string(p.timing.propSeg), std::to_string(p.timing.phaseSeg1),
                            std::to_string(p.timing.phaseSeg2), std::to_string(p.timing.sjw),
                            full(p.figures.samplePointPct), full(p.figures.errorPpm), full(n.pick.tolerancePpm),
                            std::to_string(n.pick.limitingCondition), full(n.pick.marginPpm), Registers(p), n.ipLink})
        cells.push_back(std::move(c));
    } else {
      cells.resize(header.size() - (fd ? 12 : 0));
    }
    if (fd) {
      if (n.data) {
        const PlanPhase& p = *n.data;
        for (std::string c : {full(cantiming::ToDouble(p.figures.bitrate)), std::to_string(p.timing.brp),
                              full(p.figures.tqNs), std::to_string(p.timing.propSeg),
                              std::to_string(p.timing.phaseSeg1), std::to_string(p.timing.phaseSeg2),
                              std::to_string(p.timing.sjw), full(p.figures.samplePointPct), full(p.figures.errorPpm),
                              Registers(p), n.tdc ? n.tdc->mode : "", n.tdc ? std::to_string(n.tdc->tdco) : ""})
          cells.push_back(std::move(c));
      } else {
        cells.resize(header.size());
      }
    }
    for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "," : "") << CsvCell(cells[i]);
    out << '\n';
  }
  out << "\nkey,value\n";
  out << "feasible," << (r.plan.feasible ? "yes" : "no") << '\n';
  if (r.plan.feasible) {
    out << "sample_point_spread_pct," << full(r.plan.sampleSpreadPct) << '\n';
    if (r.plan.dataSampleSpreadPct) out << "data_sample_point_spread_pct," << full(*r.plan.dataSampleSpreadPct) << '\n';
    out << "min_margin_ppm," << full(r.plan.minMarginPpm) << '\n';
    out << "limiting_node," << CsvCell(r.nodes[r.plan.limitingNode].name) << '\n';
    out << "limiting_condition," << r.plan.limitingCondition << '\n';
  } else {
    out << "limiting_node," << CsvCell(r.nodes[r.plan.shortfall.node].name) << '\n';
    out << "failure," << r.failure << '\n';
    if (r.plan.shortfall.condition) out << "limiting_condition," << r.plan.shortfall.condition << '\n';
    out << "reason," << CsvCell(r.reason) << '\n';
    for (const std::string& s : r.suggestions) out << "suggestion," << CsvCell(s) << '\n';
  }
}

void WritePlanJson(const PlanReport& r, std::ostream& out) {
  Json doc;
  doc["bitrate"] = cantiming::ToDouble(r.bitrate);
  doc["data_bitrate"] = r.dataBitrate ? Json(cantiming::ToDouble(*r.dataBitrate)) : Json(nullptr);
  doc["sample_point_target_pct"] = Percent(r.target);
  doc["data_sample_point_target_pct"] = r.dataTarget ? Json(Percent(*r.dataTarget)) : Json(nullptr);
  doc["bus_length_m"] = r.busLengthM;
  doc["line_delay_ns_per_m"] = r.lineDelayNsPerM;
  Json nodes = Json::array();
  for (const PlanNodeRow& n : r.nodes) {
    Json j;
    j["name"] = n.name;
    j["controller"] = n.controller;
    j["clock_hz"] = n.clockHz;
    j["oscillator_ppm"] = n.ppm;
    j["transceiver"] = n.transceiver.empty() ? Json(nullptr) : Json(n.transceiver);
    j["loop_delay_ns"] = n.loopNs;
    if (n.nominal) {
      const Json phase = PhaseJson(*n.nominal);
      for (const auto& [key, value] : phase.items()) j[key] = value;
      j["tolerance_ppm"] = n.pick.tolerancePpm;
      j["limiting_condition"] = n.pick.limitingCondition;
      j["recommended"] = true;
      j["margin_ppm"] = n.pick.marginPpm;
      j["propagation_ns"] = n.pick.propagationNs;
      j["ip_link"] = n.ipLink.empty() ? Json(nullptr) : Json(n.ipLink);
      j["networkd"] = n.networkd.empty() ? Json(nullptr) : Json(n.networkd);
      if (n.data) {
        j["data_setting"] = PhaseJson(*n.data);
        j["fd_tolerance_ppm"] = n.pick.tolerancePpm;
      }
      if (n.tdc) j["tdc"] = {{"mode", n.tdc->mode}, {"tdco", n.tdc->tdco}, {"note", n.tdc->note}};
    }
    nodes.push_back(j);
  }
  doc["nodes"] = nodes;
  Json net;
  net["feasible"] = r.plan.feasible;
  if (r.plan.feasible) {
    net["sample_point_spread_pct"] = r.plan.sampleSpreadPct;
    net["data_sample_point_spread_pct"] =
        r.plan.dataSampleSpreadPct ? Json(*r.plan.dataSampleSpreadPct) : Json(nullptr);
    net["min_margin_ppm"] = r.plan.minMarginPpm;
    net["limiting_node"] = r.nodes[r.plan.limitingNode].name;
    net["limiting_condition"] = r.plan.limitingCondition;
    net["failure"] = nullptr;
  } else {
    net["sample_point_spread_pct"] = nullptr;
    net["data_sample_point_spread_pct"] = nullptr;
    net["min_margin_ppm"] = nullptr;
    net["limiting_node"] = r.nodes.empty() ? Json(nullptr) : Json(r.nodes[r.plan.shortfall.node].name);
    net["limiting_condition"] = r.plan.shortfall.condition ? Json(r.plan.shortfall.condition) : Json(nullptr);
    net["failure"] = r.failure;
    net["reason"] = r.reason;
    net["suggestions"] = r.suggestions;
  }
  doc["network"] = net;
  out << doc.dump(2) << '\n';
}

std::vector<cantiming::BitRow> PlanBitRows(const PlanReport& r, bool dataPhase) {
  std::vector<cantiming::BitRow> rows;
  for (const PlanNodeRow& n : r.nodes) {
    const std::optional<PlanPhase>& p = dataPhase ? n.data : n.nominal;
    if (!p) continue;
    rows.push_back({n.name, p->timing.propSeg, p->timing.phaseSeg1, p->timing.phaseSeg2, p->timing.sjw,
                    Decimal(p->figures.samplePointPct, 3) + " %  sjw " + std::to_string(p->timing.sjw) + "  " +
                        std::to_string(p->timing.QuantaPerBit()) + " tq of " + Decimal(p->figures.tqNs, 3) + " ns"});
  }
  return rows;
}

}  // namespace kelvane::cli
