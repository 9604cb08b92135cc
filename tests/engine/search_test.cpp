#include "search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "acceptance.h"
#include "exact_rate_match.h"
#include "number_text.h"
#include "text_forms.h"

namespace kelvane {
namespace {

CalculationRequest Prepared(const char* oscillator, const char* baud, const RuleSet& rules,
                            int ppm = 1000, bool exactPass = true) {
  CalculationRequest request;
  request.oscillatorText = oscillator;
  request.baudText = baud;
  request.tolerance = ppm;
  request.exactPass = exactPass;
  PrepareCalculation(request, rules, PropagationSettings());
  return request;
}

std::vector<AcceptedPair> Collect(const CalculationRequest& request) {
  std::vector<AcceptedPair> pairs;
  SearchCallbacks callbacks;
  callbacks.accepted = [&pairs](const AcceptedPair& pair) { pairs.push_back(pair); };
  const SearchOutcome outcome = RunSearch(request, callbacks);
  EXPECT_EQ(outcome.accepted, static_cast<int>(pairs.size()));
  EXPECT_EQ(outcome.visited, kCombinationCount);
  EXPECT_FALSE(outcome.stopped);
  return pairs;
}

// The search in its fixed order, testing each combination with the reference test.
std::vector<Combination> Reference(const CalculationRequest& request, int lastBrp = 64) {
  std::vector<Combination> accepted;
  for (int sam = 0; sam <= 1; ++sam)
    for (int tseg2 = 1; tseg2 <= 8; ++tseg2)
      for (int tseg1 = 1; tseg1 <= 16; ++tseg1)
        for (int brp = 1; brp <= lastBrp; ++brp)
          for (int sjw = 1; sjw <= 4; ++sjw) {
            const Combination c{brp, sjw, tseg1, tseg2, sam};
            if (AcceptCombination(request, c)) accepted.push_back(c);
          }
  return accepted;
}

TEST(Search, DefaultRulesAtFiveHundredKilobits) {
  const std::vector<AcceptedPair> pairs = Collect(Prepared("16", "500", RuleSet()));
  ASSERT_EQ(pairs.size(), 47u);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const Combination& c = pairs[i].combination;
    const int nbt = 1 + c.tseg1 + c.tseg2;
    EXPECT_TRUE((c.brp == 1 && nbt == 16) || (c.brp == 2 && nbt == 8)) << pairs[i].btr0 << pairs[i].btr1;
    EXPECT_EQ(pairs[i].total, static_cast<int>(i) + 1);
    EXPECT_EQ(pairs[i].btr0, BinaryToHex(Btr0BinaryText(c)));
    EXPECT_EQ(pairs[i].btr1, BinaryToHex(Btr1BinaryText(c)));
  }
  // The first listed pair: SAM 0, TSEG2 2, TSEG1 5, BRP 2, SJW 1 comes before any TSEG1 13.
  EXPECT_EQ(pairs.front().btr0, "01");
  EXPECT_EQ(pairs.front().btr1, "14");
}

TEST(Search, TwentyFourMegahertzFirstAndSecondPress) {
  CalculationRequest request;
  request.oscillatorText = "24";
  request.baudText = "750";
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  const std::vector<AcceptedPair> first = Collect(request);
  EXPECT_EQ(first.size(), 47u);
  EXPECT_EQ(FollowUpAfterSearch(SearchOutcome{47, kCombinationCount, false}, true),
            SearchFollowUp::kSelectFirstThenThank);

  // The second press compares at six decimals with the rewritten text.
  ASSERT_EQ(request.baudText, "750.000000");
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.baudDecimals, 6);
  SearchOutcome outcome = RunSearch(request, {});
  EXPECT_EQ(outcome.accepted, 0);
  EXPECT_EQ(FollowUpAfterSearch(outcome, true), SearchFollowUp::kOfferOnePercentPass);

  // Yes: the handler runs again for the 1 % pass.
  request.exactPass = false;
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  const std::vector<AcceptedPair> second = Collect(request);
  EXPECT_EQ(second.size(), 47u);
  EXPECT_EQ(FollowUpAfterSearch(SearchOutcome{47, kCombinationCount, false}, false),
            SearchFollowUp::kSelectFirstAndRestoreExactPass);
  EXPECT_EQ(FollowUpAfterSearch(SearchOutcome{}, false), SearchFollowUp::kReportNothingFound);
}

