#include "plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelvane::cantiming {

namespace {

__extension__ typedef __int128 Wide;

// Sample points of up to 65535 quanta and targets of up to 32 bits keep every
// product below in 128 bits without reducing.
struct Frac {
  Wide num = 0;
  Wide den = 1;  // > 0
};

Frac Of(const QuantaShare& s) { return {s.part, s.whole}; }
int Cmp(const Frac& x, const Frac& y) {
  const Wide l = x.num * y.den;
  const Wide r = y.num * x.den;
  return l < r ? -1 : (l > r ? 1 : 0);
}
Frac Add(const Frac& x, const Frac& y) { return {x.num * y.den + y.num * x.den, x.den * y.den}; }
Frac Sub(const Frac& x, const Frac& y) { return {x.num * y.den - y.num * x.den, x.den * y.den}; }

bool Usable(const QuantaShare& s) { return s.whole > 0 && s.whole <= 65535 && s.part <= s.whole; }

// Compares the middles of two windows, given as lo + hi, by their distance
// to the target without dividing: -1 when the first lies closer.
int CompareDistance(const Frac& sum1, const Frac& sum2, const std::optional<QuantaShare>& target) {
  if (!target) return 0;
  const Frac twice{Wide{2} * target->part, target->whole};
  const int s1 = Cmp(sum1, twice);
  const int s2 = Cmp(sum2, twice);
  if (s1 == 0 || s2 == 0) return (s1 != 0) - (s2 != 0);
  if (s1 == s2) return s1 > 0 ? Cmp(sum1, sum2) : Cmp(sum2, sum1);
  // On opposite sides: s1 - 2t < 2t - s2 exactly when s1 + s2 < 4t.
  const int c = Cmp(Add(sum1, sum2), Frac{Wide{4} * target->part, target->whole});
  return s1 > 0 ? c : -c;
}

struct Item {
  QuantaShare at;
  std::size_t node;
  std::size_t candidate;
};

struct Window {
  QuantaShare lo, hi;
  Frac spread() const { return Sub(Of(hi), Of(lo)); }
  Frac sum() const { return Add(Of(lo), Of(hi)); }
};

// Among windows [lo, hi] over the sorted items that hold one item of every
// node, those of the smallest spread and then the middle nearest the target.
std::vector<Window> BestWindows(const std::vector<Item>& sorted, std::size_t nodes,
                                const std::optional<QuantaShare>& target) {
  std::vector<Window> best;
  std::vector<std::size_t> count(nodes, 0);
  std::size_t covered = 0;
  std::size_t l = 0;
  for (std::size_t r = 0; r < sorted.size(); ++r) {
    if (count[sorted[r].node]++ == 0) ++covered;
    while (covered == nodes) {
      if (count[sorted[l].node] == 1) {
        // [l, r] covers and cannot lose its left item: a minimal window.
        const Window w{sorted[l].at, sorted[r].at};
        int order = best.empty() ? -1 : Cmp(w.spread(), best.front().spread());
        if (order == 0) order = CompareDistance(w.sum(), best.front().sum(), target);
        if (order < 0) best.assign(1, w);
        else if (order == 0 && Cmp(Of(w.lo), Of(best.back().lo)) != 0) best.push_back(w);
      }
      if (--count[sorted[l].node] == 0) --covered;
      ++l;
    }
  }
  return best;
}

bool Inside(const QuantaShare& at, const Window& w) {
  return Cmp(Of(w.lo), Of(at)) <= 0 && Cmp(Of(at), Of(w.hi)) <= 0;
}

struct Scored {
  double deviation = 0;
  double tolerance = 0;
  int condition = 1;
};

struct Choice {
  bool ok = false;
  Window nominal;
  std::optional<Window> data;
  double minMargin = 0;
  std::vector<std::size_t> picks;
};

// -1 when a is the better plan.
int CompareChoice(const Choice& a, const Choice& b, const PlanRequest& request) {
  if (!a.ok || !b.ok) return (!a.ok) - (!b.ok);
  if (int c = Cmp(a.nominal.spread(), b.nominal.spread())) return c;
  if (int c = CompareDistance(a.nominal.sum(), b.nominal.sum(), request.target)) return c;
  if (a.data && b.data) {
    if (int c = Cmp(a.data->spread(), b.data->spread())) return c;
    if (int c = CompareDistance(a.data->sum(), b.data->sum(), request.dataTarget)) return c;
  }
  if (a.minMargin != b.minMargin) return a.minMargin > b.minMargin ? -1 : 1;
  return 0;
}

class Solver {
 public:
  explicit Solver(const PlanRequest& request) : request_(request) {}

  NetworkPlan Run();

 private:
  double Margin(std::size_t node, std::size_t c, double worst) const {
    const Scored& s = scored_[node][c];
    return s.tolerance - (s.deviation + worst) / 2;
  }
  bool Allowed(std::size_t node, std::size_t c, double worst) const {
    const Scored& s = scored_[node][c];
    return covers_[node][c] && s.deviation <= worst && s.deviation + worst <= 2 * s.tolerance;
  }
  Choice BestUnder(double worst) const;
  void PickMargins(const Window& nominal, const std::optional<Window>& data, double worst,
                   Choice& choice) const;
  void Diagnose(NetworkPlan& plan, const std::vector<double>& bounds) const;

