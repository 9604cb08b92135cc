#include "number_text.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <limits>

#include "big_unsigned.h"
#include "decimal_rounding.h"

namespace kelvane {
namespace {

// Halfway points between doubles need at most 767 significant digits, so
// digits beyond these only matter as "something non-zero follows".
constexpr std::size_t kKeptDigits = 800;

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// (q + fraction) x 2^exp2 rounded to the nearest double, ties to even; the
// fraction is below one unit and non-zero exactly when `sticky`. q >= 2^62.
double RoundToDouble(std::uint64_t q, int exp2, bool sticky) {
  const int length = 64 - std::countl_zero(q);
  const int top = length - 1 + exp2;
  if (top > 1023) return std::numeric_limits<double>::infinity();
  const int precision = top >= -1022 ? 53 : top + 1075;
  const int drop = length - precision;
  if (drop > 64) return 0.0;
  std::uint64_t kept = drop >= 64 ? 0 : q >> drop;
  const bool half = drop >= 1 && ((q >> (drop - 1)) & 1u) != 0;
  bool below = sticky;
  if (drop - 1 >= 64) {
    below = below || q != 0;
  } else if (drop - 1 > 0) {
    below = below || (q & ((std::uint64_t{1} << (drop - 1)) - 1)) != 0;
  }
  if (half && (below || (kept & 1u) != 0)) ++kept;
  return std::ldexp(static_cast<double>(kept), exp2 + drop);
}

double DigitsToDouble(const std::string& digits, long long exp10) {
  const long long count = static_cast<long long>(digits.size());
  if (count + exp10 > 310) return std::numeric_limits<double>::infinity();
  if (count + exp10 < -324) return 0.0;

  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (count <= 15 && exp10 >= -22 && exp10 <= 22) {
    // Both operands are exact, so one correctly rounded operation suffices.
    std::uint64_t mantissa = 0;
    for (char c : digits) mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
    const double m = static_cast<double>(mantissa);
    return exp10 >= 0 ? m * kPowers[exp10] : m / kPowers[-exp10];
  }

  BigUnsigned number;
  for (std::size_t i = 0; i < digits.size();) {
    std::uint32_t chunk = 0;
    std::uint32_t scale = 1;
    for (int n = 0; n < 9 && i < digits.size(); ++n, ++i) {
      chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
      scale *= 10;
    }
    number.MultiplySmall(scale);
    number.AddSmall(chunk);
  }

  if (exp10 >= 0) {
    number.MultiplyPowerOfTen(static_cast<int>(exp10));
    const int length = number.BitLength();
    if (length <= 64) {
      const std::uint64_t value = number.BitsFrom(0);
      return RoundToDouble(value << (64 - length), length - 64, false);
    }
    return RoundToDouble(number.BitsFrom(length - 64), length - 64, number.AnyBitBelow(length - 64));
  }

  BigUnsigned denominator(1);
  denominator.MultiplyPowerOfTen(static_cast<int>(-exp10));
  // Scale so that the quotient has 63 or 64 bits.
  const int shift = denominator.BitLength() - number.BitLength() + 63;
  if (shift > 0) {
    number.ShiftLeft(shift);
  } else {
    denominator.ShiftLeft(-shift);
  }
  std::uint64_t quotient = 0;
  for (int bit = 63; bit >= 0; --bit) {
    BigUnsigned part = denominator;
    part.ShiftLeft(bit);
    if (Compare(number, part) >= 0) {
      number.Subtract(part);
      quotient |= std::uint64_t{1} << bit;
    }
  }
  return RoundToDouble(quotient, -shift, !number.IsZero());
}

// Skips leading C white space and an optional sign; returns true for '-'.
bool SkipSpaceAndSign(std::string_view text, std::size_t& i) {
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return negative;
}

std::string WriteUnsigned(std::uint64_t value) {
  char buffer[20];
  int at = 20;
  do {
    buffer[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::string(buffer + at, buffer + 20);
}

}  // namespace

BigUnsigned RoundedScaledMagnitude(double value, int decimals) {
  decimals = std::clamp(decimals, 0, kExactDecimalLimit);
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value) & ~(std::uint64_t{1} << 63);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  BigUnsigned scaled(mantissa);
  scaled.MultiplyPowerOfTen(decimals);
  if (exponent >= 0) {
    scaled.ShiftLeft(exponent);
  } else {
    // Adding one half before truncating rounds halves away from zero.
    scaled.AddPowerOfTwo(-exponent - 1);
    scaled.ShiftRight(-exponent);
  }
  return scaled;
}

double ReadDouble(std::string_view text) {
  std::size_t i = 0;
  const bool negative = SkipSpaceAndSign(text, i);

  std::string digits;
  long long scale = 0;  // value = digits x 10^scale
  bool anyDigit = false;
  bool droppedNonZero = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    anyDigit = true;
    if (digits.empty() && text[i] == '0') continue;
    if (digits.size() < kKeptDigits) {
      digits.push_back(text[i]);
    } else {
      ++scale;
      droppedNonZero = droppedNonZero || text[i] != '0';
    }
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      anyDigit = true;
      if (digits.empty() && text[i] == '0') {
        --scale;
      } else if (digits.size() < kKeptDigits) {
        digits.push_back(text[i]);
        --scale;
      } else {
        droppedNonZero = droppedNonZero || text[i] != '0';
      }
    }
  }
  if (!anyDigit) return 0.0;

  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      negativeExponent = text[j] == '-';
      ++j;
    }
    if (j < text.size() && IsDigit(text[j])) {
      long long exponent = 0;
      for (; j < text.size() && IsDigit(text[j]); ++j) {
        exponent = std::min(exponent * 10 + (text[j] - '0'), 1000000000LL);
      }
      scale += negativeExponent ? -exponent : exponent;
    }
  }

  if (droppedNonZero) {
    // Stands for the non-zero tail: it breaks a tie without moving the value.
    digits.push_back('1');
    --scale;
  }
  while (!digits.empty() && digits.back() == '0') {
    digits.pop_back();
    ++scale;
  }
  const double magnitude = digits.empty() ? 0.0 : DigitsToDouble(digits, scale);
  return negative ? -magnitude : magnitude;
}

