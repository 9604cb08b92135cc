#include "fd_combination.h"

#include "fd_phase.h"

#include <algorithm>
#include <cmath>

namespace kelvane::cantiming {

namespace {

__extension__ typedef __int128 Wide;

// Pairs evaluated at most while the recommendation is still missing.
constexpr std::uint64_t kMostEvaluated = 2000000;

// Candidates of one phase with the same place in the first two keys.
struct Group {
  bool exact = true;
  std::int64_t miss = 0;
  std::vector<std::size_t> members;
};

std::vector<Group> Groups(const std::vector<FdCandidate>& c) {
  // Exact first, then the smaller miss; members keep the list's order.
  std::vector<std::size_t> order(c.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (c[a].exact != c[b].exact) return c[a].exact;
    return c[a].samplePointMiss < c[b].samplePointMiss;
  });
  std::vector<Group> out;
  for (const std::size_t i : order) {
    if (out.empty() || out.back().exact != c[i].exact || out.back().miss != c[i].samplePointMiss)
      out.push_back({c[i].exact, c[i].samplePointMiss, {}});
    out.back().members.push_back(i);
  }
  return out;
}

}  // namespace

bool WithinFdTolerance(const FdToleranceResult& t, double errorPpm, std::uint64_t oscillatorPpm) {
  // error + oscillator <= 1e6 x num / den
  errorPpm = std::fabs(errorPpm);
  if (errorPpm == 0.0)
    return static_cast<Wide>(oscillatorPpm) * t.limitDen <= static_cast<Wide>(1000000) * t.limitNum;
  return (static_cast<long double>(errorPpm) + oscillatorPpm) * t.limitDen <=
         1e6L * static_cast<long double>(t.limitNum);
}

namespace {

// The order after the sample points: CiA 601-3's advice (a data prescaler
// TDC can work with, then one prescaler for both phases), then the larger
// tolerance, then the lists' own order.
struct After {
  const std::vector<FdCandidate>& nominal;
  const std::vector<FdCandidate>& data;
  bool operator()(const FdCombination& a, const FdCombination& b) const {
    const auto same = [&](const FdCombination& c) {
      return nominal[c.nominal].timing.brp == data[c.data].timing.brp;
    };
    const auto small = [&](const FdCombination& c) { return data[c.data].timing.brp <= 2; };
    if (small(a) != small(b)) return small(a);
    if (same(a) != same(b)) return same(a);
    const Wide left = static_cast<Wide>(a.tolerance.limitNum) * b.tolerance.limitDen;
    const Wide right = static_cast<Wide>(b.tolerance.limitNum) * a.tolerance.limitDen;
    if (left != right) return left > right;
    if (a.nominal != b.nominal) return a.nominal < b.nominal;
    return a.data < b.data;
  }
};

}  // namespace

std::int64_t SamplePointMiss(const PhaseTiming& timing, double targetPct) {
  const double pct = 100.0 * (1 + timing.Tseg1()) / timing.QuantaPerBit();
  const double steps = std::round(std::fabs(pct - targetPct) / 1e-9);
  return std::isfinite(steps) && steps < 9e18 ? static_cast<std::int64_t>(steps) : INT64_MAX / 4;
}

FdRanking RankCombinations(const std::vector<FdCandidate>& nominal,
                           const std::vector<FdCandidate>& data, std::uint64_t oscillatorPpm,
                           std::size_t limit) {
  FdRanking ranking;
  ranking.total = static_cast<std::uint64_t>(nominal.size()) * data.size();
  const std::vector<Group> ng = Groups(nominal);
  const std::vector<Group> dg = Groups(data);

  // Every pair of groups, in the order of its first two keys.
  struct GroupPair {
    bool exact;
    std::int64_t miss;
    std::size_t n, d;
  };
  std::vector<GroupPair> pairs;
  pairs.reserve(ng.size() * dg.size());
  for (std::size_t i = 0; i < ng.size(); ++i)
    for (std::size_t j = 0; j < dg.size(); ++j)
      pairs.push_back({ng[i].exact && dg[j].exact, ng[i].miss + dg[j].miss, i, j});
  std::sort(pairs.begin(), pairs.end(), [](const GroupPair& a, const GroupPair& b) {
    if (a.exact != b.exact) return a.exact;
    if (a.miss != b.miss) return a.miss < b.miss;
    return a.n != b.n ? a.n < b.n : a.d < b.d;
  });

  std::uint64_t evaluated = 0;
  std::optional<FdCombination> late;  // the recommendable pair found beyond the listing
  std::vector<FdCombination> run;
  for (std::size_t p = 0; p < pairs.size();) {
    const bool listing = ranking.listed.size() < limit;
    if (!listing && (ranking.recommended || late)) break;
    if (evaluated >= kMostEvaluated && !listing) {
      ranking.searchedAll = false;
      break;
    }
    // One run of equal first keys, ordered by the rest.
    run.clear();
    std::size_t q = p;
    for (; q < pairs.size() && pairs[q].exact == pairs[p].exact && pairs[q].miss == pairs[p].miss; ++q) {
      for (const std::size_t n : ng[pairs[q].n].members) {
        for (const std::size_t d : dg[pairs[q].d].members) {
          const std::optional<FdToleranceResult> t = FdTolerance(nominal[n].timing, data[d].timing);
          if (!t) continue;
          FdCombination c;
          c.nominal = n;
          c.data = d;
          c.tolerance = *t;
          const double error = std::max(std::fabs(nominal[n].errorPpm), std::fabs(data[d].errorPpm));
          c.withinTolerance = WithinFdTolerance(*t, error, oscillatorPpm);
          c.recommendable = c.withinTolerance && nominal[n].usable && data[d].usable;
          run.push_back(c);
        }
      }
    }
    evaluated += run.size();
    p = q;
    std::sort(run.begin(), run.end(), After{nominal, data});
    for (const FdCombination& c : run) {
      if (ranking.listed.size() < limit) {
        if (c.recommendable && !ranking.recommended) ranking.recommended = ranking.listed.size();
        ranking.listed.push_back(c);
      } else if (c.recommendable && !ranking.recommended && !late) {
        late = c;
        break;
      }
    }
  }
  if (late) {
    ranking.recommended = ranking.listed.size();
    ranking.listed.push_back(*late);
  }
  return ranking;
}

}  // namespace kelvane::cantiming
