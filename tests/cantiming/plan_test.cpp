#include "plan.h"
#include "plan_offer.h"
#include "fd_phase.h"
#include "timing_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace kelvane::cantiming {
namespace {

// Fractions in lowest terms, small enough for 64 bits: the brute force's own
// arithmetic, apart from the solver's.
struct Fr {
  long long n, d;
};
Fr Norm(long long n, long long d) {
  const long long g = std::gcd(n < 0 ? -n : n, d);
  return {n / g, d / g};
}
Fr Sub(Fr a, Fr b) { return Norm(a.n * b.d - b.n * a.d, a.d * b.d); }
Fr Add(Fr a, Fr b) { return Norm(a.n * b.d + b.n * a.d, a.d * b.d); }
Fr Abs(Fr a) { return {a.n < 0 ? -a.n : a.n, a.d}; }
int Cmp(Fr a, Fr b) {
  const long long l = a.n * b.d, r = b.n * a.d;
  return (l > r) - (l < r);
}
Fr Of(QuantaShare s) { return Norm(s.part, s.whole); }

// An assignment's value, compared field by field; smaller is better.
struct Value {
  Fr spread{0, 1}, distance{0, 1}, dataSpread{0, 1}, dataDistance{0, 1};
  double minMargin = 0;
};
int Compare(const Value& a, const Value& b) {
  for (auto [x, y] : {std::pair{a.spread, b.spread}, {a.distance, b.distance},
                      {a.dataSpread, b.dataSpread}, {a.dataDistance, b.dataDistance}})
    if (int c = Cmp(x, y)) return c;
  return (a.minMargin < b.minMargin) - (a.minMargin > b.minMargin);
}

// Straight from the rules: every node's deviation plus the bus's worst within
// twice each of its conditions, the time before the sample point covering the
// round trip and the two loops, then spread, distance of the middle, margin.
std::optional<Value> Evaluate(const PlanRequest& r, const std::vector<std::size_t>& pick) {
  double worst = 0, slowest = 0;
  for (std::size_t i = 0; i < r.nodes.size(); ++i) {
    const PlanCandidate& c = r.nodes[i].candidates[pick[i]];
    worst = std::max(worst, std::abs(c.rateErrorPpm) + r.nodes[i].oscillatorPpm);
    slowest = std::max(slowest, r.nodes[i].loopDelayNs);
  }
  Value v;
  v.minMargin = 1e300;
  auto span = [&](bool data, const std::optional<QuantaShare>& target, Fr& spread, Fr& distance) {
    Fr lo{1, 1}, hi{0, 1};
    for (std::size_t i = 0; i < r.nodes.size(); ++i) {
      const PlanCandidate& c = r.nodes[i].candidates[pick[i]];
      const Fr at = Of(data ? *c.dataSamplePoint : c.samplePoint);
      if (Cmp(at, lo) < 0) lo = at;
      if (Cmp(at, hi) > 0) hi = at;
    }
    spread = Sub(hi, lo);
    if (target) distance = Abs(Sub(Add(lo, hi), Add(Of(*target), Of(*target))));
  };
  for (std::size_t i = 0; i < r.nodes.size(); ++i) {
    const PlanCandidate& c = r.nodes[i].candidates[pick[i]];
    const double deviation = std::abs(c.rateErrorPpm) + r.nodes[i].oscillatorPpm;
    double tolerance = 1e300;
    for (int k = 0; k < c.conditionCount; ++k) {
      if (deviation + worst > 2 * c.tolerancePpm[k]) return std::nullopt;
      tolerance = std::min(tolerance, c.tolerancePpm[k]);
    }
    if (c.beforeSampleNs < 2 * r.busDelayNs + r.nodes[i].loopDelayNs + slowest) return std::nullopt;
    v.minMargin = std::min(v.minMargin, tolerance - (deviation + worst) / 2);
  }
  span(false, r.target, v.spread, v.distance);
  if (r.nodes[0].candidates[0].dataSamplePoint) span(true, r.dataTarget, v.dataSpread, v.dataDistance);
  return v;
}

std::optional<Value> BruteForce(const PlanRequest& r) {
  std::optional<Value> best;
  std::vector<std::size_t> pick(r.nodes.size(), 0);
  while (true) {
    const std::optional<Value> v = Evaluate(r, pick);
    if (v && (!best || Compare(*v, *best) < 0)) best = v;
    std::size_t i = 0;
    while (i < pick.size() && ++pick[i] == r.nodes[i].candidates.size()) pick[i++] = 0;
    if (i == pick.size()) return best;
  }
}

PlanCandidate Cand(std::uint32_t part, std::uint32_t whole, double errorPpm,
                   std::initializer_list<double> tolerances, double beforeNs = 1e6) {
  PlanCandidate c;
  c.samplePoint = {part, whole};
  c.rateErrorPpm = errorPpm;
  c.conditionCount = static_cast<std::uint8_t>(tolerances.size());
  std::copy(tolerances.begin(), tolerances.end(), c.tolerancePpm.begin());
  c.beforeSampleNs = beforeNs;
  return c;
}

TEST(Plan, ChoosesWhatTheBruteForceChoosesOnSmallBuses) {
  std::mt19937 random(24);
  auto pickOf = [&](auto... values) {
    const double list[] = {static_cast<double>(values)...};
    return list[std::uniform_int_distribution<std::size_t>(0, sizeof...(values) - 1)(random)];
  };
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  int feasible = 0, infeasible = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    PlanRequest r;
    const bool fd = trial % 2 == 1;
    r.busDelayNs = pickOf(0, 100, 300);
    if (between(0, 2) > 0) r.target = QuantaShare{static_cast<std::uint32_t>(between(60, 90)), 100};
    if (fd && between(0, 1)) r.dataTarget = QuantaShare{static_cast<std::uint32_t>(between(60, 80)), 100};
    const int nodes = between(2, 3);
    for (int i = 0; i < nodes; ++i) {
      PlanNode node;
      node.oscillatorPpm = pickOf(0, 50, 100);
      node.loopDelayNs = pickOf(0, 100, 250);
      for (int k = between(1, 5); k > 0; --k) {
        const auto whole = static_cast<std::uint32_t>(between(8, 16));
        PlanCandidate c = Cand(static_cast<std::uint32_t>(between(whole / 2, whole - 1)), whole,
                               pickOf(0, 0, 150, -150, 1200, -4000), {}, between(200, 2000));
        c.conditionCount = fd ? 5 : 2;
        for (int j = 0; j < c.conditionCount; ++j) c.tolerancePpm[j] = between(300, 6000);
        if (fd) c.dataSamplePoint = QuantaShare{static_cast<std::uint32_t>(between(3, 7)), 8};
        node.candidates.push_back(c);
      }
      r.nodes.push_back(node);
    }
    const NetworkPlan plan = SolvePlan(r);
    const std::optional<Value> best = BruteForce(r);
    ASSERT_EQ(plan.feasible, best.has_value()) << "trial " << trial;
    if (!plan.feasible) {
      ++infeasible;
      EXPECT_NE(plan.shortfall.failure, PlanFailure::None);
      continue;
    }
    ++feasible;
    std::vector<std::size_t> pick;
    for (const NodePick& p : plan.picks) pick.push_back(p.candidate);
    const std::optional<Value> got = Evaluate(r, pick);
    ASSERT_TRUE(got.has_value()) << "trial " << trial;
    EXPECT_EQ(Compare(*got, *best), 0) << "trial " << trial;
    EXPECT_DOUBLE_EQ(plan.minMarginPpm, got->minMargin) << "trial " << trial;
    EXPECT_NEAR(plan.sampleSpreadPct, 100.0 * got->spread.n / got->spread.d, 1e-9);
    EXPECT_EQ(plan.dataSampleSpreadPct.has_value(), fd);
  }
  // Both verdicts must have been exercised for the comparison to mean anything.
  EXPECT_GT(feasible, 600);
  EXPECT_GT(infeasible, 300);
}