bool ReadInt(std::string_view text, int& value) {
  std::size_t i = 0;
  const bool negative = SkipSpaceAndSign(text, i);
  if (i >= text.size() || !IsDigit(text[i])) return false;
  long long magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), 1LL << 32);
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  value = static_cast<int>(std::clamp<long long>(signedValue, INT_MIN, INT_MAX));
  return true;
}

int ReadIntOrZero(std::string_view text) {
  int value = 0;
  return ReadInt(text, value) ? value : 0;
}

std::string FormatFixed(double value, int decimals) {
  const bool negative = std::signbit(value);
  if (std::isnan(value)) return negative ? "-nan" : "nan";
  if (std::isinf(value)) return negative ? "-inf" : "inf";
  decimals = std::max(decimals, 0);
  const int exactDecimals = std::min(decimals, kExactDecimalLimit);
  std::string digits = RoundedScaledMagnitude(value, exactDecimals).ToDecimal();
  if (digits.size() <= static_cast<std::size_t>(exactDecimals)) {
    digits.insert(0, static_cast<std::size_t>(exactDecimals) + 1 - digits.size(), '0');
  }
  std::string text;
  text.reserve(digits.size() + static_cast<std::size_t>(decimals) + 2);
  if (negative) text.push_back('-');
  const std::size_t whole = digits.size() - static_cast<std::size_t>(exactDecimals);
  text.append(digits, 0, whole);
  if (decimals > 0) {
    text.push_back('.');
    text.append(digits, whole, std::string::npos);
    text.append(static_cast<std::size_t>(decimals - exactDecimals), '0');
  }
  return text;
}

std::string FormatF(double value) { return FormatFixed(value, 6); }

std::string FormatD(std::int64_t value) {
  if (value < 0) {
    std::string text = WriteUnsigned(static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value));
    text.insert(text.begin(), '-');
    return text;
  }
  return WriteUnsigned(static_cast<std::uint64_t>(value));
}

std::string FormatDTruncated(double value) {
  if (!std::isfinite(value)) return "-2147483648";
  const double whole = std::trunc(value);
  if (whole < -2147483648.0 || whole > 2147483647.0) return "-2147483648";
  return FormatD(static_cast<std::int64_t>(whole));
}

}  // namespace kelvane
