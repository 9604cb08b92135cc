#include "rule_verdicts.h"

#include "acceptance.h"
#include "calculation_request.h"

#include <gtest/gtest.h>

namespace kelvane::cli {
namespace {

CalculationRequest Prepared(const char* baud, const char* rules, bool largeTolerance,
                            const PropagationSettings& propagation, bool exactPass = true) {
  CalculationRequest r;
  r.baudText = baud;
  r.largeTolerance = largeTolerance;
  const RuleSet set = *RuleSet::FromText(rules);
  PrepareCalculation(r, set, propagation);
  if (!exactPass) {
    r.exactPass = false;
    PrepareCalculation(r, set, propagation);
  }
  return r;
}

std::string Field(const ReportRow& row, const std::string& key) {
  for (const ReportField& f : row)
    if (f.key == key) return f.text;
  ADD_FAILURE() << "no field " << key;
  return {};
}

// A pair is listed exactly when no check that is switched on fails, for every
// combination: the verdicts explain the search, they never contradict it.
void ExpectVerdictsExplainTheListing(const CalculationRequest& request) {
  int listed = 0;
  for (int b0 = 0; b0 < 256; ++b0) {
    for (int b1 = 0; b1 < 256; ++b1) {
      const Combination c = Decode(static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1));
      const RuleJudgement j = JudgeRules(request, c, true);
      ASSERT_EQ(j.rows.size(), 12u);
      bool anyFailedOn = false;
      for (const ReportRow& row : j.rows)
        anyFailedOn = anyFailedOn ||
                      (Field(row, "enabled") == "on" && Field(row, "verdict") == "failed");
      ASSERT_EQ(j.listed, AcceptCombination(request, c)) << b0 << " " << b1;
      ASSERT_EQ(j.listed, !anyFailedOn) << b0 << " " << b1;
      listed += j.listed;
    }
  }
  EXPECT_GT(listed, 0);
}

TEST(RuleVerdicts, ExplainTheStandardSearch) {
  ExpectVerdictsExplainTheListing(Prepared("500", "11111111100", false, {}));
}

TEST(RuleVerdicts, ExplainEveryRuleWithATransceiverDelayAndTheOption) {
  PropagationSettings transceiver;
  transceiver.useStandardProp = false;
  transceiver.propDelay = 540.0;
  ExpectVerdictsExplainTheListing(Prepared("500", "11111111111", true, transceiver));
}

TEST(RuleVerdicts, ExplainTheOnePercentPass) {
  ExpectVerdictsExplainTheListing(Prepared("505", "11111111110", false, {}, false));
}

TEST(RuleVerdicts, SamplingModeDecidesWhatApplies) {
  const CalculationRequest r = Prepared("500", "11111111100", false, {});
  const RuleJudgement oneSample = JudgeRules(r, Decode(0x00, 0x1C), true);
  const RuleJudgement threeSamples = JudgeRules(r, Decode(0x00, 0x9C), true);
  for (int rule : {2, 7, 8}) {
    EXPECT_EQ(Field(oneSample.rows[rule - 1], "verdict"), "not applicable") << rule;
    EXPECT_NE(Field(threeSamples.rows[rule - 1], "verdict"), "not applicable") << rule;
  }
  EXPECT_EQ(Field(threeSamples.rows[0], "verdict"), "not applicable");
  EXPECT_EQ(Field(oneSample.rows[0], "verdict"), "passed");
}

TEST(RuleVerdicts, ValuesComparedAreShown) {
  const CalculationRequest r = Prepared("500", "11111111100", false, {});
  const RuleJudgement j = JudgeRules(r, Decode(0x80, 0x1C), true);  // SJW 3, TSEG2 2
  EXPECT_EQ(Field(j.rows[3], "verdict"), "failed");
  EXPECT_EQ(Field(j.rows[3], "values"), "250.000000 >= 375.000000");
  EXPECT_EQ(Field(j.rows[8], "values"), "500.000 = 500.000");
  EXPECT_EQ(Field(j.rows[11], "rule"), "large-tolerance");
  EXPECT_EQ(Field(j.rows[11], "enabled"), "off");
  EXPECT_FALSE(j.listed);
}

TEST(RuleVerdicts, WithoutARateTheRateChecksAreNotJudged) {
  const CalculationRequest r = Prepared("", "11111111111", false, {});
  const RuleJudgement j = JudgeRules(r, Decode(0x00, 0x1C), false);
  for (int rule : {9, 10, 11}) {
    EXPECT_EQ(Field(j.rows[rule - 1], "verdict"), "not applicable") << rule;
    EXPECT_EQ(Field(j.rows[rule - 1], "values"), "no BAUD given") << rule;
  }
  EXPECT_EQ(Field(j.rows[0], "verdict"), "passed");
  EXPECT_FALSE(j.listed);
}

}  // namespace
}  // namespace kelvane::cli