TEST(Search, EveryRuleOffAcceptsAllInTheFixedOrder) {
  const std::vector<AcceptedPair> pairs = Collect(Prepared("16", "500", PresetRules(RulePreset::kDisableAll)));
  ASSERT_EQ(pairs.size(), 65536u);
  EXPECT_EQ(pairs[0].btr0 + pairs[0].btr1, "0000");
  EXPECT_EQ(pairs[1].btr0 + pairs[1].btr1, "4000");
  EXPECT_EQ(pairs[2].btr0 + pairs[2].btr1, "8000");
  EXPECT_EQ(pairs[3].btr0 + pairs[3].btr1, "C000");
  EXPECT_EQ(pairs[4].btr0 + pairs[4].btr1, "0100");
  EXPECT_EQ(pairs[256].btr0 + pairs[256].btr1, "0001");
  EXPECT_EQ(pairs.back().btr0 + pairs.back().btr1, "FFFF");
  EXPECT_EQ(pairs.back().total, 65536);
  // Each pair appears once.
  std::vector<bool> seen(65536, false);
  for (const AcceptedPair& pair : pairs) {
    const int index = EncodeBtr0(pair.combination) * 256 + EncodeBtr1(pair.combination);
    ASSERT_FALSE(seen[static_cast<std::size_t>(index)]);
    seen[static_cast<std::size_t>(index)] = true;
  }
}

TEST(Search, StopIsLookedAtOnlyBeforeASweep) {
  const CalculationRequest request = Prepared("16", "500", PresetRules(RulePreset::kDisableAll));
  int asked = 0;
  int accepted = 0;
  bool stopRequested = false;
  SearchCallbacks callbacks;
  callbacks.accepted = [&](const AcceptedPair&) {
    ++accepted;
    if (accepted == 3) stopRequested = true;  // the user answers Yes in the first sweep
  };
  callbacks.mayGoOn = [&] {
    ++asked;
    return !stopRequested;
  };
  const SearchOutcome outcome = RunSearch(request, callbacks);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.visited, 256);
  EXPECT_EQ(outcome.accepted, 256);
  EXPECT_EQ(asked, 2);

  // Stopping before the tenth sweep.
  asked = 0;
  callbacks.accepted = nullptr;
  callbacks.mayGoOn = [&] { return ++asked < 10; };
  const SearchOutcome later = RunSearch(request, callbacks);
  EXPECT_EQ(later.visited, 9 * 256);
  EXPECT_TRUE(later.stopped);

  // A full pass asks 256 times.
  asked = 0;
  callbacks.mayGoOn = [&] { return ++asked > 0; };
  EXPECT_FALSE(RunSearch(request, callbacks).stopped);
  EXPECT_EQ(asked, 256);
}

