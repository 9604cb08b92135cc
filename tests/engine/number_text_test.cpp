#include "number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace kelvane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// The C library's reading is correctly rounded (ties to even) and serves as
// the independent reference; the tests run in the "C" locale.
double ReferenceRead(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

TEST(ReadDouble, GrammarOfTheLeadingNumber) {
  EXPECT_EQ(ReadDouble("500"), 500.0);
  EXPECT_EQ(ReadDouble(" \t\n\v\f\r42"), 42.0);
  EXPECT_EQ(ReadDouble("+7.25"), 7.25);
  EXPECT_EQ(ReadDouble("-7.25"), -7.25);
  EXPECT_EQ(ReadDouble(".5"), 0.5);
  EXPECT_EQ(ReadDouble("5."), 5.0);
  EXPECT_EQ(ReadDouble("1e3"), 1000.0);
  EXPECT_EQ(ReadDouble("1E-2"), 0.01);
  EXPECT_EQ(ReadDouble("2.5e+1kbit"), 25.0);
  EXPECT_EQ(ReadDouble("12abc"), 12.0);
  EXPECT_EQ(ReadDouble("500.5.5"), 500.5);
  // An exponent marker without digits is not part of the number.
  EXPECT_EQ(ReadDouble("5e"), 5.0);
  EXPECT_EQ(ReadDouble("5e+"), 5.0);
  EXPECT_EQ(ReadDouble("5e-x"), 5.0);
  EXPECT_EQ(ReadDouble("5 e3"), 5.0);
}

TEST(ReadDouble, TextWithoutANumberGivesZero) {
  for (const char* text : {"", " ", ".", "-", "+", "+-3", "-.", ".e5", "e5", "abc", "inf", "-inf",
                           "infinity", "nan", "NAN", "\xA0" "5", "x12"}) {
    EXPECT_EQ(Bits(ReadDouble(text)), Bits(0.0)) << '"' << text << '"';
  }
  // Hexadecimal is not read: "0x10" is the number 0 followed by junk.
  EXPECT_EQ(ReadDouble("0x10"), 0.0);
  EXPECT_EQ(ReadDouble("0x1p4"), 0.0);
}

TEST(ReadDouble, SignOfZeroIsKept) {
  EXPECT_EQ(Bits(ReadDouble("-0")), Bits(-0.0));
  EXPECT_EQ(Bits(ReadDouble("-0.000e5")), Bits(-0.0));
  EXPECT_EQ(Bits(ReadDouble("-1e-400")), Bits(-0.0));
  EXPECT_EQ(Bits(ReadDouble("0")), Bits(0.0));
}

TEST(ReadDouble, OverflowAndUnderflow) {
  EXPECT_EQ(ReadDouble("1e400"), kInf);
  EXPECT_EQ(ReadDouble("-1e400"), -kInf);
  EXPECT_EQ(ReadDouble("1e99999999999999999999"), kInf);
  EXPECT_EQ(ReadDouble("1e-99999999999999999999"), 0.0);
  EXPECT_EQ(ReadDouble("1.7976931348623157e308"), DBL_MAX);
  // Just below the midpoint between DBL_MAX and 2^1024 still gives DBL_MAX.
  EXPECT_EQ(ReadDouble("1.7976931348623158e308"), DBL_MAX);
  EXPECT_EQ(ReadDouble("1.797693134862315807937289714053e308"), DBL_MAX);
  EXPECT_EQ(ReadDouble("1.7976931348623158079372897140530341508e308"), kInf);
  EXPECT_EQ(ReadDouble("1.7976931348623159e308"), kInf);
  EXPECT_EQ(ReadDouble("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(ReadDouble("2.4703282292062328e-324"), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(ReadDouble("2.4703282292062327e-324"), 0.0);
  EXPECT_EQ(ReadDouble("2.2250738585072014e-308"), DBL_MIN);
}

TEST(ReadDouble, CorrectlyRoundedLikeTheReference) {
  EXPECT_EQ(ReadDouble("0.1"), 0.1);
  EXPECT_EQ(ReadDouble("0.3"), 0.3);
  // 2^53 + 1 lies halfway: ties go to the even neighbour; any tail breaks the tie.
  EXPECT_EQ(ReadDouble("9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(ReadDouble("9007199254740993.00000000000000000000000000001"), 9007199254740994.0);
  EXPECT_EQ(ReadDouble("9007199254740995"), 9007199254740996.0);

  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<int> length(1, 40);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> exponent(-340, 320);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text;
    const int count = length(random);
    const int point = std::uniform_int_distribution<int>(0, count)(random);
    for (int i = 0; i < count; ++i) {
      if (i == point) text.push_back('.');
      text.push_back(static_cast<char>('0' + digit(random)));
    }
    if (trial % 2 == 0) text.append("e").append(std::to_string(exponent(random)));
    ASSERT_EQ(Bits(ReadDouble(text)), Bits(ReferenceRead(text))) << text;
  }
  // The exact decimal expansions of random doubles and of the midpoints next to them.
  for (int trial = 0; trial < 2000; ++trial) {
    const double value = std::bit_cast<double>(random() & 0x7FEFFFFFFFFFFFFFull);
    char exact[1200];
    std::snprintf(exact, sizeof exact, "%.770e", value);
    ASSERT_EQ(Bits(ReadDouble(exact)), Bits(value)) << exact;
    const long double middle = (static_cast<long double>(value) +
                                static_cast<long double>(std::nextafter(value, kInf))) / 2;
    std::snprintf(exact, sizeof exact, "%.40Le", middle);
    ASSERT_EQ(Bits(ReadDouble(exact)), Bits(ReferenceRead(exact))) << exact;
  }
}

TEST(ReadDouble, VeryLongTexts) {
  const std::string ones(10000, '1');
  EXPECT_EQ(Bits(ReadDouble(ones)), Bits(ReferenceRead(ones)));
  EXPECT_EQ(ReadDouble(ones + "e-9990"), ReferenceRead(ones + "e-9990"));
  const std::string tiny = "0." + std::string(10000, '0') + "1";
  EXPECT_EQ(ReadDouble(tiny), 0.0);
  const std::string longFraction = "500." + std::string(10000, '0') + "1junk";
  EXPECT_EQ(ReadDouble(longFraction), 500.0);
  // A tie decided only by a digit far behind the kept ones.
  const std::string farTail = "9007199254740993" + std::string(5000, '0') + "1";
  EXPECT_EQ(ReadDouble(farTail + "e-5001"), 9007199254740994.0);
  EXPECT_EQ(ReadDouble(std::string(10000, '9')), kInf);
}

TEST(ReadInt, LeadingIntegerOnly) {
  int value = 99;
  EXPECT_TRUE(ReadInt("42abc", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(ReadInt(" \t-7", value));
  EXPECT_EQ(value, -7);
  EXPECT_TRUE(ReadInt("+3.9", value));
  EXPECT_EQ(value, 3);
  EXPECT_TRUE(ReadInt("2147483647", value));
  EXPECT_EQ(value, 2147483647);
  EXPECT_TRUE(ReadInt("-2147483648", value));
  EXPECT_EQ(value, -2147483647 - 1);
  EXPECT_TRUE(ReadInt("2147483648", value));
  EXPECT_EQ(value, 2147483647);
  EXPECT_TRUE(ReadInt("-" + std::string(10000, '9'), value));
  EXPECT_EQ(value, -2147483647 - 1);
  value = 5;
  for (const char* text : {"", "-", "+", "abc", " .5", "- 3", "inf"}) {
    EXPECT_FALSE(ReadInt(text, value)) << text;
    EXPECT_EQ(value, 5) << "a refused text must leave the value alone";
    EXPECT_EQ(ReadIntOrZero(text), 0);
  }
  EXPECT_EQ(ReadIntOrZero("1000 ppm"), 1000);
}

TEST(FormatFixed, ExactTiesRoundAwayFromZero) {
  EXPECT_EQ(FormatF(500.0), "500.000000");
  EXPECT_EQ(FormatFixed(0.5, 0), "1");
  EXPECT_EQ(FormatFixed(1.5, 0), "2");
  EXPECT_EQ(FormatFixed(2.5, 0), "3");
  EXPECT_EQ(FormatFixed(-2.5, 0), "-3");
  EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
  EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
  EXPECT_EQ(FormatFixed(0.375, 2), "0.38");
  EXPECT_EQ(FormatF(1.0000005), "1.000001");   // just above the tie in binary
  EXPECT_EQ(FormatF(5e-7), "0.000000");        // just below it
  EXPECT_EQ(FormatFixed(2.675, 2), "2.67");    // binary value lies below 2.675
  EXPECT_EQ(FormatF(0.0000005 + 0.0000000000000001), "0.000001");
  EXPECT_EQ(FormatF(749.9999771118171), "749.999977");
  EXPECT_EQ(FormatFixed(749.9999771118171, 3), "750.000");
  EXPECT_EQ(FormatF(66.66666666666667), "66.666667");
}

TEST(FormatFixed, SpecialValuesAndWidths) {
  EXPECT_EQ(FormatF(0.0), "0.000000");
  EXPECT_EQ(FormatF(-0.0), "-0.000000");
  EXPECT_EQ(FormatF(-1e-9), "-0.000000");
  EXPECT_EQ(FormatF(kInf), "inf");
  EXPECT_EQ(FormatF(-kInf), "-inf");
  EXPECT_EQ(FormatF(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(FormatF(-std::numeric_limits<double>::quiet_NaN()), "-nan");
  EXPECT_EQ(FormatFixed(12.5, -3), "13");
  EXPECT_EQ(FormatFixed(1e22, 0), "10000000000000000000000");
  EXPECT_EQ(FormatFixed(1e23, 1), "99999999999999991611392.0");
  const std::string huge = FormatF(DBL_MAX);
  EXPECT_EQ(huge.size(), 309u + 7u);
  EXPECT_EQ(huge.substr(0, 20), "17976931348623157081");
  const std::string smallest = FormatFixed(std::numeric_limits<double>::denorm_min(), 1074);
  EXPECT_EQ(smallest.substr(0, 2 + 323), "0." + std::string(323, '0'));
  EXPECT_EQ(smallest.substr(2 + 323, 5), "49406");
  EXPECT_EQ(smallest.back(), '5');
  const std::string wide = FormatFixed(0.5, 3000);
  EXPECT_EQ(wide.size(), 3002u);
  EXPECT_EQ(wide, "0.5" + std::string(2999, '0'));
}

// Away from exact ties, the C library's "%.*f" (exact on glibc) must agree.
TEST(FormatFixed, AgreesWithTheExactExpansionOnRandomValues) {
  std::mt19937_64 random(7);
  for (int trial = 0; trial < 20000; ++trial) {
    double value = std::bit_cast<double>(random());
    if (!std::isfinite(value) || std::fabs(value) > 1e30) value = std::ldexp(value, -1000);
    if (!std::isfinite(value)) continue;
    const int decimals = static_cast<int>(random() % 25);
    char reference[2000];
    std::snprintf(reference, sizeof reference, "%.*f", decimals, value);
    char exact[2000];
    std::snprintf(exact, sizeof exact, "%.1100f", value);
    const std::string all(exact);
    const std::size_t point = all.find('.');
    const std::string rest = all.substr(point + 1 + static_cast<std::size_t>(decimals));
    const bool tie = rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string::npos;
    if (!tie) {
      ASSERT_EQ(FormatFixed(value, decimals), reference) << all;
    }
  }
  // Dyadic values with few bits produce many exact ties.
  for (int numerator = -4096; numerator <= 4096; ++numerator) {
    const double value = numerator / 1024.0;
    for (int decimals = 0; decimals <= 10; ++decimals) {
      const long double scaled = std::fabs(static_cast<long double>(value)) * std::pow(10.0L, decimals);
      const long double expected = std::floor(scaled + 0.5L);
      char text[64];
      std::snprintf(text, sizeof text, "%.0Lf", expected);
      std::string digits(text);
      if (digits.size() <= static_cast<std::size_t>(decimals)) {
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
      }
      std::string want = std::signbit(value) ? "-" : "";
      want += digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
      if (decimals > 0) want.append(".").append(digits.substr(digits.size() - static_cast<std::size_t>(decimals)));
      ASSERT_EQ(FormatFixed(value, decimals), want) << numerator << "/1024 at " << decimals;
    }
  }
}

TEST(FormatFixed, RoundTripsThroughReading) {
  std::mt19937_64 random(11);
  for (int trial = 0; trial < 2000; ++trial) {
    const double value = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 60));
    EXPECT_EQ(ReadDouble(FormatFixed(value, 80)), value);
  }
}

TEST(FormatD, IntegersAndTruncation) {
  EXPECT_EQ(FormatD(0), "0");
  EXPECT_EQ(FormatD(-42), "-42");
  EXPECT_EQ(FormatD(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(FormatDTruncated(125.0), "125");
  EXPECT_EQ(FormatDTruncated(3.99), "3");
  EXPECT_EQ(FormatDTruncated(-3.99), "-3");
  EXPECT_EQ(FormatDTruncated(-0.5), "0");
  EXPECT_EQ(FormatDTruncated(2147483647.9), "2147483647");
  EXPECT_EQ(FormatDTruncated(-2147483648.9), "-2147483648");
  EXPECT_EQ(FormatDTruncated(2147483648.0), "-2147483648");
  EXPECT_EQ(FormatDTruncated(1e300), "-2147483648");
  EXPECT_EQ(FormatDTruncated(kInf), "-2147483648");
  EXPECT_EQ(FormatDTruncated(std::numeric_limits<double>::quiet_NaN()), "-2147483648");
}

TEST(NumberText, IndependentOfTheNumericLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    FAIL() << "no German locale on this machine (scripts/setup.sh makes de_DE.UTF-8)";
  }
  const std::string written = FormatF(2.5);
  const double read = ReadDouble("2.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(written, "2.500000");
  EXPECT_EQ(read, 2.5);
}

}  // namespace
}  // namespace kelvane
