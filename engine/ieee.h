#pragma once
// Floating-point steps whose out-of-range cases the language leaves undefined,
// written out with the results the IEEE hardware gives.

#include <cmath>
#include <limits>

namespace kelvane {

// Nearest single-precision value; beyond the float range it is an infinity.
inline float ToSingle(double value) {
  // 2^128 - 2^103: the midpoint between FLT_MAX and 2^128.
  constexpr double kOverflow = 340282356779733661637539395458142568448.0;
  if (value >= kOverflow) return std::numeric_limits<float>::infinity();
  if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// a / b, with division by zero giving the IEEE infinity, or the NaN with the
// sign bit set that x86 hardware gives for 0 / 0.
inline double Divide(double a, double b) {
  if (b == 0.0) {
    if (a == 0.0 || std::isnan(a)) return -std::numeric_limits<double>::quiet_NaN();
    const bool negative = std::signbit(a) != std::signbit(b);
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  return a / b;
}

}  // namespace kelvane