TEST(Plan, CommonSamplePointBeatsTheTargetAndTheTargetSettlesTies) {
  PlanRequest r;
  r.nodes = {{"a", 0, 0, {Cand(12, 16, 0, {5000, 5000}), Cand(14, 16, 0, {5000, 5000})}},
             {"b", 0, 0, {Cand(32, 40, 0, {5000, 5000}), Cand(35, 40, 0, {5000, 5000})}},
             {"c", 0, 0, {Cand(3, 4, 0, {5000, 5000}), Cand(7, 8, 0, {5000, 5000})}}};
  r.target = QuantaShare{80, 100};
  NetworkPlan plan = SolvePlan(r);
  ASSERT_TRUE(plan.feasible);
  // Only 87.5 % is common to all three, though 75 and 80 lie nearer to 80.
  EXPECT_EQ(plan.picks[0].candidate, 1u);
  EXPECT_EQ(plan.picks[1].candidate, 1u);
  EXPECT_EQ(plan.picks[2].candidate, 1u);
  EXPECT_EQ(plan.sampleSpreadPct, 0.0);

  r.nodes.pop_back();
  r.nodes[1].candidates = {Cand(30, 40, 0, {5000, 5000}), Cand(35, 40, 0, {5000, 5000})};
  // 75 and 87.5 are both common. Halfway, at 81.25, the lower stays (the first
  // found); just above it 87.5 wins.
  for (auto [part, whole, expected] : {std::tuple{80u, 100u, 0u}, {1625u, 2000u, 0u}, {1626u, 2000u, 1u}}) {
    r.target = QuantaShare{part, whole};
    plan = SolvePlan(r);
    ASSERT_TRUE(plan.feasible);
    EXPECT_EQ(plan.picks[0].candidate, expected) << part << "/" << whole;
    EXPECT_EQ(plan.picks[1].candidate, expected) << part << "/" << whole;
  }
}

