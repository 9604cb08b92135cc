#include "rule_set.h"

namespace kelvane {

RuleSet::RuleSet() : text_("11111111100") {}

std::optional<RuleSet> RuleSet::FromText(std::string_view text) {
  if (text.size() != static_cast<std::size_t>(kRuleCount)) return std::nullopt;
  for (char c : text) {
    if (c != '0' && c != '1') return std::nullopt;
  }
  RuleSet rules;
  rules.text_ = std::string(text);
  return rules;
}

bool RuleSet::IsOn(int rule) const {
  return rule >= 1 && rule <= kRuleCount && text_[static_cast<std::size_t>(rule - 1)] == '1';
}

void RuleSet::Set(int rule, bool on) {
  if (rule >= 1 && rule <= kRuleCount) text_[static_cast<std::size_t>(rule - 1)] = on ? '1' : '0';
}

RuleSet PresetRules(RulePreset preset) {
  switch (preset) {
    case RulePreset::kDisableAll:
      return *RuleSet::FromText("00000000000");
    case RulePreset::kEnableAll:
      return *RuleSet::FromText("11111111111");
    case RulePreset::kStandard:
      break;
  }
  return RuleSet();
}

}  // namespace kelvane
