#include "rule_verdicts.h"

#include "acceptance.h"
#include "number_text.h"

#include <cmath>
#include <string>

namespace kelvane::cli {

namespace {

std::string F(double v) { return FormatF(v); }
std::string D(int v) { return FormatD(v); }

// The engine's verdict on c with exactly one rule switched on (0: none) and the
// large-tolerance option as given.
bool AcceptsWithOnly(CalculationRequest request, const Combination& c, int rule,
                     bool largeTolerance) {
  RuleSet only = *RuleSet::FromText("00000000000");
  if (rule > 0) only.Set(rule, true);
  request.rules = only;
  request.largeTolerance = largeTolerance;
  return AcceptCombination(request, c);
}

struct Explanation {
  const char* condition;
  bool applies;      // false: the rule never rejects this pair
  std::string values;
};

constexpr const char* kConditions[] = {
    "SAM 0: TSEG2 >= 2",
    "SAM 1: TSEG2 >= 3",
    "tTSEG2 >= 2 x tSCL",
    "tTSEG2 >= tSJW",
    "tTSEG1 >= tTSEG2",
    "tTSEG1 >= tSJW + tprop",
    "SAM 1: tTSEG1 >= tSJW + tprop + tSCL",
    "SAM 1: tTSEG2 >= 3 x tSCL",
    "bit rate = entered rate",
    "tSCLmin <= tSCL <= tSCLmax",
    "NBT = CiA quanta for the rate",
};

Explanation Explain(const CalculationRequest& r, const Combination& c, int rule) {
  const double tscl = 2.0 * r.tclk * c.brp;  // ns
  const double t1 = c.tseg1 * tscl;
  const double t2 = c.tseg2 * tscl;
  const double tsjw = c.sjw * tscl;
  const double tp = r.useStandardProp ? tscl : r.propDelay;
  const int nbt = 1 + c.tseg1 + c.tseg2;
  const std::string samText = "SAM " + D(c.sam);
  const char* condition = rule >= 1 && rule <= RuleSet::kRuleCount ? kConditions[rule - 1] : "";
  switch (rule) {
    case 1: return {condition, c.sam == 0, c.sam == 0 ? D(c.tseg2) + " >= 2" : samText};
    case 2: return {condition, c.sam == 1, c.sam == 1 ? D(c.tseg2) + " >= 3" : samText};
    case 3: return {condition, true, F(t2) + " >= " + F(2.0 * tscl)};
    case 4: return {condition, true, F(t2) + " >= " + F(tsjw)};
    case 5: return {condition, true, F(t1) + " >= " + F(t2)};
    case 6: return {condition, true, F(t1) + " >= " + F(tsjw) + " + " + F(tp)};
    case 7:
      return {condition, c.sam == 1,
              c.sam == 1 ? F(t1) + " >= " + F(tsjw) + " + " + F(tp) + " + " + F(tscl) : samText};
    case 8:
      return {condition, c.sam == 1, c.sam == 1 ? F(t2) + " >= " + F(3.0 * tscl) : samText};
    case 9: {
      const double rate = SearchBitRate(r.tclk, c);
      if (r.exactPass) {
        return {condition, true,
                FormatFixed(std::fabs(rate), r.baudDecimals) + " = " +
                    FormatFixed(std::fabs(r.enteredRate), r.baudDecimals)};
      }
      const double b = r.enteredRate;
      return {"bit rate within 1 % of entered rate", true,
              F(b - b * 0.01) + " <= " + F(rate) + " <= " + F(b + b * 0.01)};
    }
    case 10:
      return {condition, true, F(r.tsclMin) + " <= " + F(tscl) + " <= " + F(r.tsclMax)};
    case 11: return {condition, true, D(nbt) + " = " + D(r.ciaQuanta)};
    default: return {"8 <= NBT <= 16", true, "8 <= " + D(nbt) + " <= 16"};
  }
}

ReportRow Row(const std::string& rule, const char* enabled, const char* verdict,
              const char* condition, std::string values) {
  return {{"rule", "Rule", rule, false},
          {"enabled", "On", enabled, false},
          {"verdict", "Verdict", verdict, false},
          {"condition", "Condition", condition, false},
          {"values", "Values", std::move(values), false}};
}

}  // namespace

RuleJudgement JudgeRules(const CalculationRequest& request, const Combination& c, bool hasRate) {
  RuleJudgement out;
  for (int rule = 1; rule <= RuleSet::kRuleCount + 1; ++rule) {
    const bool isOption = rule > RuleSet::kRuleCount;
    const Explanation e = Explain(request, c, rule);
    const bool needsRate = rule >= 9 && !isOption;
    const char* enabled = isOption ? (request.largeTolerance ? "on" : "off")
                                   : (request.rules.IsOn(rule) ? "on" : "off");
    const char* verdict = "not applicable";
    std::string values = e.values;
    if (needsRate && !hasRate) {
      values = "no BAUD given";
    } else if (e.applies) {
      const bool passed = isOption ? AcceptsWithOnly(request, c, 0, true)
                                   : AcceptsWithOnly(request, c, rule, false);
      verdict = passed ? "passed" : "failed";
    }
    out.rows.push_back(Row(isOption ? "large-tolerance" : D(rule), enabled, verdict,
                           e.condition, std::move(values)));
  }
  out.listed = hasRate && AcceptCombination(request, c);
  return out;
}

const char* RuleCondition(int rule) {
  return rule >= 1 && rule <= RuleSet::kRuleCount ? kConditions[rule - 1] : "";
}

}  // namespace kelvane::cli
