#pragma once
// One bit timing in the kernel's terms, and what it gives: the exact rate, the
// time quantum, the sample point, the rate error and the oscillator tolerance
// of ISO 11898-1. All arithmetic on whole numbers and ratios.

#include "profile.h"
#include "ratio.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kelvane::cantiming {

// The parameters of `ip link set DEV type can tq .. prop-seg .. phase-seg1 ..
// phase-seg2 .. sjw ..`, with brp in periods of the reported clock instead of tq.
struct PhaseTiming {
  std::uint32_t brp = 1;
  std::uint32_t propSeg = 0;
  std::uint32_t phaseSeg1 = 1;
  std::uint32_t phaseSeg2 = 1;
  std::uint32_t sjw = 1;
  bool tripleSampling = false;

  std::uint32_t Tseg1() const { return propSeg + phaseSeg1; }
  std::uint32_t QuantaPerBit() const { return 1 + propSeg + phaseSeg1 + phaseSeg2; }
};

bool operator==(const PhaseTiming& a, const PhaseTiming& b);

// A timing with its figures at a clock, against a wanted rate.
struct Setting {
  PhaseTiming timing;
  Ratio bitrate;            // bit/s, exact
  double tqNs = 0.0;        // brp / clock
  double samplePointPct = 0.0;  // (1 + tseg1) / quanta per bit
  double errorPpm = 0.0;    // against the wanted rate, signed
  Ratio tolerance;          // ISO 11898-1 oscillator tolerance, a fraction
  double tolerancePpm = 0.0;
  // The whole-nanosecond tq that makes the kernel choose this brp (what
  // `ip link ... tq` is given); empty when no tq does.
  std::optional<std::uint32_t> kernelTqNs;
};

// clockHz is the reported clock; wanted in bit/s.
Setting Evaluate(const PhaseTiming& timing, std::uint32_t clockHz, const Ratio& wanted);

// The figures of s.timing that do not depend on the rate: tq and sample point
// (as Evaluate sets them).
void SetShape(Setting& s, std::uint32_t clockHz);

// The largest oscillator tolerance (a fraction) of ISO 11898-1 for a classical
// bit: min(sjw / (20 x NBT), min(PS1, PS2) / (2 x (13 x NBT - PS2))); 0 when
// phase-seg1 or phase-seg2 is 0.
Ratio IsoTolerance(const PhaseTiming& timing);

// Whether rate error + oscillator tolerance (ppm) stays within the ISO
// tolerance, exactly: |actual - wanted| / wanted + oscillatorPpm / 1e6 <= tolerance.
bool WithinTolerance(const Ratio& actual, const Ratio& wanted, std::uint64_t oscillatorPpm,
                     const Ratio& tolerance);

// The kernel's brp for `tq` ns at clockHz (can_fixup_bittiming: the nearest
// multiple of brpInc, an exact half going down).
std::uint64_t KernelBrpForTq(std::uint32_t clockHz, std::uint32_t tqNs, std::uint32_t brpInc);

// The tq in ns that Linux 6.3 and later report for brp (can_fixup_bittiming:
// brp x 1e9 / clock to the nearest, an exact half up).
std::uint64_t KernelReportedTq(std::uint32_t clockHz, std::uint64_t brp);

// Whether a bit rate a device reports (ip -details) can come from clockHz /
// (brp x quantaPerBit): the kernel reports that rounded down, so it must lie
// less than 1 bit/s from the exact rate. False when the product overflows.
bool ReportedBitrateFits(std::uint64_t reported, std::uint64_t clockHz, std::uint64_t brp,
                         std::uint64_t quantaPerBit);

// A whole-nanosecond tq the kernel turns back into brp, else empty: the one it
// reports back (brp / clock to the nearest ns) when that one does.
std::optional<std::uint32_t> KernelTqFor(std::uint32_t clockHz, std::uint32_t brp,
                                         std::uint32_t brpInc);

// Empty when the kernel (Linux 6.3 and later) takes the timing given as tq,
// prop-seg, phase-seg1, phase-seg2 and sjw; else its reason, in its words.
std::string KernelRefusal(const PhaseLimits& limits, std::uint32_t clockHz,
                          const PhaseTiming& timing);

// The propagation segment for a delay: the delay in whole quanta, rounded up;
// one quantum when no delay is given (the standard values).
std::uint32_t PropagationQuanta(std::optional<double> delayNs, double tqNs);

// CiA's sample point for a rate, in tenths of a per cent, as the kernel takes
// it: 875 up to 500 kbit/s, 800 up to 800 kbit/s, 750 above.
std::uint32_t CiaSamplePointTenths(const Ratio& bitrate);

}  // namespace kelvane::cantiming
