#include "plan_offer.h"

#include "fd_phase.h"
#include "timing_search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <tuple>

namespace kelvane::cantiming {

namespace {

QuantaShare Reduced(std::uint32_t part, std::uint32_t whole) {
  const std::uint32_t g = std::gcd(part, whole);
  return g == 0 ? QuantaShare{part, whole} : QuantaShare{part / g, whole / g};
}

QuantaShare SampleShare(const PhaseTiming& t) { return Reduced(1 + t.Tseg1(), t.QuantaPerBit()); }

struct PhaseList {
  std::vector<PhaseTiming> timings;
  Ratio bitrate;
  bool exact = true;
};

PhaseList Timings(const PhaseLimits& limits, const SplitBounds& split, std::uint32_t clockHz,
                  const Ratio& wanted, std::optional<double> propDelayNs) {
  SearchRequest request;
  request.limits = limits;
  request.split = split;
  request.clockHz = clockHz;
  request.wanted = wanted;
  request.propDelayNs = propDelayNs;
  PhaseList list;
  list.timings = ExactTimings(request);
  list.bitrate = wanted;
  if (list.timings.empty()) {
    list.exact = false;
    if (std::optional<NearestResult> nearest = NearestTimings(request)) {
      list.timings = std::move(nearest->timings);
      list.bitrate = nearest->bitrate;
    }
  }
  return list;
}

// Per prescaler and split of the bit, the timing of the largest sjw that
// passes; when none of the list passes, the one that comes closest, so that
// the plan can say by how much it misses.
std::vector<PhaseTiming> Strongest(const std::vector<PhaseTiming>& all,
                                   const std::function<bool(const PhaseTiming&)>& passes,
                                   const std::function<double(const PhaseTiming&)>& closeness) {
  std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::size_t> best;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const PhaseTiming& t = all[i];
    if (!passes(t)) continue;
    auto [at, fresh] = best.try_emplace({t.brp, t.Tseg1(), t.phaseSeg2}, i);
    if (!fresh && t.sjw > all[at->second].sjw) at->second = i;
  }
  std::vector<std::size_t> kept;
  for (const auto& entry : best) kept.push_back(entry.second);
  std::sort(kept.begin(), kept.end());  // the search's own order
  std::vector<PhaseTiming> out;
  for (std::size_t i : kept) out.push_back(all[i]);
  if (out.empty() && !all.empty())
    out.push_back(*std::max_element(all.begin(), all.end(), [&](const PhaseTiming& a, const PhaseTiming& b) {
      return closeness(a) < closeness(b);
    }));
  return out;
}

// The timings' indices grouped by sample point, groups in the order first
// met, each group's strongest (largest bound) first.
std::vector<std::vector<std::size_t>> BySamplePoint(const std::vector<PhaseTiming>& timings,
                                                    const std::vector<double>& bound) {
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t> index;
  std::vector<std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < timings.size(); ++i) {
    const QuantaShare at = SampleShare(timings[i]);
    auto [it, fresh] = index.try_emplace({at.part, at.whole}, groups.size());
    if (fresh) groups.emplace_back();
    groups[it->second].push_back(i);
  }
  for (std::vector<std::size_t>& g : groups)
    std::stable_sort(g.begin(), g.end(), [&](std::size_t a, std::size_t b) { return bound[a] > bound[b]; });
  return groups;
}

double ToleranceCondition(std::uint64_t num, std::uint64_t den) {
  return den == 0 ? 0.0 : 1e6 * static_cast<double>(num) / static_cast<double>(den);
}

}  // namespace

bool DataPhaseWorks(const ControllerProfile& profile, std::uint32_t clockHz, double loopDelayNs,
                    const PhaseTiming& data) {
  const auto loop = static_cast<std::uint64_t>(std::ceil(std::max(0.0, loopDelayNs)));
  const TdcChoice tdc = DriverTdc(profile, clockHz, data);
  if (!tdc.enabled) return !DataPhaseNeedsTdc(loop, clockHz, data);
  if (tdc.truncated) return false;
  const std::optional<std::uint64_t> measurable = TdcMeasurableClocks(profile);
  return !measurable || LoopDelayMeasurable(loop, clockHz, *measurable);
}

double TqNs(const PhaseTiming& timing, std::uint32_t clockHz) {
  return clockHz == 0 ? 0.0 : static_cast<double>(timing.brp) * 1e9 / clockHz;
}

