#pragma once
// Every timing a controller can run at a rate: the exact ones, in exact
// arithmetic, and the nearest rates when the clock cannot make the wanted one.

#include "profile.h"
#include "ratio.h"
#include "timing.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvane::cantiming {

// The split of tseg1 into prop-seg and phase-seg1 that the registers allow,
// from the layout (separate fields) or, for a one-field tseg1, from the kernel
// (phase-seg1 >= sjw, prop-seg >= 0).
struct SplitBounds {
  std::uint32_t propMin = 0;
  std::uint32_t propMax = UINT32_MAX;
  std::uint32_t phase1Min = 1;
  std::uint32_t phase1Max = UINT32_MAX;
};
SplitBounds SplitBoundsOf(const RegisterLayout& layout, Quantity propSeg = Quantity::PropSeg,
                          Quantity phaseSeg1 = Quantity::PhaseSeg1);

// The limits narrowed to what the layout's fields can hold (brp, tseg1 or the
// sum of the prop-seg and phase-seg1 fields, tseg2, sjw).
PhaseLimits HeldLimits(const PhaseLimits& limits, const RegisterLayout& layout);

// Splits tseg1: prop-seg as close to wantedPropSeg as the bounds allow with
// phase-seg1 >= sjw; empty when no split fits.
std::optional<PhaseTiming> SplitTseg1(std::uint32_t brp, std::uint32_t tseg1,
                                      std::uint32_t tseg2, std::uint32_t sjw,
                                      std::uint32_t wantedPropSeg, const SplitBounds& bounds);

struct SearchRequest {
  PhaseLimits limits;       // HeldLimits of the profile
  SplitBounds split;
  std::uint32_t clockHz = 0;  // the reported clock
  Ratio wanted;             // bit/s
  std::optional<double> propDelayNs;  // empty: one quantum (standard values)
};

// Every timing with exactly the wanted rate that the registers hold and the
// kernel takes through tq/prop-seg/...: each brp (a multiple of brpInc in
// range, with a whole-ns tq for it), tseg1, tseg2 and sjw (up to
// min(sjwMax, phase-seg1, phase-seg2)), tseg1 split by PropagationQuanta.
// Ordered by brp, then tseg1, then sjw (ascending). Triple sampling off.
std::vector<PhaseTiming> ExactTimings(const SearchRequest& request);

// When no timing is exact: the (brp, quanta per bit) products whose rate is
// closest to the wanted one (one product: rates equal on paper share it), and
// every timing of it as ExactTimings gives them. Empty when none exists.
struct NearestResult {
  Ratio bitrate;
  std::vector<PhaseTiming> timings;
};
std::optional<NearestResult> NearestTimings(const SearchRequest& request);

}  // namespace kelvane::cantiming
