#include "ratio.h"

#include <numeric>

namespace kelvane::cantiming {

namespace {
__extension__ typedef unsigned __int128 Wide;  // products of two 64-bit terms
}

std::optional<Ratio> MakeRatio(std::uint64_t num, std::uint64_t den) {
  if (den == 0) return std::nullopt;
  if (num == 0) return Ratio{0, 1};
  const std::uint64_t g = std::gcd(num, den);
  return Ratio{num / g, den / g};
}

int Compare(const Ratio& a, const Ratio& b) {
  const Wide left = static_cast<Wide>(a.num) * b.den;
  const Wide right = static_cast<Wide>(b.num) * a.den;
  return left < right ? -1 : (left > right ? 1 : 0);
}

double ToDouble(const Ratio& r) {
  return static_cast<double>(r.num) / static_cast<double>(r.den);
}

std::optional<Ratio> BitRate(std::uint64_t clockHz, std::uint64_t brp, std::uint64_t quantaPerBit) {
  if (brp == 0 || quantaPerBit == 0) return std::nullopt;
  const Wide den = static_cast<Wide>(brp) * quantaPerBit;
  if (den > UINT64_MAX) return Ratio{0, 1};  // below any rate a controller runs at
  return MakeRatio(clockHz, static_cast<std::uint64_t>(den));
}

std::optional<Ratio> ParseKbitText(std::string_view text) { return ParseDecimalTimes(text, 1000); }

std::optional<Ratio> ParseDecimalTimes(std::string_view text, std::uint64_t unit) {
  Wide num = 0;
  Wide den = 1;  // a power of ten, one more for each digit after the point
  bool point = false;
  bool digit = false;
  for (const char c : text) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    digit = true;
    num = num * 10 + static_cast<unsigned>(c - '0');
    if (point) den *= 10;
    if (num > UINT64_MAX || den > UINT64_MAX) return std::nullopt;
  }
  if (!digit || num == 0) return std::nullopt;
  // num / den units are num x unit / den.
  if (unit == 0) return std::nullopt;
  Wide n = num * unit;
  Wide d = den;
  while (d > 1 && n % 10 == 0 && d % 10 == 0) {
    n /= 10;
    d /= 10;
  }
  if (n > UINT64_MAX || d > UINT64_MAX) return std::nullopt;
  return MakeRatio(static_cast<std::uint64_t>(n), static_cast<std::uint64_t>(d));
}

double ErrorPpm(const Ratio& actual, const Ratio& wanted) {
  // (a/b - c/d) / (c/d) = (a d - c b) / (c b), in 128 bits before the division.
  const Wide ad = static_cast<Wide>(actual.num) * wanted.den;
  const Wide cb = static_cast<Wide>(wanted.num) * actual.den;
  const long double diff = ad >= cb ? static_cast<long double>(ad - cb)
                                    : -static_cast<long double>(cb - ad);
  return static_cast<double>(diff / static_cast<long double>(cb) * 1e6L);
}

bool WithinPpm(const Ratio& actual, const Ratio& wanted, std::uint64_t limitPpm) {
  // |a d - c b| x 1e6 <= limit x c b, with c b = q x 1e6 + r: since the left
  // side is whole, that is |a d - c b| <= limit x q + floor(limit x r / 1e6).
  const Wide ad = static_cast<Wide>(actual.num) * wanted.den;
  const Wide cb = static_cast<Wide>(wanted.num) * actual.den;
  const Wide diff = ad >= cb ? ad - cb : cb - ad;
  const Wide q = cb / 1000000;
  const Wide r = cb % 1000000;
  const Wide limit = limitPpm;
  if (q != 0 && limit > (~static_cast<Wide>(0) / 2) / q) return true;  // beyond any difference
  return diff <= q * limit + (r * limit) / 1000000;
}

}  // namespace kelvane::cantiming
