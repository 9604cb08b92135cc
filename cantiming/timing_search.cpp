#include "timing_search.h"

#include <algorithm>
#include <cmath>

namespace kelvane::cantiming {

namespace {

__extension__ typedef unsigned __int128 Wide;

std::uint32_t Narrow(std::uint64_t v) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, UINT32_MAX));
}

// Quanta per bit the limits allow.
std::uint64_t FewestQuanta(const PhaseLimits& l) { return 1ull + l.tseg1Min + l.tseg2Min; }
std::uint64_t MostQuanta(const PhaseLimits& l) { return 1ull + l.tseg1Max + l.tseg2Max; }

// A prescaler the limits allow and the kernel can be given through tq.
bool UsableBrp(const SearchRequest& r, std::uint64_t brp) {
  const PhaseLimits& l = r.limits;
  if (brp < l.brpMin || brp > l.brpMax) return false;
  if (l.brpInc > 1 && brp % l.brpInc != 0) return false;
  return KernelTqFor(r.clockHz, static_cast<std::uint32_t>(brp), l.brpInc).has_value();
}

// Every timing of brp x quanta = ticks, appended in brp, tseg1, sjw order.
void TimingsOfTicks(const SearchRequest& r, std::uint64_t ticks, std::vector<PhaseTiming>& out) {
  const PhaseLimits& l = r.limits;
  const std::uint64_t first = std::max<std::uint64_t>(l.brpMin, 1);
  for (std::uint64_t brp = first; brp <= l.brpMax && brp <= ticks; ++brp) {
    if (ticks % brp != 0) continue;
    const std::uint64_t quanta = ticks / brp;
    if (quanta < FewestQuanta(l) || quanta > MostQuanta(l) || !UsableBrp(r, brp)) continue;
    const double tqNs = static_cast<double>(brp) * 1e9 / r.clockHz;
    const std::uint32_t wantedProp = PropagationQuanta(r.propDelayNs, tqNs);
    const std::uint64_t tseg = quanta - 1;
    // tseg1 ascending: tseg2 descending.
    const std::uint64_t tseg1Low = std::max<std::uint64_t>(l.tseg1Min, tseg > l.tseg2Max ? tseg - l.tseg2Max : 0);
    const std::uint64_t tseg1High = std::min<std::uint64_t>(l.tseg1Max, tseg >= l.tseg2Min ? tseg - l.tseg2Min : 0);
    for (std::uint64_t tseg1 = tseg1Low; tseg1 <= tseg1High; ++tseg1) {
      const std::uint64_t tseg2 = tseg - tseg1;
      if (tseg2 < l.tseg2Min || tseg2 > l.tseg2Max) continue;
      const std::uint64_t sjwHigh = std::min<std::uint64_t>({l.sjwMax, tseg2, tseg1});
      for (std::uint64_t sjw = 1; sjw <= sjwHigh; ++sjw) {
        const std::optional<PhaseTiming> t =
            SplitTseg1(Narrow(brp), Narrow(tseg1), Narrow(tseg2), Narrow(sjw), wantedProp, r.split);
        if (t) out.push_back(*t);
      }
    }
  }
}

}  // namespace

SplitBounds SplitBoundsOf(const RegisterLayout& layout, Quantity propSeg, Quantity phaseSeg1) {
  SplitBounds b;
  const std::optional<HeldRange> prop = RangeHeld(layout, propSeg);
  const std::optional<HeldRange> phase = RangeHeld(layout, phaseSeg1);
  if (prop) {
    b.propMin = Narrow(prop->min);
    b.propMax = Narrow(prop->max);
  }
  if (phase) {
    b.phase1Min = std::max<std::uint32_t>(1, Narrow(phase->min));
    b.phase1Max = Narrow(phase->max);
  }
  return b;
}

