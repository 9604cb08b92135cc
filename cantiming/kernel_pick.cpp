#include "kernel_pick.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace kelvane::cantiming {

namespace {

constexpr std::uint32_t kSyncSeg = 1;
constexpr std::uint32_t kMaxErrorTenthsPct = 50;

// The kernel's abs() of an unsigned difference: the difference taken as int.
std::uint32_t AbsDiff(std::uint32_t a, std::uint32_t b) {
  const auto d = static_cast<std::int32_t>(a - b);
  return static_cast<std::uint32_t>(d < 0 ? -static_cast<std::int64_t>(d) : d);
}

// can_update_sample_point(): the tseg1/tseg2 split of tseg quanta whose
// sample point is closest to the reference without passing it. Unsigned
// arithmetic throughout, as the kernel's wraps where it wraps.
std::uint32_t UpdateSamplePoint(const PhaseLimits& l, std::uint32_t reference, std::uint32_t tseg,
                                std::uint32_t& tseg1Out, std::uint32_t& tseg2Out,
                                std::uint32_t* errorOut) {
  std::uint32_t bestError = UINT_MAX, best = 0, error = 0;
  for (std::uint32_t i = 0; i <= 1; ++i) {
    std::uint32_t tseg2 = tseg + kSyncSeg - (reference * (tseg + kSyncSeg)) / 1000 - i;
    tseg2 = std::clamp(tseg2, l.tseg2Min, l.tseg2Max);
    std::uint32_t tseg1 = tseg - tseg2;
    if (tseg1 > l.tseg1Max) {
      tseg1 = l.tseg1Max;
      tseg2 = tseg - tseg1;
    }
    const std::uint32_t point = 1000 * (tseg + kSyncSeg - tseg2) / (tseg + kSyncSeg);
    error = AbsDiff(reference, point);
    if (point <= reference && error < bestError) {
      best = point;
      bestError = error;
      tseg1Out = tseg1;
      tseg2Out = tseg2;
    }
  }
  if (errorOut != nullptr) *errorOut = bestError;
  return best;
}

}  // namespace

