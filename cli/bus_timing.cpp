#include "bus_timing.h"

#include <algorithm>
#include <cmath>

namespace kelvane::cli {

namespace {
// Larger than TSEG1 can ever be (16), so PS1 < 1 for such a delay.
constexpr int kBeyondAnySegment = 99;
}  // namespace

int PropagationSegment(bool standardValues, double propDelayNs, double tqNs) {
  if (standardValues) return 1;
  const double ratio = propDelayNs / tqNs;
  if (!(ratio > 0.0)) return 0;  // also NaN (0 / 0, inf / inf)
  if (!(ratio < kBeyondAnySegment)) return kBeyondAnySegment;
  return static_cast<int>(std::ceil(ratio));
}

double OscillatorToleranceLimit(int sjw, int tseg1, int tseg2, int propSegment) {
  const int ps1 = tseg1 - propSegment;
  const int ps2 = tseg2;
  if (ps1 < 1) return 0.0;
  const int nbt = 1 + tseg1 + tseg2;
  const double byJump = static_cast<double>(sjw) / (20.0 * nbt);
  const double byPhase = static_cast<double>(std::min(ps1, ps2)) / (2.0 * (13.0 * nbt - ps2));
  return std::min(byJump, byPhase);
}

bool WithinTolerance(double rateError, double oscillatorPpm, double allowed) {
  const double strays = std::fabs(rateError) + std::fabs(oscillatorPpm) * 1e-6;
  // Equal on paper (3125 ppm against 1/320) must not fail on the last bit.
  return strays <= allowed * (1.0 + 1e-12);
}

}  // namespace kelvane::cli
