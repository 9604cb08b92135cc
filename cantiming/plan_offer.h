#pragma once
// What each node of a bus can offer a plan: its controller's settings at the
// bus's rates (exact, else the nearest), as candidates the plan solver weighs.
//
// Only settings that could win are kept. For one prescaler and one split of
// the bit, the largest sjw whose segment before the sample point still covers
// the propagation delay tolerates most and loses nothing else; for CAN FD,
// of the nominal/data pairs with the same two sample points only the one of
// the largest tolerance is kept (a node's deviation is the same for all of
// them: one rate per phase).

#include "plan.h"
#include "profile.h"
#include "ratio.h"
#include "timing.h"

#include <optional>
#include <string>
#include <vector>

namespace kelvane::cantiming {

struct PlanNodeSpec {
  std::string name;
  const ControllerProfile* profile = nullptr;
  std::uint32_t clockHz = 0;  // the clock the kernel reports
  double oscillatorPpm = 0;
  double loopDelayNs = 0;     // its transceiver, transmit plus receive
};

struct PlanBusSpec {
  Ratio bitrate;                   // bit/s
  std::optional<Ratio> dataBitrate;
  double busDelayNs = 0;           // one way: length times delay per metre
  std::optional<QuantaShare> target;
  std::optional<QuantaShare> dataTarget;
};

struct NodeOffer {
  std::vector<PhaseTiming> nominal;  // one per candidate
  std::vector<PhaseTiming> data;     // one per candidate for CAN FD, else empty
  bool nominalExact = true;          // else the nearest rate
  bool dataExact = true;
  Ratio bitrate;                     // the rate the candidates run at
  std::optional<Ratio> dataBitrate;
};

struct PlanOffers {
  PlanRequest request;
  std::vector<NodeOffer> offers;  // parallel to request.nodes
};

// Every node needs a profile; with a data rate, every profile a data phase
// (the caller checks both and names the node that fails).
PlanOffers MakePlanOffers(const std::vector<PlanNodeSpec>& nodes, const PlanBusSpec& bus);

// Whether a transmitter checks its own data bits right at this loop delay:
// without TDC the bit must be back before the data sample point; with the
// TDC its driver sets up, the controller must be able to measure the delay
// and the offset must have reached the register whole (flexcan's 5-bit
// field keeps only the low bits of a larger one).
bool DataPhaseWorks(const ControllerProfile& profile, std::uint32_t clockHz, double loopDelayNs,
                    const PhaseTiming& data);

// The tq of a timing at a clock, in ns.
double TqNs(const PhaseTiming& timing, std::uint32_t clockHz);

}  // namespace kelvane::cantiming
