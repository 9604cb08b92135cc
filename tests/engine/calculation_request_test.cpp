#include "calculation_request.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvane {
namespace {

CalculationRequest Entries(std::string oscillator, std::string baud, int ppm) {
  CalculationRequest request;
  request.oscillatorText = std::move(oscillator);
  request.baudText = std::move(baud);
  request.tolerance = ppm;
  return request;
}

TEST(PrepareCalculation, ClockTextsAtSixteenMegahertz) {
  CalculationRequest request = Entries("16", "500", 1000);
  const ClockTexts texts = PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(texts.fclk, "16000000.000000");
  EXPECT_EQ(texts.tclk, "62.500000");
  EXPECT_EQ(texts.fclkMax, "16016000.000000");
  EXPECT_EQ(texts.fclkMin, "15984000.000000");
  EXPECT_EQ(texts.frequencyVariation, "0.100000");
  EXPECT_EQ(texts.tsclMin, "112.500000");
  EXPECT_EQ(texts.tsclMax, "137.500000");
  EXPECT_EQ(texts.prop, "1");
  EXPECT_EQ(request.baudText, "500.000000");
  EXPECT_EQ(request.baudDecimals, 3);
  EXPECT_EQ(request.enteredRate, 500.0);
  EXPECT_EQ(request.ciaQuanta, 16);
  EXPECT_EQ(request.ciaQuantum, 125.0);
}

TEST(PrepareCalculation, BaudDecimalsAndRewrittenText) {
  struct Case {
    const char* entered;
    int decimals;
    const char* rewritten;
  };
  for (const Case& c : {Case{"500", 3, "500.000000"}, Case{"500.5", 1, "500.500000"},
                        Case{"500.", 0, "500.000000"}, Case{"", 1, "0.000000"},
                        Case{"500.000000", 6, "500.000000"}, Case{"1.2.3", 3, "1.200000"},
                        Case{"abc", 3, "0.000000"}, Case{"-250", 4, "-250.000000"},
                        Case{"1e400", 5, "inf"}, Case{"0.0000004", 7, "0.000000"}}) {
    CalculationRequest request = Entries("16", c.entered, 0);
    PrepareCalculation(request, RuleSet(), PropagationSettings());
    EXPECT_EQ(request.baudDecimals, c.decimals) << c.entered;
    EXPECT_EQ(request.baudText, c.rewritten) << c.entered;
  }
  // The entered rate is read from the rewritten text.
  CalculationRequest request = Entries("16", "0.0000004", 0);
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.enteredRate, 0.0);
}

TEST(PrepareCalculation, OscillatorAndDivider) {
  CalculationRequest request = Entries("", "500", 0);
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.oscillatorText, "16");
  EXPECT_EQ(request.fclk, 16000000.0);

  request = Entries("24", "500", 0);
  request.dividedClock = true;
  request.divider = 2;
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.fclk, 12000000.0);
  EXPECT_DOUBLE_EQ(request.tclk, 1000.0 / 12.0);

  request = Entries("abc", "500", 1000);
  const ClockTexts texts = PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.fclk, 0.0);
  EXPECT_TRUE(std::isinf(request.tclk));
  EXPECT_EQ(texts.tclk, "inf");
  EXPECT_EQ(texts.fclk, "0.000000");

  EXPECT_TRUE(DividerIsValid(false, 0));
  EXPECT_TRUE(DividerIsValid(false, 10));
  EXPECT_TRUE(DividerIsValid(true, 1));
  EXPECT_TRUE(DividerIsValid(true, 9));
  EXPECT_FALSE(DividerIsValid(true, 0));
  EXPECT_FALSE(DividerIsValid(true, 10));
  EXPECT_FALSE(DividerIsValid(true, -3));
  EXPECT_STREQ(kDividerMessage, "Only Integer Values Between 1 and 9 for Fclk Divider");
}