TEST(Search, ProgressPositions) {
  const CalculationRequest request = Prepared("16", "500", RuleSet());
  std::vector<int> positions;
  std::vector<int> visitedAtAccept;
  SearchCallbacks callbacks;
  int lastVisited = 0;
  callbacks.progress = [&](int position) { positions.push_back(position); };
  callbacks.accepted = [&](const AcceptedPair&) { visitedAtAccept.push_back(lastVisited); };
  RunSearch(request, callbacks);
  ASSERT_EQ(positions.size(), 101u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(positions[static_cast<std::size_t>(i)], i);
  EXPECT_EQ(positions.back(), 100);

  // The position reaches 50 exactly when combination 32768 (counted from 0) is done.
  int visited = 0;
  int reachedFifty = -1;
  const CalculationRequest all = Prepared("16", "500", PresetRules(RulePreset::kDisableAll));
  callbacks.accepted = [&](const AcceptedPair&) { ++visited; };
  callbacks.progress = [&](int position) {
    if (position == 50 && reachedFifty < 0) reachedFifty = visited;
  };
  RunSearch(all, callbacks);
  EXPECT_EQ(reachedFifty, 32769);
}

// The fast pass must decide exactly as the reference test, rule by rule.
struct EquivalenceCase {
  const char* oscillator;
  const char* baud;
  const char* rules;
  int ppm;
  bool exactPass;
  bool largeTolerance;
  double propDelay;  // ns from a transceiver; negative for the standard values
};

void PrintTo(const EquivalenceCase& c, std::ostream* out) {
  *out << '"' << c.oscillator << "\" MHz, \"" << c.baud << "\" kbit/s, rules " << c.rules << ", "
       << c.ppm << " ppm" << (c.exactPass ? ", exact" : ", 1 %") << (c.largeTolerance ? ", large tolerance" : "")
       << ", tprop " << c.propDelay;
}

class SearchEquivalence : public ::testing::TestWithParam<EquivalenceCase> {};

TEST_P(SearchEquivalence, SameDecisionsAsTheAcceptanceTest) {
  const EquivalenceCase& c = GetParam();
  CalculationRequest request;
  request.oscillatorText = c.oscillator;
  request.baudText = c.baud;
  request.tolerance = c.ppm;
  request.exactPass = c.exactPass;
  request.largeTolerance = c.largeTolerance;
  PropagationSettings propagation;
  if (c.propDelay >= 0) {
    propagation.useStandardProp = false;
    propagation.propDelay = c.propDelay;
  }
  PrepareCalculation(request, *RuleSet::FromText(c.rules), propagation);
  const std::vector<AcceptedPair> fast = Collect(request);
  const std::vector<Combination> slow = Reference(request);
  ASSERT_EQ(fast.size(), slow.size());
  for (std::size_t i = 0; i < slow.size(); ++i) ASSERT_EQ(fast[i].combination, slow[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SearchEquivalence,
    ::testing::Values(
        EquivalenceCase{"16", "500", "11111111100", 1000, true, false, -1},
        EquivalenceCase{"16", "500", "11111111111", 1000, true, true, -1},
        EquivalenceCase{"24", "750", "11111111100", 1000, true, false, -1},
        EquivalenceCase{"24", "750.000000", "11111111100", 0, true, false, -1},
        EquivalenceCase{"24", "750.000000", "11111111100", 0, false, false, -1},
        EquivalenceCase{"16", "125", "11111111111", 2000, true, true, -1},
        EquivalenceCase{"20", "33.3", "11111111100", 100, true, false, -1},
        EquivalenceCase{"8", "62.5", "00000000100", 0, true, false, -1},
        EquivalenceCase{"16", "83.333", "00000000100", 0, true, false, -1},
        EquivalenceCase{"16", "83.33333", "00000000100", 0, true, false, -1},
        EquivalenceCase{"16", "8.3", "00000000100", 0, true, false, -1},
        EquivalenceCase{"16", "0.9", "00000000100", 0, true, false, -1},
        EquivalenceCase{"16", "666.6666666666666666", "00000000100", 0, true, false, -1},
        EquivalenceCase{"16", "1200", "11111111111", 0, true, false, -1},
        EquivalenceCase{"40", "1000", "11111111111", 50, true, false, -1},
        EquivalenceCase{"", "", "11111111100", 1000, true, false, -1},
        EquivalenceCase{"0", "500", "11111111100", 1000, true, false, -1},
        EquivalenceCase{"1e400", "500", "11111111111", 1000, true, false, -1},
        EquivalenceCase{"-16", "-500", "11111111100", 1000, true, false, -1},
        EquivalenceCase{"16", "-500", "11111111100", 1000, false, false, -1},
        EquivalenceCase{"16", "1e400", "00000000100", 0, true, false, -1},
        EquivalenceCase{"1e-300", "0", "11111111111", 10, true, false, -1},
        EquivalenceCase{"33.333", "100", "10101010101", -300, true, false, -1},
        EquivalenceCase{"16", "500", "01010101010", 1000, false, false, -1},
        EquivalenceCase{"16", "125", "11111111111", 1000, true, false, 540},
        EquivalenceCase{"16", "500", "11111111100", 1000, true, false, 333.3}),
    [](const ::testing::TestParamInfo<EquivalenceCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST(Search, TenThousandDigitBaudText) {
  CalculationRequest request;
  request.baudText = "500." + std::string(10000, '0');
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.baudDecimals, 10000);
  EXPECT_EQ(request.baudText, "500.000000");
  // The rewritten text is read again on the next press, so only this press
  // compares at 10,000 decimals: nothing but exactly 500 can match.
  // Writing 10,000-decimal texts is slow, so the reference covers BRP 1 to 4,
  // the only prescalers that can reach 500 kbit/s at 16 MHz.
  const std::vector<AcceptedPair> fast = Collect(request);
  EXPECT_EQ(fast.size(), 47u);  // 16 MHz gives exactly 500 kbit/s
  std::vector<Combination> fastFirstPrescalers;
  for (const AcceptedPair& pair : fast) {
    if (pair.combination.brp <= 4) fastFirstPrescalers.push_back(pair.combination);
  }
  EXPECT_EQ(fastFirstPrescalers, Reference(request, 4));
}

TEST(ExactRateMatch, SameAsWritingBothTexts) {
  std::mt19937_64 random(42);
  const double entered[] = {500, 750, 83.333, 0, 0.5, 1e-7, 999.9995, 125.00049999999999, 1e20, 66.666667};
  for (double target : entered) {
    for (int decimals : {0, 1, 3, 6, 9, 17, 30, 400, 2000}) {
      const ExactRateMatch match(target, decimals);
      std::vector<double> rates = {match.Lowest(), match.Highest(), target, -target, 0.0, -0.0, INFINITY,
                                   std::nextafter(match.Lowest(), 0.0), std::nextafter(match.Highest(), INFINITY)};
      for (int i = 0; i < 200; ++i) {
        const double spread = std::ldexp(static_cast<double>(random() % 2000) - 1000.0, -static_cast<int>(random() % 60));
        rates.push_back(target + spread);
      }
      for (double rate : rates) {
        ASSERT_EQ(match.Matches(rate), RateMatches(rate, target, decimals, true))
            << target << " at " << decimals << ": " << FormatFixed(rate, 25);
      }
    }
  }
  const ExactRateMatch infinite(INFINITY, 3);
  EXPECT_TRUE(infinite.Matches(INFINITY));
  EXPECT_TRUE(infinite.Matches(-INFINITY));
  EXPECT_FALSE(infinite.Matches(1e308));
}

}  // namespace
}  // namespace kelvane