TEST(Plan, ToleranceHoldsAtTheBoundaryAndNamesTheLimitingCondition) {
  // a deviates by 100 ppm (its oscillator), b by its rate error plus 100: a's
  // condition asks 100 + (e + 100) <= 2 x 1000, so e = 1800 just fits.
  for (const bool swapped : {false, true}) {
    PlanRequest r;
    PlanCandidate a = Cand(7, 8, 0, {1000, 2000});
    if (swapped) std::swap(a.tolerancePpm[0], a.tolerancePpm[1]);
    r.nodes = {{"a", 100, 0, {a}}, {"b", 100, 0, {Cand(7, 8, 1800, {5000, 9000})}}};
    NetworkPlan plan = SolvePlan(r);
    ASSERT_TRUE(plan.feasible);
    EXPECT_EQ(plan.limitingNode, 0u);
    EXPECT_EQ(plan.limitingCondition, swapped ? 2 : 1);
    EXPECT_DOUBLE_EQ(plan.minMarginPpm, 0.0);
    EXPECT_DOUBLE_EQ(plan.picks[0].demandPpm, 2000.0);
    EXPECT_DOUBLE_EQ(plan.picks[1].marginPpm, 5000.0 - (1900.0 + 1900.0) / 2);

    r.nodes[1].candidates[0].rateErrorPpm = -1800.5;
    plan = SolvePlan(r);
    ASSERT_FALSE(plan.feasible);
    EXPECT_EQ(plan.shortfall.failure, PlanFailure::Tolerance);
    EXPECT_EQ(plan.shortfall.node, 0u);
    EXPECT_EQ(plan.shortfall.condition, swapped ? 2 : 1);
    EXPECT_DOUBLE_EQ(plan.shortfall.marginPpm, -0.25);

    // A second setting of b, exact but at another sample point, rescues the bus:
    // tolerance comes before a common sample point.
    r.nodes[1].candidates.push_back(Cand(3, 4, 0, {5000, 9000}));
    plan = SolvePlan(r);
    ASSERT_TRUE(plan.feasible);
    EXPECT_EQ(plan.picks[1].candidate, 1u);
    EXPECT_DOUBLE_EQ(plan.sampleSpreadPct, 12.5);
  }
}