  const PlanRequest& request_;
  bool fd_ = true;
  std::vector<std::vector<Scored>> scored_;
  std::vector<std::vector<bool>> covers_;  // usable and covering the propagation delay
  std::vector<Item> byNominal_;            // every such candidate, by sample point
};

void Solver::PickMargins(const Window& nominal, const std::optional<Window>& data, double worst,
                         Choice& choice) const {
  const std::size_t n = request_.nodes.size();
  choice.picks.assign(n, 0);
  std::vector<bool> found(n, false);
  std::vector<double> margin(n, 0);
  for (const Item& item : byNominal_) {
    const std::size_t i = item.node;
    const std::size_t c = item.candidate;
    if (!Allowed(i, c, worst) || !Inside(item.at, nominal)) continue;
    if (data && !Inside(*request_.nodes[i].candidates[c].dataSamplePoint, *data)) continue;
    const double m = Margin(i, c, worst);
    // Equal margins keep the node's earlier candidate: the order it was given in.
    if (!found[i] || m > margin[i] || (m == margin[i] && c < choice.picks[i])) {
      found[i] = true;
      margin[i] = m;
      choice.picks[i] = c;
    }
  }
  choice.minMargin = *std::min_element(margin.begin(), margin.end());
}

Choice Solver::BestUnder(double worst) const {
  const std::size_t n = request_.nodes.size();
  std::vector<Item> allowed;
  for (const Item& item : byNominal_)
    if (Allowed(item.node, item.candidate, worst)) allowed.push_back(item);
  Choice best;
  for (const Window& nominal : BestWindows(allowed, n, request_.target)) {
    std::vector<std::optional<Window>> dataWindows{std::nullopt};
    if (fd_) {
      std::vector<Item> inData;
      for (const Item& item : allowed)
        if (Inside(item.at, nominal))
          inData.push_back({*request_.nodes[item.node].candidates[item.candidate].dataSamplePoint,
                            item.node, item.candidate});
      std::stable_sort(inData.begin(), inData.end(), [](const Item& a, const Item& b) {
        return Cmp(Of(a.at), Of(b.at)) < 0;
      });
      dataWindows.clear();
      for (const Window& w : BestWindows(inData, n, request_.dataTarget)) dataWindows.emplace_back(w);
    }
    for (const std::optional<Window>& data : dataWindows) {
      Choice choice;
      choice.ok = true;
      choice.nominal = nominal;
      choice.data = data;
      PickMargins(nominal, data, worst, choice);
      if (CompareChoice(choice, best, request_) < 0) best = std::move(choice);
    }
  }
  return best;
}

NetworkPlan Solver::Run() {
  NetworkPlan plan;
  const std::size_t n = request_.nodes.size();
  if (n == 0) {
    plan.shortfall.failure = PlanFailure::NoNodes;
    return plan;
  }
  scored_.resize(n);
  covers_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const PlanNode& node = request_.nodes[i];
    const double need = PropagationNs(request_, i);
    for (std::size_t c = 0; c < node.candidates.size(); ++c) {
      const PlanCandidate& cand = node.candidates[c];
      Scored s;
      s.deviation = std::abs(cand.rateErrorPpm) + node.oscillatorPpm;
      const std::size_t conditions =
          std::clamp<std::size_t>(cand.conditionCount, 1, kMaxToleranceConditions);
      s.tolerance = cand.tolerancePpm[0];
      for (std::size_t k = 1; k < conditions; ++k)
        if (cand.tolerancePpm[k] < s.tolerance) {
          s.tolerance = cand.tolerancePpm[k];
          s.condition = static_cast<int>(k) + 1;
        }
      fd_ = fd_ && cand.dataSamplePoint.has_value();
      scored_[i].push_back(s);
      covers_[i].push_back(Usable(cand.samplePoint) && cand.beforeSampleNs >= need && cand.dataPhaseWorks &&
                           (!cand.dataSamplePoint || Usable(*cand.dataSamplePoint)) &&
                           std::isfinite(s.deviation) && std::isfinite(s.tolerance));
      byNominal_.push_back({cand.samplePoint, i, c});
    }
  }
  std::stable_sort(byNominal_.begin(), byNominal_.end(),
                   [](const Item& a, const Item& b) { return Cmp(Of(a.at), Of(b.at)) < 0; });