namespace {

KernelPick Search(const PhaseLimits& l, std::uint32_t clockHz, std::uint32_t bitrate,
                  std::uint32_t samplePointTenths, bool& wrapped) {
  KernelPick pick;
  std::uint32_t reference = samplePointTenths;
  if (reference == 0) reference = bitrate > 800000 ? 750 : (bitrate > 500000 ? 800 : 875);

  std::uint32_t bestRateError = UINT_MAX, bestPointError = UINT_MAX;
  std::uint32_t bestTseg = 0, bestBrp = 0, tseg1 = 0, tseg2 = 0;
  // A signed count, so that a lowest bound of 0 ends the loop (the kernel's
  // unsigned one would not; profiles are checked to have minimums of 1).
  const std::int64_t lowest = (static_cast<std::int64_t>(l.tseg1Min) + l.tseg2Min) * 2;
  for (std::int64_t count = (static_cast<std::int64_t>(l.tseg1Max) + l.tseg2Max) * 2 + 1;
       count >= lowest; --count) {
    const auto tseg = static_cast<std::uint32_t>(count);
    const std::uint32_t tsegall = kSyncSeg + tseg / 2;
    const std::uint64_t product = static_cast<std::uint64_t>(tsegall) * bitrate;
    if (product > UINT32_MAX) wrapped = true;
    const auto divisor = static_cast<std::uint32_t>(product);
    if (divisor == 0) {
      pick.outcome = KernelPick::Outcome::DividesByZero;
      pick.reason = "bitrate " + std::to_string(bitrate) + " x " + std::to_string(tsegall) +
                    " quanta wraps to 0 in 32 bits: the kernel divides by zero";
      return pick;
    }
    std::uint32_t brp = clockHz / divisor + tseg % 2;
    brp = (brp / l.brpInc) * l.brpInc;
    if (brp < l.brpMin || brp > l.brpMax) {
      continue;
    }
    const std::uint32_t rate = clockHz / (brp * tsegall);
    const std::uint32_t rateError = AbsDiff(bitrate, rate);
    if (rateError > bestRateError) {
      continue;
    }
    if (rateError < bestRateError) bestPointError = UINT_MAX;
    std::uint32_t pointError = 0;
    UpdateSamplePoint(l, reference, tseg / 2, tseg1, tseg2, &pointError);
    if (pointError >= bestPointError) {
      continue;
    }
    bestPointError = pointError;
    bestRateError = rateError;
    bestTseg = tseg / 2;
    bestBrp = brp;
    if (rateError == 0 && pointError == 0) break;
  }

  if (bestRateError != 0) {
    const std::uint64_t tenths = static_cast<std::uint64_t>(bestRateError) * 1000 / bitrate;
    pick.errorTenthsPct = static_cast<std::uint32_t>(tenths);
    if (pick.errorTenthsPct > kMaxErrorTenthsPct) {
      pick.outcome = KernelPick::Outcome::Refused;
      pick.reason = "bitrate error: " + std::to_string(pick.errorTenthsPct / 10) + "." +
                    std::to_string(pick.errorTenthsPct % 10) + "% too high";
      return pick;
    }
  }

  pick.samplePointTenths = UpdateSamplePoint(l, reference, bestTseg, tseg1, tseg2, nullptr);
  pick.tqNs = static_cast<std::uint32_t>(static_cast<std::uint64_t>(bestBrp) * 1000000000u /
                                         clockHz);
  PhaseTiming& t = pick.timing;
  t.propSeg = tseg1 / 2;
  t.phaseSeg1 = tseg1 - t.propSeg;
  t.phaseSeg2 = tseg2;
  // can_sjw_set_default() and can_sjw_check().
  t.sjw = std::max(1u, std::min(t.phaseSeg1, t.phaseSeg2 / 2));
  t.brp = bestBrp;
  if (t.sjw > l.sjwMax || t.sjw > t.phaseSeg1 || t.sjw > t.phaseSeg2) {
    pick.outcome = KernelPick::Outcome::Refused;
    pick.reason = t.sjw > l.sjwMax
                      ? "sjw: " + std::to_string(t.sjw) + " greater than max sjw: " +
                            std::to_string(l.sjwMax)
                      : "sjw: " + std::to_string(t.sjw) + " greater than phase-seg" +
                            (t.sjw > t.phaseSeg1 ? "1: " + std::to_string(t.phaseSeg1)
                                                 : "2: " + std::to_string(t.phaseSeg2));
    return pick;
  }
  pick.bitrate = clockHz / (t.brp * t.QuantaPerBit());
  const std::uint32_t tseg1All = t.Tseg1();
  if (tseg1All < l.tseg1Min || tseg1All > l.tseg1Max || t.phaseSeg2 < l.tseg2Min ||
      t.phaseSeg2 > l.tseg2Max) {
    pick.outcome = KernelPick::Outcome::BelowLimits;
    pick.reason = tseg1All < l.tseg1Min
                      ? "the kernel picks tseg1 " + std::to_string(tseg1All) +
                            ", below the controller's minimum " + std::to_string(l.tseg1Min)
                      : "the kernel picks tseg1 " + std::to_string(tseg1All) + " and tseg2 " +
                            std::to_string(t.phaseSeg2) + ", outside the controller's limits";
    return pick;
  }
  pick.outcome = KernelPick::Outcome::Chosen;
  return pick;
}

}  // namespace

KernelPick CalcBitTiming(const PhaseLimits& l, std::uint32_t clockHz, std::uint32_t bitrate,
                         std::uint32_t samplePointTenths) {
  bool wrapped = false;
  KernelPick pick = Search(l, clockHz, bitrate, samplePointTenths, wrapped);
  if (wrapped && pick.outcome != KernelPick::Outcome::DividesByZero) {
    // Whatever it then does rests on wrapped numbers.
    const std::string then = pick.outcome == KernelPick::Outcome::Chosen
                                 ? "its pick"
                                 : "its answer (" + pick.reason + ")";
    pick.outcome = KernelPick::Outcome::Overflowed;
    pick.reason = "bitrate " + std::to_string(bitrate) +
                  " x quanta per bit overflows 32 bits in the kernel's search: " + then +
                  " rests on wrong numbers";
  }
  return pick;
}

}  // namespace kelvane::cantiming
