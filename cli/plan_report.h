#pragma once
// What kelvane-calc plan prints: the plan of a bus, node by node, and the
// network's figures, as a table, CSV or JSON; the bit picture's rows.

#include "bit_picture.h"
#include "plan.h"
#include "profile.h"
#include "ratio.h"
#include "registers.h"
#include "timing.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelvane::cli {

struct PlanPhase {
  cantiming::PhaseTiming timing;
  cantiming::Setting figures;  // rate, tq, sample point, error (tolerance: see the node)
  std::vector<cantiming::RegisterValue> registers;
  std::string registerError;   // the layout cannot hold the timing (a controller file's fault)
  bool exact = true;           // else the nearest rate
};

struct PlanTdc {
  std::string mode;            // "off", "auto" (the controller measures the loop delay)
  std::uint32_t tdco = 0;      // clock periods
  std::string note;            // a cap, a cut, a loop delay it cannot measure
};

struct PlanNodeRow {
  std::string name;
  std::string controller;      // the profile's name
  std::string transceiver;     // empty: none
  std::string device;
  std::uint64_t inputHz = 0;   // at the controller's clock input
  std::uint32_t clockHz = 0;   // as the kernel reports it
  double ppm = 0;
  double loopNs = 0;
  bool linux = true;           // a Linux driver takes ip link for it
  std::optional<PlanPhase> nominal;  // feasible plans only
  std::optional<PlanPhase> data;
  std::optional<PlanTdc> tdc;
  cantiming::NodePick pick;
  std::string ipLink;          // empty when not a Linux node
  std::string networkd;
};

struct PlanReport {
  cantiming::Ratio bitrate;
  std::optional<cantiming::Ratio> dataBitrate;
  cantiming::QuantaShare target;
  bool targetCia = true;
  std::optional<cantiming::QuantaShare> dataTarget;
  bool dataTargetCia = true;
  double busLengthM = 0;
  double lineDelayNsPerM = 5;
  std::vector<PlanNodeRow> nodes;
  cantiming::NetworkPlan plan;
  std::string failure;                 // "propagation", ... when not feasible
  std::string reason;                  // one line when not feasible
  std::vector<std::string> suggestions;
};

void WritePlanTable(const PlanReport& report, std::ostream& out);
void WritePlanCsv(const PlanReport& report, std::ostream& out);
void WritePlanJson(const PlanReport& report, std::ostream& out);

// One row per node for the picture: the nominal phase, or the data phase.
std::vector<cantiming::BitRow> PlanBitRows(const PlanReport& report, bool dataPhase);

// A number with at most `decimals` decimals, trailing zeros dropped.
std::string Decimal(double value, int decimals);

// "0x1C" for an 8-bit register, "0x0000001C" for a 32-bit one.
std::string RegisterHex(const cantiming::RegisterValue& value);

}  // namespace kelvane::cli
