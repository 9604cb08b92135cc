#include "exact_rate_match.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "big_unsigned.h"
#include "decimal_rounding.h"
#include "number_text.h"

namespace kelvane {
namespace {

double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

}  // namespace

ExactRateMatch::ExactRateMatch(double enteredRate, int decimals)
    : decimals_(std::max(decimals, 0)), finiteTarget_(std::isfinite(enteredRate)) {
  if (!finiteTarget_) {
    targetText_ = FormatFixed(std::fabs(enteredRate), decimals_);
    return;
  }
  // Beyond the exact limit every further digit of every double is 0, so the
  // texts compare as they do at the limit.
  const int places = std::min(decimals_, kExactDecimalLimit);
  const BigUnsigned target = RoundedScaledMagnitude(enteredRate, places);
  // Non-negative doubles are ordered like their bit patterns, and the rounded
  // scaled value never decreases as the double grows.
  const std::uint64_t last = std::bit_cast<std::uint64_t>(DBL_MAX);
  std::uint64_t low = 0;
  std::uint64_t high = last + 1;  // first pattern whose rounding reaches the target
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (Compare(RoundedScaledMagnitude(FromBits(middle), places), target) >= 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  lowest_ = FromBits(low);
  low = 0;
  high = last + 1;  // first pattern whose rounding passes the target
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (Compare(RoundedScaledMagnitude(FromBits(middle), places), target) > 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  highest_ = FromBits(low - 1);
}

bool ExactRateMatch::Matches(double rate) const {
  const double magnitude = std::fabs(rate);
  if (finiteTarget_) return magnitude >= lowest_ && magnitude <= highest_;
  return FormatFixed(magnitude, decimals_) == targetText_;
}

}  // namespace kelvane
