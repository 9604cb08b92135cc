#pragma once
// Exact decimal rounding of doubles, shared by the "%f" form and the fast
// exact baud-rate comparison so that both decide identically.

#include "big_unsigned.h"

namespace kelvane {

// A finite double has at most this many decimals in its exact expansion, so
// rounding at more places never changes a digit.
inline constexpr int kExactDecimalLimit = 1100;

// |value| x 10^decimals rounded to the nearest integer, halves away from zero,
// computed on the exact binary value. `value` must be finite; decimals is
// clamped to 0..kExactDecimalLimit.
BigUnsigned RoundedScaledMagnitude(double value, int decimals);

}  // namespace kelvane