TEST(PrepareCalculation, FrequencyVariationAndQuantumWindow) {
  CalculationRequest request = Entries("16", "500", 100);
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_DOUBLE_EQ(request.frequencyVariation, 0.01);
  EXPECT_DOUBLE_EQ(request.tsclMin, 123.75);
  EXPECT_DOUBLE_EQ(request.tsclMax, 126.25);

  // A negative tolerance: the quotient's magnitude passes through single precision.
  request = Entries("16", "500", -100);
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.frequencyVariation, static_cast<double>(static_cast<float>(0.0001)) * 100);
  EXPECT_NE(request.frequencyVariation, 0.01);
  EXPECT_EQ(request.fclkMax, 15998400.0);

  request = Entries("16", "500", 0);
  PrepareCalculation(request, RuleSet(), PropagationSettings());
  EXPECT_EQ(request.tsclMin, 125.0);
  EXPECT_EQ(request.tsclMax, 125.0);
}

TEST(PrepareCalculation, CopiesRulesAndPropagation) {
  CalculationRequest request = Entries("16", "500", 0);
  PropagationSettings propagation;
  propagation.useStandardProp = false;
  propagation.propDelay = 250;
  const RuleSet rules = PresetRules(RulePreset::kEnableAll);
  PrepareCalculation(request, rules, propagation);
  EXPECT_EQ(request.rules, rules);
  EXPECT_FALSE(request.useStandardProp);
  EXPECT_EQ(request.propDelay, 250.0);
}

TEST(CiaNominal, BracketsOpenBelowClosedAbove) {
  struct Case {
    double rate;
    int quanta;
    double quantum;
  };
  for (const Case& c : {Case{1000, 8, 125}, Case{1000.001, 0, 0}, Case{801.001, 8, 125},
                        Case{801, 0, 0}, Case{800.5, 0, 0}, Case{800, 10, 125}, Case{501.5, 10, 125},
                        Case{501, 0, 0}, Case{500, 16, 125}, Case{251.5, 16, 125}, Case{250, 16, 250},
                        Case{126.5, 16, 250}, Case{126, 0, 0}, Case{125, 16, 500}, Case{51.5, 16, 500},
                        Case{50, 16, 1250}, Case{21.5, 16, 1250}, Case{20.5, 0, 0}, Case{20, 16, 3125},
                        Case{0, 16, 3125}, Case{-0.5, 0, 0}, Case{1200, 0, 0}}) {
    const CiaNominal cia = CiaNominalFor(c.rate);
    EXPECT_EQ(cia.quanta, c.quanta) << c.rate;
    EXPECT_EQ(cia.quantum, c.quantum) << c.rate;
  }
  EXPECT_EQ(CiaNominalFor(std::nan("")).quanta, 0);
}

TEST(RuleSet, TextsAndPresets) {
  EXPECT_EQ(RuleSet().Text(), "11111111100");
  EXPECT_EQ(PresetRules(RulePreset::kStandard).Text(), "11111111100");
  EXPECT_EQ(PresetRules(RulePreset::kDisableAll).Text(), "00000000000");
  EXPECT_EQ(PresetRules(RulePreset::kEnableAll).Text(), "11111111111");
  EXPECT_FALSE(RuleSet::FromText("1111111110"));
  EXPECT_FALSE(RuleSet::FromText("111111111000"));
  EXPECT_FALSE(RuleSet::FromText("1111111112 "));
  RuleSet rules = *RuleSet::FromText("10000000001");
  EXPECT_TRUE(rules.IsOn(1));
  EXPECT_FALSE(rules.IsOn(2));
  EXPECT_TRUE(rules.IsOn(11));
  EXPECT_FALSE(rules.IsOn(0));
  EXPECT_FALSE(rules.IsOn(12));
  rules.Set(5, true);
  rules.Set(11, false);
  rules.Set(12, true);
  EXPECT_EQ(rules.Text(), "10001000000");
}

}  // namespace
}  // namespace kelvane