TEST(Plan, PropagationCountsTheRoundTripAndBothLoops) {
  // 40 m at 5 ns/m: 200 ns one way. a needs 400 + 150 + 250, b 400 + 250 + 250.
  PlanRequest r;
  r.busDelayNs = 200;
  r.nodes = {{"a", 0, 150, {Cand(7, 8, 0, {5000, 5000}, 800)}},
             {"b", 0, 250, {Cand(7, 8, 0, {5000, 5000}, 900)}}};
  NetworkPlan plan = SolvePlan(r);
  ASSERT_TRUE(plan.feasible);
  EXPECT_DOUBLE_EQ(plan.picks[1].propagationNs, 900.0);

  r.nodes[1].candidates[0].beforeSampleNs = 899.5;
  r.nodes[1].candidates.push_back(Cand(3, 4, 0, {5000, 5000}, 700));
  plan = SolvePlan(r);
  ASSERT_FALSE(plan.feasible);
  EXPECT_EQ(plan.shortfall.failure, PlanFailure::Propagation);
  EXPECT_EQ(plan.shortfall.node, 1u);
  EXPECT_DOUBLE_EQ(plan.shortfall.neededNs, 900.0);
  EXPECT_DOUBLE_EQ(plan.shortfall.availableNs, 899.5);
  EXPECT_DOUBLE_EQ(plan.shortfall.maxBusDelayNs, 199.75);
}

TEST(Plan, EmptyInputsAreRefusedNotSolved) {
  PlanRequest r;
  EXPECT_EQ(SolvePlan(r).shortfall.failure, PlanFailure::NoNodes);
  r.nodes = {{"a", 0, 0, {Cand(7, 8, 0, {5000, 5000})}}, {"b", 0, 0, {}}};
  const NetworkPlan plan = SolvePlan(r);
  EXPECT_FALSE(plan.feasible);
  EXPECT_EQ(plan.shortfall.failure, PlanFailure::NoSetting);
  EXPECT_EQ(plan.shortfall.node, 1u);
}

TEST(Plan, OffersKeepTheLargestSjwThatStillCoversTheBus) {
  // SJA1000 at 8 MHz reported, 500 kbit/s: brp 1, 16 quanta of 125 ns; at
  // 87.5 % tseg1 13, tseg2 2. A one-way bus delay of 700 ns asks for 1400 ns
  // before the sample point less sjw: (13 - 2) x 125 = 1375 is short,
  // (13 - 1) x 125 = 1500 covers, so sjw 1. Prop-seg takes the delay,
  // ceil(1400 / 125) = 12 quanta, leaving phase-seg1 1: condition 2,
  // min(1, 2) / (2 x (13 x 16 - 2)), limits at 2427 ppm, below condition 1's
  // 1 / (20 x 16) = 3125. At 600 ns sjw 2 fits and phase-seg1 is 3: 4854 ppm.
  const ControllerProfile* sja = FindProfile(BuiltInProfiles(), "sja1000");
  ASSERT_NE(sja, nullptr);
  PlanBusSpec bus;
  bus.bitrate = *ParseKbitText("500");
  bus.target = QuantaShare{875, 1000};
  for (const auto& [delay, sjw, margin] : {std::tuple{700.0, 1u, 1e6 / 412}, {600.0, 2u, 2e6 / 412}}) {
    bus.busDelayNs = delay;
    const PlanOffers offers =
        MakePlanOffers({{"a", sja, 8000000, 0, 0}, {"b", sja, 8000000, 0, 0}}, bus);
    const NetworkPlan plan = SolvePlan(offers.request);
    ASSERT_TRUE(plan.feasible) << delay;
    const PhaseTiming& t = offers.offers[0].nominal[plan.picks[0].candidate];
    EXPECT_EQ(t.brp, 1u);
    EXPECT_EQ(t.Tseg1(), 13u);
    EXPECT_EQ(t.phaseSeg2, 2u);
    EXPECT_EQ(t.sjw, sjw) << delay;
    EXPECT_EQ(plan.limitingCondition, 2) << delay;
    EXPECT_NEAR(plan.minMarginPpm, margin, 1e-6) << delay;
  }
}

