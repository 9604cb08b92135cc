#include "timing.h"

#include <algorithm>
#include <cmath>

namespace kelvane::cantiming {

namespace {
__extension__ typedef unsigned __int128 Wide;
constexpr std::uint64_t kNsPerSecond = 1000000000;

// a/b < c/d for fractions of 64-bit terms.
bool Less(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d) {
  return static_cast<Wide>(a) * d < static_cast<Wide>(c) * b;
}
}  // namespace

bool operator==(const PhaseTiming& a, const PhaseTiming& b) {
  return a.brp == b.brp && a.propSeg == b.propSeg && a.phaseSeg1 == b.phaseSeg1 &&
         a.phaseSeg2 == b.phaseSeg2 && a.sjw == b.sjw && a.tripleSampling == b.tripleSampling;
}

Ratio IsoTolerance(const PhaseTiming& t) {
  const std::uint64_t nbt = t.QuantaPerBit();
  const std::uint64_t ps1 = t.phaseSeg1;
  const std::uint64_t ps2 = t.phaseSeg2;
  if (ps1 == 0 || ps2 == 0) return Ratio{0, 1};
  // df <= sjw / (20 NBT) and df <= min(PS1, PS2) / (2 (13 NBT - PS2)).
  const std::uint64_t jumpNum = t.sjw, jumpDen = 20 * nbt;
  const std::uint64_t phaseNum = std::min(ps1, ps2), phaseDen = 2 * (13 * nbt - ps2);
  return Less(jumpNum, jumpDen, phaseNum, phaseDen) ? *MakeRatio(jumpNum, jumpDen)
                                                    : *MakeRatio(phaseNum, phaseDen);
}

bool WithinTolerance(const Ratio& actual, const Ratio& wanted, std::uint64_t oscillatorPpm,
                     const Ratio& tolerance) {
  // |a/b - c/d| / (c/d) + p / 1e6 <= t/u
  // <=> |a d - c b| x 1e6 u + p c b u <= t c b 1e6, every term in 128 bits
  // for the rates and tolerances of CAN (rates below 2^40, small denominators).
  if (actual.num == wanted.num && actual.den == wanted.den)  // no rate error (both reduced)
    return static_cast<Wide>(oscillatorPpm) * tolerance.den <=
           static_cast<Wide>(tolerance.num) * 1000000u;
  const long double a = static_cast<long double>(actual.num), b = actual.den;
  const long double c = static_cast<long double>(wanted.num), d = wanted.den;
  const Wide ad = static_cast<Wide>(actual.num) * wanted.den;
  const Wide cb = static_cast<Wide>(wanted.num) * actual.den;
  const Wide diff = ad >= cb ? ad - cb : cb - ad;
  const long double bound = static_cast<long double>(~static_cast<Wide>(0)) / 4;
  const long double size = (a * d + c * b + 1) * 1e6L *
                           (static_cast<long double>(tolerance.den) + tolerance.num + oscillatorPpm);
  if (size < bound) {
    const Wide left = diff * 1000000u * tolerance.den + static_cast<Wide>(oscillatorPpm) * cb * tolerance.den;
    const Wide right = static_cast<Wide>(tolerance.num) * cb * 1000000u;
    return left <= right;
  }
  const long double error = std::fabs(a / b - c / d) / (c / d);
  return error + oscillatorPpm / 1e6L <= static_cast<long double>(tolerance.num) / tolerance.den;
}

void SetShape(Setting& s, std::uint32_t clockHz) {
  const PhaseTiming& t = s.timing;
  s.tqNs = static_cast<double>(t.brp) * 1e9 / clockHz;
  s.samplePointPct = 100.0 * (1 + t.Tseg1()) / t.QuantaPerBit();
}

Setting Evaluate(const PhaseTiming& timing, std::uint32_t clockHz, const Ratio& wanted) {
  Setting s;
  s.timing = timing;
  s.bitrate = BitRate(clockHz, timing.brp, timing.QuantaPerBit()).value_or(Ratio{0, 1});
  SetShape(s, clockHz);
  const bool exact = s.bitrate.num == wanted.num && s.bitrate.den == wanted.den;  // both reduced
  s.errorPpm = wanted.num == 0 || exact ? 0.0 : ErrorPpm(s.bitrate, wanted);
  s.tolerance = IsoTolerance(timing);
  s.tolerancePpm = ToDouble(s.tolerance) * 1e6;
  return s;
}

std::uint64_t KernelBrpForTq(std::uint32_t clockHz, std::uint32_t tqNs, std::uint32_t brpInc) {
  std::uint64_t ticks = static_cast<std::uint64_t>(clockHz) * tqNs;
  if (brpInc > 1) ticks /= brpInc;
  std::uint64_t brp = (ticks + kNsPerSecond / 2 - 1) / kNsPerSecond;
  if (brpInc > 1) brp *= brpInc;
  return brp;
}

std::uint64_t KernelReportedTq(std::uint32_t clockHz, std::uint64_t brp) {
  return (brp * kNsPerSecond + clockHz / 2) / clockHz;
}

bool ReportedBitrateFits(std::uint64_t reported, std::uint64_t clockHz, std::uint64_t brp,
                         std::uint64_t quantaPerBit) {
  if (brp == 0 || quantaPerBit == 0 || quantaPerBit > UINT64_MAX / brp) return false;
  const std::uint64_t ticks = brp * quantaPerBit;
  // |reported x ticks - clock| < ticks, in 128 bits.
  const Wide given = static_cast<Wide>(reported) * ticks;
  const Wide gap = given > clockHz ? given - clockHz : clockHz - given;
  return gap < ticks;
}

std::optional<std::uint32_t> KernelTqFor(std::uint32_t clockHz, std::uint32_t brp,
                                         std::uint32_t brpInc) {
  if (clockHz == 0 || brp == 0) return std::nullopt;
  // First the tq the kernel reports back for brp (brp / clock to the nearest
  // ns, as ip -details link show prints it), then brp / clock rounded down and
  // up: the kernel's rounding takes one of them back to brp whenever any whole
  // ns does.
  const std::uint64_t down = static_cast<std::uint64_t>(brp) * kNsPerSecond / clockHz;
  for (const std::uint64_t tq : {KernelReportedTq(clockHz, brp), down, down + 1}) {
    if (tq < 1 || tq > UINT32_MAX) continue;
    if (KernelBrpForTq(clockHz, static_cast<std::uint32_t>(tq), brpInc) == brp)
      return static_cast<std::uint32_t>(tq);
  }
  return std::nullopt;
}

std::string KernelRefusal(const PhaseLimits& l, std::uint32_t clockHz, const PhaseTiming& t) {
  const auto text = [](std::uint32_t v) { return std::to_string(v); };
  const std::uint32_t tseg1 = t.Tseg1();
  if (tseg1 < l.tseg1Min)
    return "prop-seg + phase-seg1: " + text(tseg1) + " less than tseg1-min: " + text(l.tseg1Min);
  if (tseg1 > l.tseg1Max)
    return "prop-seg + phase-seg1: " + text(tseg1) + " greater than tseg1-max: " +
           text(l.tseg1Max);
  if (t.phaseSeg2 < l.tseg2Min)
    return "phase-seg2: " + text(t.phaseSeg2) + " less than tseg2-min: " + text(l.tseg2Min);
  if (t.phaseSeg2 > l.tseg2Max)
    return "phase-seg2: " + text(t.phaseSeg2) + " greater than tseg2-max: " + text(l.tseg2Max);
  if (t.sjw > l.sjwMax) return "sjw: " + text(t.sjw) + " greater than max sjw: " + text(l.sjwMax);
  if (t.sjw > t.phaseSeg1)
    return "sjw: " + text(t.sjw) + " greater than phase-seg1: " + text(t.phaseSeg1);
  if (t.sjw > t.phaseSeg2)
    return "sjw: " + text(t.sjw) + " greater than phase-seg2: " + text(t.phaseSeg2);
  if (t.brp < l.brpMin || t.brp > l.brpMax || (l.brpInc > 1 && t.brp % l.brpInc != 0))
    return "brp " + text(t.brp) + " outside the controller's " + text(l.brpMin) + " to " +
           text(l.brpMax) + (l.brpInc > 1 ? " in steps of " + text(l.brpInc) : "");
  if (!KernelTqFor(clockHz, t.brp, l.brpInc))
    return "no whole-nanosecond tq gives brp " + text(t.brp) + " at clock " + text(clockHz) +
           " Hz";
  return {};
}

std::uint32_t PropagationQuanta(std::optional<double> delayNs, double tqNs) {
  if (!delayNs) return 1;
  const double ratio = *delayNs / tqNs;
  if (!(ratio > 0.0)) return 0;  // also NaN
  if (!(ratio < 1e9)) return 1000000000u;  // beyond any segment
  return static_cast<std::uint32_t>(std::ceil(ratio));
}

std::uint32_t CiaSamplePointTenths(const Ratio& bitrate) {
  if (Compare(bitrate, Ratio{800000, 1}) > 0) return 750;
  if (Compare(bitrate, Ratio{500000, 1}) > 0) return 800;
  return 875;
}

}  // namespace kelvane::cantiming