PlanOffers MakePlanOffers(const std::vector<PlanNodeSpec>& nodes, const PlanBusSpec& bus) {
  PlanOffers out;
  PlanRequest& request = out.request;
  request.busDelayNs = bus.busDelayNs;
  request.target = bus.target;
  request.dataTarget = bus.dataTarget;
  for (const PlanNodeSpec& spec : nodes) {
    PlanNode node;
    node.name = spec.name;
    node.oscillatorPpm = spec.oscillatorPpm;
    node.loopDelayNs = spec.loopDelayNs;
    request.nodes.push_back(std::move(node));
  }
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    const PlanNodeSpec& spec = nodes[n];
    PlanNode& node = request.nodes[n];
    NodeOffer offer;
    if (spec.profile == nullptr || spec.clockHz == 0) {
      out.offers.push_back(offer);
      continue;
    }
    // A node like an earlier one (controller, clock, loop: the oscillator
    // only matters to the plan) offers what that one offers.
    std::size_t twin = 0;
    while (twin < n && !(nodes[twin].profile == spec.profile && nodes[twin].clockHz == spec.clockHz &&
                         nodes[twin].loopDelayNs == spec.loopDelayNs))
      ++twin;
    if (twin < n) {
      node.candidates = request.nodes[twin].candidates;
      out.offers.push_back(out.offers[twin]);
      continue;
    }
    const ControllerProfile& profile = *spec.profile;
    const double need = PropagationNs(request, n);
    const PhaseList nominal = Timings(HeldLimits(profile.nominal, profile.registers),
                                      SplitBoundsOf(profile.registers), spec.clockHz, bus.bitrate, need);
    offer.nominalExact = nominal.exact;
    offer.bitrate = nominal.bitrate;
    // The segment before the sample point, less what a resynchronisation may
    // take from it, must carry the propagation delay.
    const auto before = [&](const PhaseTiming& t) {
      return (static_cast<double>(t.Tseg1()) - t.sjw) * TqNs(t, spec.clockHz);
    };
    const std::vector<PhaseTiming> nominalKept =
        Strongest(nominal.timings, [&](const PhaseTiming& t) { return before(t) >= need; }, before);
    const double nominalError = ErrorPpm(nominal.bitrate, bus.bitrate);

    if (!bus.dataBitrate || !profile.data) {
      for (const PhaseTiming& t : nominalKept) {
        PlanCandidate c;
        c.samplePoint = SampleShare(t);
        c.rateErrorPpm = nominalError;
        const std::uint64_t nbt = t.QuantaPerBit();
        c.tolerancePpm[0] = ToleranceCondition(t.sjw, 20 * nbt);
        c.tolerancePpm[1] =
            ToleranceCondition(std::min(t.phaseSeg1, t.phaseSeg2), 2 * (13 * nbt - t.phaseSeg2));
        c.conditionCount = 2;
        c.beforeSampleNs = before(t);
        node.candidates.push_back(c);
        offer.nominal.push_back(t);
      }
      out.offers.push_back(std::move(offer));
      continue;
    }

    // The data phase searched as --controller --data-bitrate searches it.
    const RegisterLayout dataLayout = DataAsNominal(profile.dataRegisters);
    const PhaseLimits dataLimits = dataLayout.empty() ? *profile.data : HeldLimits(*profile.data, dataLayout);
    const PhaseList data = Timings(dataLimits, SplitBoundsOf(dataLayout), spec.clockHz, *bus.dataBitrate, std::nullopt);
    offer.dataExact = data.exact;
    offer.dataBitrate = data.bitrate;
    const auto usable = [&](const PhaseTiming& t) {
      return DataPhaseWorks(profile, spec.clockHz, spec.loopDelayNs, t);
    };
    const std::vector<PhaseTiming> dataKept =
        Strongest(data.timings, usable, [](const PhaseTiming& t) { return static_cast<double>(t.sjw); });
    const bool dataWorks = !dataKept.empty() && usable(dataKept.front());
    const double dataError = ErrorPpm(data.bitrate, *bus.dataBitrate);
    const double error = std::abs(dataError) > std::abs(nominalError) ? dataError : nominalError;

    // Per pair of sample points, the pair of the largest tolerance. Conditions
    // 1 and 2 bound a nominal timing's tolerance and condition 3 a data
    // timing's, so with each group tried strongest first, the search stops
    // as soon as neither bound can beat the best pair found.
    std::vector<double> nominalBound, dataBound;
    for (const PhaseTiming& t : nominalKept) {
      const double nbt = t.QuantaPerBit();
      nominalBound.push_back(std::min(static_cast<double>(t.sjw) / (20 * nbt),
                                      static_cast<double>(std::min(t.phaseSeg1, t.phaseSeg2)) /
                                          (2 * (13 * nbt - t.phaseSeg2))));
    }
    for (const PhaseTiming& t : dataKept)
      dataBound.push_back(static_cast<double>(t.sjw) / (20.0 * t.QuantaPerBit()));
    const std::vector<std::vector<std::size_t>> nominalGroups = BySamplePoint(nominalKept, nominalBound);
    const std::vector<std::vector<std::size_t>> dataGroups = BySamplePoint(dataKept, dataBound);
    for (const std::vector<std::size_t>& g : nominalGroups) {
      for (const std::vector<std::size_t>& h : dataGroups) {
        double best = -std::numeric_limits<double>::infinity();
        std::optional<FdToleranceResult> bestTolerance;
        std::size_t bestNominal = 0, bestData = 0;
        for (const std::size_t j : h) {
          if (dataBound[j] <= best) break;
          for (const std::size_t i : g) {
            if (std::min(nominalBound[i], dataBound[j]) <= best) break;
            const std::optional<FdToleranceResult> tol = FdTolerance(nominalKept[i], dataKept[j]);
            if (!tol) continue;
            const double lowest = *std::min_element(tol->bounds.begin(), tol->bounds.end());
            if (lowest > best) {
              best = lowest;
              bestTolerance = tol;
              bestNominal = i;
              bestData = j;
            }
          }
        }
        if (!bestTolerance) continue;
        PlanCandidate c;
        c.samplePoint = SampleShare(nominalKept[bestNominal]);
        c.dataSamplePoint = SampleShare(dataKept[bestData]);
        c.rateErrorPpm = error;
        for (std::size_t k = 0; k < 5; ++k) c.tolerancePpm[k] = 1e6 * bestTolerance->bounds[k];
        c.conditionCount = 5;
        c.beforeSampleNs = before(nominalKept[bestNominal]);
        c.dataPhaseWorks = dataWorks;
        node.candidates.push_back(c);
        offer.nominal.push_back(nominalKept[bestNominal]);
        offer.data.push_back(dataKept[bestData]);
      }
    }
    out.offers.push_back(std::move(offer));
  }
  return out;
}

}  // namespace kelvane::cantiming
