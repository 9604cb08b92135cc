#include "acceptance.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvane {
namespace {

// 16 MHz (tSCL 125 ns at BRP 1), 500 kbit/s, tolerance 1000 ppm, with only the
// given rules on.
CalculationRequest Request(const char* rules, const char* baud = "500", int ppm = 1000,
                           const char* oscillator = "16") {
  CalculationRequest request;
  request.oscillatorText = oscillator;
  request.baudText = baud;
  request.tolerance = ppm;
  PrepareCalculation(request, *RuleSet::FromText(rules), PropagationSettings());
  return request;
}

Combination C(int brp, int sjw, int tseg1, int tseg2, int sam) {
  return Combination{brp, sjw, tseg1, tseg2, sam};
}

TEST(Rules, SampleModeSegmentRules) {
  const CalculationRequest rule1 = Request("10000000000");
  EXPECT_FALSE(AcceptCombination(rule1, C(1, 1, 1, 1, 0)));
  EXPECT_TRUE(AcceptCombination(rule1, C(1, 1, 1, 2, 0)));
  EXPECT_TRUE(AcceptCombination(rule1, C(1, 1, 1, 1, 1)));

  const CalculationRequest rule2 = Request("01000000000");
  EXPECT_FALSE(AcceptCombination(rule2, C(1, 1, 1, 2, 1)));
  EXPECT_TRUE(AcceptCombination(rule2, C(1, 1, 1, 3, 1)));
  EXPECT_TRUE(AcceptCombination(rule2, C(1, 1, 1, 1, 0)));

  const CalculationRequest rule3 = Request("00100000000");
  EXPECT_FALSE(AcceptCombination(rule3, C(1, 1, 16, 1, 0)));
  EXPECT_TRUE(AcceptCombination(rule3, C(1, 1, 16, 2, 1)));

  const CalculationRequest rule8 = Request("00000001000");
  EXPECT_FALSE(AcceptCombination(rule8, C(1, 1, 16, 2, 1)));
  EXPECT_TRUE(AcceptCombination(rule8, C(1, 1, 16, 3, 1)));
  EXPECT_TRUE(AcceptCombination(rule8, C(1, 1, 16, 1, 0)));
}

TEST(Rules, JumpWidthAndSegmentOrder) {
  const CalculationRequest rule4 = Request("00010000000");
  EXPECT_FALSE(AcceptCombination(rule4, C(1, 3, 16, 2, 0)));
  EXPECT_TRUE(AcceptCombination(rule4, C(1, 2, 16, 2, 0)));

  const CalculationRequest rule5 = Request("00001000000");
  EXPECT_FALSE(AcceptCombination(rule5, C(1, 1, 2, 3, 0)));
  EXPECT_TRUE(AcceptCombination(rule5, C(1, 1, 3, 3, 0)));
}

TEST(Rules, PropagationRulesWithStandardValues) {
  const CalculationRequest rule6 = Request("00000100000");
  EXPECT_FALSE(AcceptCombination(rule6, C(1, 2, 2, 1, 0)));
  EXPECT_TRUE(AcceptCombination(rule6, C(1, 2, 3, 1, 0)));

  const CalculationRequest rule7 = Request("00000010000");
  EXPECT_FALSE(AcceptCombination(rule7, C(1, 1, 2, 1, 1)));
  EXPECT_TRUE(AcceptCombination(rule7, C(1, 1, 3, 1, 1)));
  EXPECT_TRUE(AcceptCombination(rule7, C(1, 1, 1, 1, 0)));
}

TEST(Rules, PropagationRulesWithTransceiverDelay) {
  CalculationRequest request;
  request.oscillatorText = "16";
  request.baudText = "500";
  PropagationSettings propagation;
  propagation.useStandardProp = false;
  propagation.propDelay = 250;
  PrepareCalculation(request, *RuleSet::FromText("00000100000"), propagation);
  EXPECT_FALSE(AcceptCombination(request, C(1, 1, 2, 1, 0)));  // 250 < 125 + 250
  EXPECT_TRUE(AcceptCombination(request, C(1, 1, 3, 1, 0)));   // 375 >= 375
  // Rule 7 adds one quantum on top, for three samples only.
  PrepareCalculation(request, *RuleSet::FromText("00000010000"), propagation);
  EXPECT_FALSE(AcceptCombination(request, C(1, 1, 3, 1, 1)));
  EXPECT_TRUE(AcceptCombination(request, C(1, 1, 4, 1, 1)));
  EXPECT_TRUE(AcceptCombination(request, C(1, 1, 1, 1, 0)));
}

TEST(Rules, BitRateQuantumWindowAndCiaQuanta) {
  const CalculationRequest rule9 = Request("00000000100");
  EXPECT_TRUE(AcceptCombination(rule9, C(1, 1, 13, 2, 0)));   // NBT 16 at 125 ns: 500
  EXPECT_FALSE(AcceptCombination(rule9, C(2, 1, 13, 2, 0)));  // 250 kbit/s
  EXPECT_TRUE(AcceptCombination(rule9, C(2, 1, 5, 2, 0)));    // NBT 8 at 250 ns

  // Tolerance 0: only tSCL equal to the nominal 125 ns passes.
  const CalculationRequest rule10 = Request("00000000010", "500", 0);
  EXPECT_TRUE(AcceptCombination(rule10, C(1, 1, 1, 1, 0)));
  EXPECT_FALSE(AcceptCombination(rule10, C(2, 1, 1, 1, 0)));
  // 1000 ppm makes the window 112.5 to 137.5 ns (the variation used as a factor).
  const CalculationRequest wide = Request("00000000010", "500", 1000);
  EXPECT_TRUE(AcceptCombination(wide, C(1, 1, 1, 1, 0)));
  EXPECT_FALSE(AcceptCombination(wide, C(2, 1, 1, 1, 0)));
  // No CiA value for the rate: nothing passes.
  EXPECT_FALSE(AcceptCombination(Request("00000000010", "1200", 1000), C(1, 1, 1, 1, 0)));

  struct Case {
    const char* baud;
    int admittedNbt;
  };
  for (const Case& c : {Case{"500", 16}, Case{"800", 10}, Case{"1000", 8}, Case{"1200", 0}}) {
    const CalculationRequest rule11 = Request("00000000001", c.baud);
    for (int tseg1 = 1; tseg1 <= 16; ++tseg1) {
      for (int tseg2 = 1; tseg2 <= 8; ++tseg2) {
        EXPECT_EQ(AcceptCombination(rule11, C(1, 1, tseg1, tseg2, 0)), 1 + tseg1 + tseg2 == c.admittedNbt)
            << c.baud << " " << tseg1 << " " << tseg2;
      }
    }
  }
}

TEST(Rules, LargeToleranceOptionIgnoresTheRuleSet) {
  CalculationRequest request = Request("00000000000");
  request.largeTolerance = true;
  EXPECT_FALSE(AcceptCombination(request, C(1, 1, 5, 1, 0)));   // NBT 7
  EXPECT_TRUE(AcceptCombination(request, C(1, 1, 6, 1, 0)));    // NBT 8
  EXPECT_TRUE(AcceptCombination(request, C(1, 1, 14, 1, 0)));   // NBT 16
  EXPECT_FALSE(AcceptCombination(request, C(1, 1, 15, 1, 0)));  // NBT 17
}

TEST(RateMatches, ExactComparisonAtTheEnteredDecimals) {
  EXPECT_TRUE(RateMatches(499.9999771, 500, 3, true));
  EXPECT_TRUE(RateMatches(749.9999771118171, 750, 3, true));
  EXPECT_FALSE(RateMatches(749.9999771118171, 750, 6, true));
  // Decided on the binary value: 500.0005 lies just below the tie, 500.0015 just above.
  EXPECT_TRUE(RateMatches(500.0005, 500, 3, true));
  EXPECT_TRUE(RateMatches(500.0015, 500.002, 3, true));
  EXPECT_FALSE(RateMatches(500.0015, 500.001, 3, true));
  // Signs are not compared.
  EXPECT_TRUE(RateMatches(-500, 500, 3, true));
  EXPECT_TRUE(RateMatches(0.4, 0, 0, true));
  EXPECT_FALSE(RateMatches(0.5, 0, 0, true));
  EXPECT_FALSE(RateMatches(1, 0, 1, true));
}

TEST(RateMatches, OnePercentBandIncludesItsEdges) {
  EXPECT_TRUE(RateMatches(495, 500, 3, false));
  EXPECT_TRUE(RateMatches(505, 500, 3, false));
  EXPECT_FALSE(RateMatches(494.9, 500, 3, false));
  EXPECT_FALSE(RateMatches(505.1, 500, 3, false));
  EXPECT_TRUE(RateMatches(749.9999771118171, 750, 6, false));
}

TEST(SearchBitRate, SinglePrecisionBitTime) {
  CalculationRequest request = Request("00000000000", "750", 0, "24");
  const Combination c = C(1, 1, 13, 2, 0);
  EXPECT_EQ(SearchBitRate(request.tclk, c), 1000000 / 1333.3333740234375);
  EXPECT_EQ(SearchBitRate(request.tclk, c), 749.9999771118171);
  EXPECT_EQ(SearchBitRate(0.0, c), 0.0);
  EXPECT_EQ(SearchBitRate(INFINITY, c), 0.0);
  EXPECT_EQ(SearchBitRate(1e300, c), 0.0);  // beyond single precision: infinite bit time
}

}  // namespace
}  // namespace kelvane