PhaseLimits HeldLimits(const PhaseLimits& limits, const RegisterLayout& layout) {
  PhaseLimits l = limits;
  const auto narrow = [](std::uint32_t& low, std::uint32_t& high, std::optional<HeldRange> held) {
    if (!held) return;
    low = std::max(low, Narrow(held->min));
    high = std::min(high, Narrow(held->max));
  };
  narrow(l.brpMin, l.brpMax, RangeHeld(layout, Quantity::Brp));
  narrow(l.tseg2Min, l.tseg2Max, RangeHeld(layout, Quantity::PhaseSeg2));
  std::uint32_t sjwLow = 1;
  narrow(sjwLow, l.sjwMax, RangeHeld(layout, Quantity::Sjw));
  std::optional<HeldRange> tseg1 = RangeHeld(layout, Quantity::Tseg1);
  const std::optional<HeldRange> prop = RangeHeld(layout, Quantity::PropSeg);
  const std::optional<HeldRange> phase = RangeHeld(layout, Quantity::PhaseSeg1);
  if (!tseg1 && prop && phase) tseg1 = HeldRange{prop->min + phase->min, prop->max + phase->max};
  narrow(l.tseg1Min, l.tseg1Max, tseg1);
  return l;
}

std::optional<PhaseTiming> SplitTseg1(std::uint32_t brp, std::uint32_t tseg1, std::uint32_t tseg2,
                                      std::uint32_t sjw, std::uint32_t wantedPropSeg,
                                      const SplitBounds& b) {
  const std::uint32_t phaseLeast = std::max(sjw, b.phase1Min);
  if (tseg1 < phaseLeast) return std::nullopt;
  const std::uint32_t high = std::min(b.propMax, tseg1 - phaseLeast);
  const std::uint32_t low = std::max(b.propMin, tseg1 > b.phase1Max ? tseg1 - b.phase1Max : 0u);
  if (low > high) return std::nullopt;
  PhaseTiming t;
  t.brp = brp;
  t.propSeg = std::clamp(wantedPropSeg, low, high);
  t.phaseSeg1 = tseg1 - t.propSeg;
  t.phaseSeg2 = tseg2;
  t.sjw = sjw;
  return t;
}

std::vector<PhaseTiming> ExactTimings(const SearchRequest& r) {
  std::vector<PhaseTiming> out;
  if (r.clockHz == 0 || r.wanted.num == 0) return out;
  // clock / (brp x quanta) = num / den  <=>  brp x quanta = clock x den / num.
  const Wide scaled = static_cast<Wide>(r.clockHz) * r.wanted.den;
  if (scaled % r.wanted.num != 0) return out;
  const Wide ticks = scaled / r.wanted.num;
  if (ticks > static_cast<Wide>(r.limits.brpMax) * MostQuanta(r.limits)) return out;
  TimingsOfTicks(r, static_cast<std::uint64_t>(ticks), out);
  return out;
}

std::optional<NearestResult> NearestTimings(const SearchRequest& r) {
  if (r.clockHz == 0 || r.wanted.num == 0) return std::nullopt;
  const PhaseLimits& l = r.limits;
  const long double wanted = static_cast<long double>(r.wanted.num) / r.wanted.den;
  const long double ideal = r.clockHz / wanted;  // brp x quanta for the wanted rate
  std::uint64_t bestTicks = 0;
  long double bestMiss = 0;
  for (std::uint64_t brp = std::max<std::uint32_t>(l.brpMin, 1); brp <= l.brpMax; ++brp) {
    if (!UsableBrp(r, brp)) continue;
    const long double quanta = ideal / brp;
    const long double below = std::floor(quanta);
    for (long double q : {below, below + 1}) {
      q = std::clamp(q, static_cast<long double>(FewestQuanta(l)),
                     static_cast<long double>(MostQuanta(l)));
      const auto ticks = static_cast<std::uint64_t>(q) * brp;
      const long double miss = std::fabs(r.clockHz / static_cast<long double>(ticks) - wanted);
      if (bestTicks == 0 || miss < bestMiss || (miss == bestMiss && ticks < bestTicks)) {
        bestTicks = ticks;
        bestMiss = miss;
      }
    }
  }
  if (bestTicks == 0) return std::nullopt;
  NearestResult result;
  result.bitrate = *MakeRatio(r.clockHz, bestTicks);
  TimingsOfTicks(r, bestTicks, result.timings);
  if (result.timings.empty()) return std::nullopt;
  return result;
}

}  // namespace kelvane::cantiming