  // The bus's worst deviation is one of the candidates' deviations, and no
  // lower than the least any node can offer.
  double floor = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t c = 0; c < scored_[i].size(); ++c)
      if (covers_[i][c]) least = std::min(least, scored_[i][c].deviation);
    floor = std::max(floor, least);
  }
  std::vector<double> bounds;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t c = 0; c < scored_[i].size(); ++c)
      if (covers_[i][c] && scored_[i][c].deviation >= floor) bounds.push_back(scored_[i][c].deviation);
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());

  // A plan valued under a bound above its true worst deviation only loses
  // margin, so the best over every bound is the best plan; equal plans keep
  // the lower bound.
  Choice best;
  for (const double worst : bounds) {
    Choice choice = BestUnder(worst);
    if (CompareChoice(choice, best, request_) < 0) best = std::move(choice);
  }
  if (!best.ok) {
    Diagnose(plan, bounds);
    return plan;
  }

  plan.feasible = true;
  double worst = 0;
  for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, scored_[i][best.picks[i]].deviation);
  plan.minMarginPpm = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    const Scored& s = scored_[i][best.picks[i]];
    NodePick pick;
    pick.candidate = best.picks[i];
    pick.propagationNs = PropagationNs(request_, i);
    pick.deviationPpm = s.deviation;
    pick.demandPpm = s.deviation + worst;
    pick.tolerancePpm = s.tolerance;
    pick.marginPpm = Margin(i, pick.candidate, worst);
    pick.limitingCondition = s.condition;
    if (pick.marginPpm < plan.minMarginPpm) {
      plan.minMarginPpm = pick.marginPpm;
      plan.limitingNode = i;
      plan.limitingCondition = s.condition;
    }
    plan.picks.push_back(pick);
  }
  auto spreadPct = [](const Window& w) {
    const Frac s = w.spread();
    return 100.0 * static_cast<double>(s.num) / static_cast<double>(s.den);
  };
  plan.sampleSpreadPct = spreadPct(best.nominal);
  if (best.data) plan.dataSampleSpreadPct = spreadPct(*best.data);
  return plan;
}

void Solver::Diagnose(NetworkPlan& plan, const std::vector<double>& bounds) const {
  PlanShortfall& why = plan.shortfall;
  const std::size_t n = request_.nodes.size();
  for (std::size_t i = 0; i < n; ++i)
    if (request_.nodes[i].candidates.empty()) {
      why.failure = PlanFailure::NoSetting;
      why.node = i;
      return;
    }
  for (std::size_t i = 0; i < n; ++i) {
    const std::vector<PlanCandidate>& all = request_.nodes[i].candidates;
    if (std::none_of(all.begin(), all.end(), [](const PlanCandidate& c) { return c.dataPhaseWorks; })) {
      why.failure = PlanFailure::DataPhase;
      why.node = i;
      return;
    }
  }
  double slowest = 0;
  for (const PlanNode& node : request_.nodes) slowest = std::max(slowest, node.loopDelayNs);
  for (std::size_t i = 0; i < n; ++i) {
    if (std::find(covers_[i].begin(), covers_[i].end(), true) != covers_[i].end()) continue;
    why.failure = PlanFailure::Propagation;
    why.node = i;
    why.neededNs = PropagationNs(request_, i);
    why.availableNs = -std::numeric_limits<double>::infinity();
    for (std::size_t c = 0; c < request_.nodes[i].candidates.size(); ++c)
      if (Usable(request_.nodes[i].candidates[c].samplePoint))
        why.availableNs = std::max(why.availableNs, request_.nodes[i].candidates[c].beforeSampleNs);
    why.maxBusDelayNs = (why.availableNs - request_.nodes[i].loopDelayNs - slowest) / 2;
    return;
  }
  // Every node covers the delay, so the oscillators fail: under each bound,
  // each node's best margin; report the bound whose worst node comes closest.
  why.failure = PlanFailure::Tolerance;
  why.marginPpm = -std::numeric_limits<double>::infinity();
  for (const double worst : bounds) {
    PlanShortfall here;
    here.marginPpm = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n; ++i) {
      bool any = false;
      PlanShortfall node;
      for (std::size_t c = 0; c < scored_[i].size(); ++c) {
        if (!covers_[i][c] || scored_[i][c].deviation > worst) continue;
        const double m = Margin(i, c, worst);
        if (!any || m > node.marginPpm) {
          any = true;
          node.node = i;
          node.marginPpm = m;
          node.condition = scored_[i][c].condition;
          node.tolerancePpm = scored_[i][c].tolerance;
          node.demandPpm = scored_[i][c].deviation + worst;
        }
      }
      if (any && node.marginPpm < here.marginPpm) here = node;
    }
    if (here.marginPpm > why.marginPpm) {
      here.failure = PlanFailure::Tolerance;
      why = here;
    }
  }
}

}  // namespace

double Percent(const QuantaShare& share) {
  return share.whole == 0 ? 0.0 : 100.0 * share.part / share.whole;
}

double PropagationNs(const PlanRequest& request, std::size_t node) {
  double slowest = 0;
  for (const PlanNode& other : request.nodes) slowest = std::max(slowest, other.loopDelayNs);
  return 2 * request.busDelayNs + request.nodes[node].loopDelayNs + slowest;
}

NetworkPlan SolvePlan(const PlanRequest& request) { return Solver(request).Run(); }

}  // namespace kelvane::cantiming
