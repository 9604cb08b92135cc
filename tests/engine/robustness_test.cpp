// Randomised checks with fixed seeds: the number forms against independent
// references, and the calculation, the details and the register test on texts
// a user could type. Bounded so that they stay quick under the sanitizers.

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "acceptance.h"
#include "calculation_request.h"
#include "combination.h"
#include "details.h"
#include "number_text.h"
#include "register_test.h"
#include "search.h"

namespace kelvane {
namespace {

using Random = std::mt19937_64;

int Pick(Random& random, int from, int to) {
  return std::uniform_int_distribution<int>(from, to)(random);
}

std::string Repeat(char c, int count) { return std::string(static_cast<std::size_t>(count), c); }

std::string Digits(Random& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text.push_back(static_cast<char>('0' + Pick(random, 0, 9)));
  return text;
}

// A text of the reading grammar followed by characters that cannot continue a
// number in either reader (no hexadecimal, no "inf" or "nan").
std::string NumberLikeText(Random& random) {
  static const char kBlanks[] = " \t\n\v\f\r";
  static const char kJunk[] = " ,;:.e+-Ebcdz#/";
  std::string text;
  for (int i = Pick(random, 0, 2); i > 0; --i) text.push_back(kBlanks[Pick(random, 0, 5)]);
  if (Pick(random, 0, 2) == 0) text.push_back(Pick(random, 0, 1) ? '-' : '+');
  const int lengths[] = {0, 1, 3, 15, 17, 20, 40, 400};
  const auto digitCount = [&] { return lengths[Pick(random, 0, 7)]; };
  if (Pick(random, 0, 5) == 0) text += Repeat('0', Pick(random, 1, 30));
  text += Digits(random, digitCount());
  if (Pick(random, 0, 1) == 0) {
    text.push_back('.');
    if (Pick(random, 0, 5) == 0) text += Repeat('0', Pick(random, 1, 330));
    text += Digits(random, digitCount());
  }
  if (Pick(random, 0, 1) == 0) {
    text.push_back(Pick(random, 0, 1) ? 'e' : 'E');
    const int sign = Pick(random, 0, 2);
    if (sign == 1) text.push_back('-');
    if (sign == 2) text.push_back('+');
    const int exponents[] = {0, 5, 22, 23, 300, 307, 308, 309, 323, 324, 325, 400, 1000};
    const int exponent = Pick(random, 0, 1) ? exponents[Pick(random, 0, 12)] : Pick(random, 0, 350);
    if (Pick(random, 0, 9) != 0) text += std::to_string(exponent);
  }
  for (int i = Pick(random, 0, 3); i > 0; --i) text.push_back(kJunk[Pick(random, 0, 14)]);
  return text;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

TEST(NumberFormsRandom, ReadDoubleAgreesWithTheCLibraryOnTheCommonGrammar) {
  Random random(20261209);
  for (int i = 0; i < 8000; ++i) {
    const std::string text = NumberLikeText(random);
    const double expected = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(Bits(ReadDouble(text)), Bits(expected)) << '"' << text << '"';
  }
}

TEST(NumberFormsRandom, ReadDoubleAgreesWithTheCLibraryOnHardTexts) {
  Random random(7);
  std::vector<std::string> texts = {
      "", ".", "-", "+.", "e5", ".e5", "-.5e-", "1e", "1e+", "1e-x", "  \t-0", "-0e999",
      "1e400", "-1e400", "1e-400", "2.4703282292062327e-324", "2.4703282292062328e-324",
      "4.9406564584124654e-324", "1.7976931348623157e308", "1.7976931348623158e308",
      "1.797693134862315807e308", "179769313486231580793728971405301e276",
      std::string("0.").append(Repeat('0', 10000)).append("1e10001"), Repeat('9', 10000), std::string("1").append(Repeat('0', 10000)),
      std::string("0.").append(Repeat('9', 10000)), "1e99999999999999999999", "1e-99999999999999999999",
      Repeat('1', 10000) + "e-10300", "9007199254740993", "9007199254740992.5000000001",
      std::string("0.1").append(Repeat('0', 900)).append("1"), "2.2250738585072011e-308", "2.2250738585072012e-308"};
  for (int i = 0; i < 200; ++i) {
    // A halfway point between two neighbours, written with every digit.
    const double value = std::ldexp(static_cast<double>(random() >> 11), Pick(random, -1100, 960));
    const double next = std::nextafter(value, INFINITY);
    if (!std::isfinite(next)) continue;
    char buffer[1600];
    std::snprintf(buffer, sizeof buffer, "%.1100e", value / 2 + next / 2);
    texts.push_back(buffer);
  }
  for (const std::string& text : texts) {
    ASSERT_EQ(Bits(ReadDouble(text)), Bits(std::strtod(text.c_str(), nullptr)))
        << '"' << text.substr(0, 80) << "\" (" << text.size() << " characters)";
  }
}

TEST(NumberFormsRandom, ReadIntAgreesWithTheCLibraryAndSaturates) {
  Random random(11);
  for (int i = 0; i < 20000; ++i) {
    std::string text = NumberLikeText(random);
    if (Pick(random, 0, 3) == 0) text = Repeat(' ', Pick(random, 0, 2)) + "-" + Digits(random, Pick(random, 9, 12));
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long expected = std::strtoll(begin, &end, 10);
    int value = 12345;
    const bool read = ReadInt(text, value);
    ASSERT_EQ(read, end != begin) << '"' << text << '"';
    if (!read) {
      ASSERT_EQ(value, 12345) << '"' << text << '"';
      continue;
    }
    const long long clamped = expected < INT_MIN ? INT_MIN : expected > INT_MAX ? INT_MAX : expected;
    ASSERT_EQ(value, clamped) << '"' << text << '"';
  }
}

// The exact decimal expansion that the C library prints, cut at `decimals`
// with halves going away from zero; only the first dropped digit matters.
std::string ReferenceFixed(double value, int decimals) {
  std::vector<char> buffer(1500);
  std::snprintf(buffer.data(), buffer.size(), "%.1100f", value);
  std::string exact = buffer.data();
  const bool negative = exact[0] == '-';
  if (negative) exact.erase(0, 1);
  const std::size_t point = exact.find('.');
  std::string digits = exact.substr(0, point) + exact.substr(point + 1, static_cast<std::size_t>(decimals));
  const bool up = exact[point + 1 + static_cast<std::size_t>(decimals)] >= '5';
  if (up) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(0, 1, '1');
    } else {
      ++digits[i - 1];
    }
  }
  const std::size_t whole = digits.size() - static_cast<std::size_t>(decimals);
  std::string text = std::string(negative ? "-" : "").append(digits, 0, whole);
  if (decimals > 0) text.append(".").append(digits, whole);
  return text;
}

TEST(NumberFormsRandom, FormatFixedRoundsTheExactValueHalvesAwayFromZero) {
  Random random(3);
  for (int i = 0; i < 6000; ++i) {
    double value = 0;
    switch (Pick(random, 0, 3)) {
      case 0:  // any finite double
        do value = std::bit_cast<double>(random()); while (!std::isfinite(value));
        break;
      case 1:  // binary fractions: many exact ties
        value = std::ldexp(static_cast<double>(static_cast<std::int64_t>(random() >> 20) - (1LL << 43)),
                           -Pick(random, 0, 40));
        break;
      case 2:  // short decimals, as typed
        value = ReadDouble(std::string(Pick(random, 0, 1) ? "-" : "")
                               .append(Digits(random, Pick(random, 1, 8)))
                               .append(".")
                               .append(Digits(random, Pick(random, 1, 8))));
        break;
      default:  // tiny and huge magnitudes
        value = std::ldexp(1.0 + static_cast<double>(random() >> 12) / 4503599627370496.0,
                           Pick(random, -1074, 1023));
        break;
    }
    const int decimals = Pick(random, 0, 30);
    ASSERT_EQ(FormatFixed(value, decimals), ReferenceFixed(value, decimals))
        << std::hexfloat << value << " at " << decimals << " decimals";
  }
  EXPECT_EQ(FormatFixed(INFINITY, 30), "inf");
  EXPECT_EQ(FormatFixed(-INFINITY, 0), "-inf");
  EXPECT_EQ(FormatFixed(std::nan(""), 6), "nan");
  EXPECT_EQ(FormatFixed(-std::nan(""), 6), "-nan");
}

// An entry text: random characters, a number form, or an extreme.
std::string EntryText(Random& random) {
  static const char kCharacters[] = "0123456789.eE+- x,";
  static const std::vector<std::string> kExtremes = {
      "", ".", "-", "0", "-0", "0.0", "1e400", "-1e400", "1e-400", "4.9e-324", "1e308",
      "800.5", "1000", "1000.000001", "-500", "20", "501", "\xff\xfe", Repeat('9', 5000),
      "0." + Repeat('0', 3000) + "1", "500." + Repeat('0', 3000)};
  switch (Pick(random, 0, 3)) {
    case 0: {
      std::string text;
      for (int i = Pick(random, 0, 12); i > 0; --i) text.push_back(kCharacters[Pick(random, 0, 17)]);
      return text;
    }
    case 1:
      return NumberLikeText(random).substr(0, 60);
    case 2:
      return kExtremes[static_cast<std::size_t>(Pick(random, 0, static_cast<int>(kExtremes.size()) - 1))];
    default:
      return std::to_string(Pick(random, 0, 1100)) + (Pick(random, 0, 1) ? ".5" : "");
  }
}

TEST(CalculationRandom, EveryEntryCalculatesAndTheSearchDecidesAsTheAcceptanceTest) {
  Random random(42);
  const int tolerances[] = {0, 1, 100, 1000, -1000, 999999, INT_MAX, INT_MIN};
  const double delays[] = {0.0, 250.0, -1.0, 1e300, INFINITY, -INFINITY, std::nan("")};
  int roundsWithResults = 0;
  for (int round = 0; round < 60; ++round) {
    CalculationRequest request;
    request.oscillatorText = EntryText(random);
    request.baudText = EntryText(random);
    request.tolerance = tolerances[Pick(random, 0, 7)];
    request.dividedClock = Pick(random, 0, 1) == 1;
    request.divider = Pick(random, 1, 9);
    request.largeTolerance = Pick(random, 0, 1) == 1;
    request.exactPass = Pick(random, 0, 2) != 0;
    RuleSet rules;
    for (int rule = 1; rule <= RuleSet::kRuleCount; ++rule) rules.Set(rule, Pick(random, 0, 1) != 0);
    PropagationSettings propagation;
    propagation.useStandardProp = Pick(random, 0, 1) == 1;
    propagation.propDelay = delays[Pick(random, 0, 6)];
    const std::string oscillator = request.oscillatorText;
    const std::string baud = request.baudText;
    SCOPED_TRACE("oscillator \"" + oscillator.substr(0, 40) + "\", baud \"" + baud.substr(0, 40) +
                 "\", rules " + rules.Text());

    const ClockTexts texts = PrepareCalculation(request, rules, propagation);
    EXPECT_EQ(texts.prop, "1");
    EXPECT_FALSE(request.baudText.empty());
    EXPECT_FALSE(texts.fclk.empty());
    EXPECT_FALSE(texts.tsclMax.empty());

    std::vector<bool> accepted(kCombinationCount, false);
    int lastPosition = -1;
    SearchCallbacks callbacks;
    callbacks.accepted = [&](const AcceptedPair& pair) {
      const int index = EncodeBtr0(pair.combination) * 256 + EncodeBtr1(pair.combination);
      EXPECT_FALSE(accepted[static_cast<std::size_t>(index)]);
      accepted[static_cast<std::size_t>(index)] = true;
    };
    callbacks.progress = [&](int position) {
      EXPECT_GE(position, lastPosition);
      EXPECT_LE(position, 100);
      lastPosition = position;
    };
    const SearchOutcome outcome = RunSearch(request, callbacks);
    EXPECT_EQ(outcome.visited, kCombinationCount);
    if (outcome.accepted > 0) ++roundsWithResults;
    EXPECT_EQ(lastPosition, 100);

    // The fast search must decide as the plain test; checking a sample keeps
    // the slow text comparison of long baud texts affordable.
    const int samples = request.baudDecimals > 40 ? 64 : 2048;
    for (int i = 0; i < samples; ++i) {
      const int index = Pick(random, 0, kCombinationCount - 1);
      const Combination c = Decode(static_cast<std::uint8_t>(index / 256), static_cast<std::uint8_t>(index % 256));
      ASSERT_EQ(AcceptCombination(request, c), accepted[static_cast<std::size_t>(index)])
          << "BTR0 " << index / 256 << ", BTR1 " << index % 256;
    }
  }
  // Guards the generator: both outcomes must occur for the comparison to mean anything.
  EXPECT_GT(roundsWithResults, 10);
  EXPECT_LT(roundsWithResults, 55);
}

TEST(DetailsRandom, AnyTwoCharacterEntriesDecodeWithoutFault) {
  Random random(5);
  PropagationSettings propagation;
  for (int i = 0; i < 3000; ++i) {
    std::string texts[2];
    for (std::string& text : texts) {
      for (int n = Pick(random, 0, 3); n > 0; --n) {
        const int kind = Pick(random, 0, 3);
        text.push_back(kind == 0 ? static_cast<char>(Pick(random, 0, 255))
                                 : "0123456789ABCDEFabcdefG"[Pick(random, 0, 22)]);
      }
    }
    const std::string oscillator = EntryText(random).substr(0, 40);
    SCOPED_TRACE("\"" + texts[0] + "\" \"" + texts[1] + "\" at \"" + oscillator + "\"");
    const RegisterTestResult test = RunRegisterTest(texts[0], texts[1], oscillator);
    propagation.useStandardProp = Pick(random, 0, 1) == 1;
    propagation.propDelay = Pick(random, 0, 1) ? 0.0 : 250.0;
    const CombinationDetails details =
        ComputeDetails(texts[0], texts[1], Pick(random, 0, 65535), test.tclk, test.fclk, propagation);
    EXPECT_EQ(details.fields.nbt, test.fields.nbt);
    if (TestEntriesInvalid(texts[0], texts[1]) || texts[0].size() != 2 || texts[1].size() != 2) continue;

    const Combination c = Decode(static_cast<std::uint8_t>(std::stoi(texts[0], nullptr, 16)),
                                 static_cast<std::uint8_t>(std::stoi(texts[1], nullptr, 16)));
    EXPECT_EQ(test.fields.sjw, std::to_string(c.sjw));
    EXPECT_EQ(test.fields.brp, std::to_string(c.brp));
    EXPECT_EQ(test.fields.sam, std::to_string(c.sam));
    EXPECT_EQ(test.fields.tseg2, std::to_string(c.tseg2));
    EXPECT_EQ(test.fields.tseg1, std::to_string(c.tseg1));
    EXPECT_EQ(test.fields.nbt, std::to_string(1 + c.tseg1 + c.tseg2));
    EXPECT_EQ(details.fields.brp, test.fields.brp);
    EXPECT_EQ(details.fields.baudRate, test.fields.baudRate);
  }
}

}  // namespace
}  // namespace kelvane
