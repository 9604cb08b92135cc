#include "tdc_rules.h"

namespace kelvane::cantiming {

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint32_t kSyncSeg = 1;

std::uint64_t BitQuanta(const PhaseTiming& t) {
  return std::uint64_t{kSyncSeg} + t.propSeg + t.phaseSeg1 + t.phaseSeg2;
}

// The sample point in clock periods from the bit's start.
std::uint64_t SamplePointClocks(const PhaseTiming& t) {
  return (std::uint64_t{kSyncSeg} + t.propSeg + t.phaseSeg1) * t.brp;
}

}  // namespace

std::uint32_t KernelBitrate(std::uint32_t clockHz, const PhaseTiming& t) {
  const std::uint64_t clocksPerBit = BitQuanta(t) * t.brp;
  return clocksPerBit == 0 ? 0 : static_cast<std::uint32_t>(clockHz / clocksPerBit);
}

std::uint32_t KernelSamplePointTenths(const PhaseTiming& t) {
  const std::uint64_t quanta = BitQuanta(t);
  return static_cast<std::uint32_t>((std::uint64_t{kSyncSeg} + t.propSeg + t.phaseSeg1) * 1000 / quanta);
}

TdcChoice KernelCalcTdco(const PhaseTiming& t, std::uint32_t tdcoMin, std::uint32_t tdcoMax) {
  TdcChoice choice;
  if (t.brp != 1 && t.brp != 2) return choice;
  const std::uint64_t at = SamplePointClocks(t);
  if (at < tdcoMin) return choice;
  choice.enabled = true;
  choice.intended = static_cast<std::uint32_t>(at);
  choice.capped = at > tdcoMax;
  choice.tdco = choice.capped ? tdcoMax : choice.intended;
  return choice;
}

TdcChoice MCanDriverTdc(std::uint32_t clockHz, const PhaseTiming& t) {
  constexpr std::uint32_t kAbove = 2500000;
  constexpr std::uint32_t kTdcoMax = 127;
  TdcChoice choice;
  const std::uint32_t bitrate = KernelBitrate(clockHz, t);
  if (bitrate <= kAbove) return choice;
  // The driver's own whole-number steps: the clock in kHz first, then the
  // rounded-down sample point, so its offset can fall one period short of
  // the true sample point.
  const std::uint64_t tdco =
      std::uint64_t{clockHz / 1000} * KernelSamplePointTenths(t) / bitrate;
  choice.enabled = true;
  choice.intended = static_cast<std::uint32_t>(tdco);
  choice.capped = tdco > kTdcoMax;
  choice.tdco = choice.capped ? kTdcoMax : choice.intended;
  return choice;
}

TdcChoice FlexcanDriverTdc(const PhaseTiming& t, bool loopback) {
  constexpr std::uint32_t kFieldMask = 0x1f;
  TdcChoice choice;
  if (loopback) return choice;
  // (phase-seg1 - 1 + prop-seg + 2) x brp; moving phase-seg1 beyond FDCBT's
  // field into prop-seg, as the driver does first, keeps the sum.
  const std::uint64_t offset = SamplePointClocks(t);
  choice.enabled = true;
  choice.intended = static_cast<std::uint32_t>(offset);
  choice.truncated = offset > kFieldMask;
  choice.tdco = static_cast<std::uint32_t>(offset & kFieldMask);
  return choice;
}

std::uint64_t LoopDelayClocks(std::uint64_t loopDelayNs, std::uint64_t clockHz) {
  const Wide product = static_cast<Wide>(loopDelayNs) * clockHz;
  const std::uint64_t perSecond = 1000000000;
  const Wide clocks = (product + perSecond - 1) / perSecond;
  return clocks > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(clocks);
}

bool LoopDelayMeasurable(std::uint64_t loopDelayNs, std::uint64_t clockHz, std::uint64_t tdcvMax) {
  return LoopDelayClocks(loopDelayNs, clockHz) <= tdcvMax;
}

bool DataPhaseNeedsTdc(std::uint64_t loopDelayNs, std::uint64_t clockHz, const PhaseTiming& t) {
  // loop delay > (prop-seg + phase-seg1) x brp / clock, both sides times 1e9 x clock.
  const Wide delay = static_cast<Wide>(loopDelayNs) * clockHz;
  const Wide segment = (static_cast<Wide>(t.propSeg) + t.phaseSeg1) * t.brp * 1000000000u;
  return delay > segment;
}

}  // namespace kelvane::cantiming
