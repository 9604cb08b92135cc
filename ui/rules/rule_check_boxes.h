#pragma once
// Which check box of the rule dialog stands for which rule, and what its tip says.

#include <array>

namespace kelvane {

inline constexpr int kRuleCount = 11;

struct RuleCheckBox {
  int id;              // control identifier in the rule dialog
  const char* toolTip;  // UTF-8, \n breaks the line
};

// Entry i belongs to rule i + 1, i.e. to character i of a rule set.
const std::array<RuleCheckBox, kRuleCount>& RuleCheckBoxes();

}  // namespace kelvane