TEST(Plan, OffersLoseNothingAgainstEveryPairOfEveryTiming) {
  // The plan from the pruned offers equals the plan from every nominal/data
  // pair of every exact timing, each judged in full: once where conditions 1
  // and 2 limit, once where the prescalers differ and condition 5 does.
  const std::vector<ControllerProfile>& all = BuiltInProfiles();
  struct Case {
    const char* nominal;
    const char* data;
    const char* first;
  };
  for (const Case& k : {Case{"1000", "4000", "m_can"}, Case{"125", "5000", "flexcan-fd"}}) {
    PlanBusSpec bus;
    bus.bitrate = *ParseKbitText(k.nominal);
    bus.dataBitrate = *ParseKbitText(k.data);
    bus.busDelayNs = 50;
    bus.target = QuantaShare{3, 4};
    bus.dataTarget = QuantaShare{7, 10};
    const std::vector<PlanNodeSpec> specs{{"a", FindProfile(all, k.first), 40000000, 0, 150},
                                          {"b", FindProfile(all, "mcp2518fd"), 40000000, 0, 0}};
    const NetworkPlan pruned = SolvePlan(MakePlanOffers(specs, bus).request);

    PlanRequest full;
    full.busDelayNs = bus.busDelayNs;
    full.target = bus.target;
    full.dataTarget = bus.dataTarget;
    for (const PlanNodeSpec& spec : specs) {
      const ControllerProfile& p = *spec.profile;
      full.nodes.push_back({spec.name, spec.oscillatorPpm, spec.loopDelayNs, {}});
      SearchRequest n{HeldLimits(p.nominal, p.registers), SplitBoundsOf(p.registers), spec.clockHz, bus.bitrate, 0};
      n.propDelayNs = 2 * bus.busDelayNs + spec.loopDelayNs + 150;
      const RegisterLayout dataLayout = DataAsNominal(p.dataRegisters);
      const SearchRequest d{HeldLimits(*p.data, dataLayout), SplitBoundsOf(dataLayout), spec.clockHz,
                            *bus.dataBitrate, std::nullopt};
      for (const PhaseTiming& nt : ExactTimings(n)) {
        for (const PhaseTiming& dt : ExactTimings(d)) {
          PlanCandidate c;
          c.samplePoint = {1 + nt.Tseg1(), nt.QuantaPerBit()};
          c.dataSamplePoint = QuantaShare{1 + dt.Tseg1(), dt.QuantaPerBit()};
          const FdToleranceResult tol = *FdTolerance(nt, dt);
          for (int j = 0; j < 5; ++j) c.tolerancePpm[j] = 1e6 * tol.bounds[j];
          c.conditionCount = 5;
          c.beforeSampleNs = (static_cast<double>(nt.Tseg1()) - nt.sjw) * TqNs(nt, spec.clockHz);
          c.dataPhaseWorks = DataPhaseWorks(p, spec.clockHz, spec.loopDelayNs, dt);
          full.nodes.back().candidates.push_back(c);
        }
      }
    }
    ASSERT_GT(full.nodes[0].candidates.size(), 1000u) << k.nominal;
    const NetworkPlan everything = SolvePlan(full);
    ASSERT_TRUE(everything.feasible) << k.nominal;
    ASSERT_TRUE(pruned.feasible) << k.nominal;
    EXPECT_DOUBLE_EQ(pruned.sampleSpreadPct, everything.sampleSpreadPct) << k.nominal;
    EXPECT_DOUBLE_EQ(*pruned.dataSampleSpreadPct, *everything.dataSampleSpreadPct) << k.nominal;
    EXPECT_DOUBLE_EQ(pruned.minMarginPpm, everything.minMarginPpm) << k.nominal;
    EXPECT_EQ(pruned.limitingCondition, everything.limitingCondition) << k.nominal;
  }
}

}  // namespace
}  // namespace kelvane::cantiming
