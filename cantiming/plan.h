#pragma once
// One setting per node of a bus. Each node brings the settings its controller
// can make at the bus's rate; the plan takes one of each so that
//  (a) every node tolerates the bus's oscillators: a node deviates from the
//      nominal rate by its rate error plus its oscillator's tolerance, and
//      the ISO 11898-1 conditions, which bound two oscillators that drift
//      apart by twice the tolerance, must hold for the node's own deviation
//      plus the worst deviation on the bus (its own included: a second node
//      of its kind may join);
//  (b) the time before each node's sample point covers the round trip along
//      the bus plus its own transceiver's loop and the slowest one's;
//  (c) the sample points spread as little as possible, then lie as close to
//      the target as possible (the middle of their range; CAN FD: the same
//      for the data phase after the nominal one);
//  (d) then the smallest margin is as large as possible.
// The search is exact: for every candidate bound on the bus's worst
// deviation the conditions are per setting, and the sample points are swept
// with a window that holds at least one setting of every node.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane::cantiming {

// A share of a bit as whole quanta: the sample point is the quanta before it
// over the quanta of the bit. Compared exactly, so 14/16 and 35/40 are equal.
// Settings whose share is not a fraction of at most 65535 quanta are unusable.
struct QuantaShare {
  std::uint32_t part = 0;
  std::uint32_t whole = 1;
};

double Percent(const QuantaShare& share);

inline constexpr std::size_t kMaxToleranceConditions = 5;  // classical 2, CAN FD 5

struct PlanCandidate {
  QuantaShare samplePoint;
  std::optional<QuantaShare> dataSamplePoint;  // CAN FD only
  // Signed; for CAN FD the larger in size of the two phases' errors.
  double rateErrorPpm = 0;
  // The ISO 11898-1 oscillator tolerance of each condition, in order.
  std::array<double, kMaxToleranceConditions> tolerancePpm{};
  std::uint8_t conditionCount = 2;
  // The time before the sample point that may carry the propagation delay.
  double beforeSampleNs = 0;
  // CAN FD: the transmitter can check its own data bits at the node's loop
  // delay (with the delay compensation its driver sets up, or without need).
  bool dataPhaseWorks = true;
};

struct PlanNode {
  std::string name;
  double oscillatorPpm = 0;
  double loopDelayNs = 0;  // its transceiver: transmit plus receive delay
  std::vector<PlanCandidate> candidates;
};

struct PlanRequest {
  std::vector<PlanNode> nodes;
  double busDelayNs = 0;  // one way along the bus: its length times the delay per metre
  std::optional<QuantaShare> target;
  std::optional<QuantaShare> dataTarget;
};

struct NodePick {
  std::size_t candidate = 0;    // index into the node's candidates
  double propagationNs = 0;     // what its time before the sample point must cover
  double deviationPpm = 0;      // |rate error| + oscillator tolerance
  double demandPpm = 0;         // deviation plus the bus's worst deviation
  double tolerancePpm = 0;      // the smallest of its conditions
  double marginPpm = 0;         // tolerance - demand / 2
  int limitingCondition = 1;    // 1-based, the condition of the smallest tolerance
};

enum class PlanFailure {
  None,
  NoNodes,
  NoSetting,    // the node has no setting at all
  DataPhase,    // none of its data-phase settings works at its loop delay
  Propagation,  // none of its settings covers the propagation delay
  Tolerance,    // no choice keeps the deviations within its tolerance
};

// Why no plan exists, for the first node that cannot be served.
struct PlanShortfall {
  PlanFailure failure = PlanFailure::None;
  std::size_t node = 0;
  // Propagation: the delay to cover, the most any setting of the node covers,
  // and the longest one-way bus delay that this best setting would still
  // cover (negative when the transceivers alone take too long).
  double neededNs = 0;
  double availableNs = 0;
  double maxBusDelayNs = 0;
  // Tolerance: taken at the bound on the bus's worst deviation that comes
  // closest to a plan, the node with the smallest margin there, its best
  // setting's failing condition, tolerance, demand and (negative) margin.
  int condition = 0;
  double tolerancePpm = 0;
  double demandPpm = 0;
  double marginPpm = 0;
};

struct NetworkPlan {
  bool feasible = false;
  std::vector<NodePick> picks;  // one per node when feasible
  double sampleSpreadPct = 0;
  std::optional<double> dataSampleSpreadPct;
  double minMarginPpm = 0;
  std::size_t limitingNode = 0;
  int limitingCondition = 0;
  PlanShortfall shortfall;  // when not feasible
};

NetworkPlan SolvePlan(const PlanRequest& request);

// The propagation delay node i must cover: the round trip along the bus plus
// its own loop and the slowest loop on the bus.
double PropagationNs(const PlanRequest& request, std::size_t node);

}  // namespace kelvane::cantiming
