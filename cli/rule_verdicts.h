#pragma once
// Why a pair is or is not listed: each rule and the large-tolerance option
// judged on their own for one combination, with the values they compare.

#include "calc_report.h"
#include "calculation_request.h"
#include "combination.h"

namespace kelvane::cli {

struct RuleJudgement {
  std::vector<ReportRow> rows;  // rules 1..11, then the large-tolerance option
  bool listed = false;          // the search would list the pair
};

// request is prepared (PrepareCalculation). The verdicts are the engine's own
// acceptance test run with one check at a time; this adds only the texts.
// Without a rate (hasRate false) the checks that need one are not judged.
RuleJudgement JudgeRules(const CalculationRequest& request, const Combination& c, bool hasRate);

// The condition rule 1..11 checks, as the verdicts word it (rule 9 as the
// exact pass judges it).
const char* RuleCondition(int rule);

}  // namespace kelvane::cli
