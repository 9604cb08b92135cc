#include "fd_tolerance.h"

#include <algorithm>

namespace kelvane::cantiming {

namespace {

__extension__ typedef __int128 Wide;

// A bound as an exact fraction, so that the limiting condition is found
// without rounding deciding a tie.
struct Bound {
  Wide num = 0;
  Wide den = 1;  // > 0
};

bool Below(const Bound& a, const Bound& b) { return a.num * b.den < b.num * a.den; }

double ToDouble(const Bound& b) { return static_cast<double>(b.num) / static_cast<double>(b.den); }

// Larger values are no bit timing; refusing them keeps every product and
// cross product well inside 128 bits.
constexpr std::uint32_t kLargest = 1u << 24;

bool Plausible(const FdPhaseQuanta& p) {
  return p.brp != 0 && p.bitQuanta != 0 && p.phaseSeg2 < p.bitQuanta && p.brp <= kLargest &&
         p.bitQuanta <= kLargest && p.phaseSeg1 <= kLargest && p.sjw <= kLargest;
}

}  // namespace

std::optional<FdToleranceResult> FdOscillatorTolerance(const FdPhaseQuanta& nominal,
                                                       const FdPhaseQuanta& data) {
  if (!Plausible(nominal) || !Plausible(data)) return std::nullopt;
  const Wide nbt = nominal.bitQuanta;
  const Wide dbt = data.bitQuanta;
  const Wide nbrp = nominal.brp;
  const Wide dbrp = data.brp;
  const Wide nps2 = nominal.phaseSeg2;
  const Wide dps2 = data.phaseSeg2;
  const Wide nMinPhase = std::min(nominal.phaseSeg1, nominal.phaseSeg2);

  // Conditions 4 and 5 mix the phases' quanta: multiplied out by BRP(N) and
  // BRP(D) respectively so that both stay whole numbers.
  const std::array<Bound, 5> bounds{{
      {nominal.sjw, 20 * nbt},
      {nMinPhase, 2 * (13 * nbt - nps2)},
      {data.sjw, 20 * dbt},
      {nMinPhase * nbrp, 2 * ((6 * dbt - dps2) * dbrp + 7 * nbt * nbrp)},
      {data.sjw * dbrp - std::max<Wide>(0, nbrp - dbrp),
       2 * ((2 * nbt - nps2) * nbrp + (dps2 + 4 * dbt) * dbrp)},
  }};

  FdToleranceResult result;
  std::size_t lowest = 0;
  for (std::size_t i = 0; i < bounds.size(); ++i) {
    result.bounds[i] = ToDouble(bounds[i]);
    if (Below(bounds[i], bounds[lowest])) lowest = i;
  }
  result.limitingCondition = static_cast<int>(lowest) + 1;
  const bool positive = bounds[lowest].num > 0;
  result.limit = positive ? ToDouble(bounds[lowest]) : 0.0;
  result.limitNum = positive ? static_cast<std::int64_t>(bounds[lowest].num) : 0;
  result.limitDen = positive ? static_cast<std::int64_t>(bounds[lowest].den) : 1;
  return result;
}

}  // namespace kelvane::cantiming
