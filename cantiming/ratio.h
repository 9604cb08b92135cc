#pragma once
// Rates held exactly. A controller at 8 MHz with 6 x 16 quanta per bit runs at
// 83,333 1/3 bit/s, which is not the 83.333 kbit/s a user types: deciding
// "exact" in floating point would call both the same. Every rate here is a
// ratio of whole numbers in lowest terms, compared without rounding.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvane::cantiming {

struct Ratio {
  std::uint64_t num = 0;
  std::uint64_t den = 1;  // never 0; num and den share no factor
};

// num / den in lowest terms; empty when den is 0.
std::optional<Ratio> MakeRatio(std::uint64_t num, std::uint64_t den);

// -1, 0 or 1 as a is below, equal to or above b (exact, no overflow).
int Compare(const Ratio& a, const Ratio& b);
inline bool operator==(const Ratio& a, const Ratio& b) { return Compare(a, b) == 0; }
inline bool operator<(const Ratio& a, const Ratio& b) { return Compare(a, b) < 0; }

double ToDouble(const Ratio& r);

// The rate of a bit in bit/s: clockHz / (brp x quantaPerBit); empty when brp
// or quantaPerBit is 0.
std::optional<Ratio> BitRate(std::uint64_t clockHz, std::uint64_t brp, std::uint64_t quantaPerBit);

// A rate typed in kbit/s as decimal text ("500", "83.333", "0.5", "1e3" is not
// taken) as bit/s exactly. Empty for anything but digits with at most one
// point, for a rate of 0, and for more digits than 64 bits hold.
std::optional<Ratio> ParseKbitText(std::string_view text);

// The same for any unit: decimal text times unit, exactly ("14.7456" MHz with
// unit 1000000 is 14745600 Hz). ParseKbitText is ParseDecimalTimes(text, 1000).
std::optional<Ratio> ParseDecimalTimes(std::string_view text, std::uint64_t unit);

// The error of actual against wanted in parts per million, signed
// ((actual - wanted) / wanted x 1e6); wanted must not be 0.
double ErrorPpm(const Ratio& actual, const Ratio& wanted);

// |actual - wanted| x 1e6 <= limitPpm x wanted, exactly (limitPpm >= 0).
bool WithinPpm(const Ratio& actual, const Ratio& wanted, std::uint64_t limitPpm);

}  // namespace kelvane::cantiming
