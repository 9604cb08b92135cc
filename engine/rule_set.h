#pragma once
// The set of timing rules that the acceptance test applies: eleven on/off
// flags, kept as the 11-character text of "0" and "1" the rule dialog edits.

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

class RuleSet {
 public:
  static constexpr int kRuleCount = 11;

  // Rules 1 to 9 on, 10 and 11 off: the set the main window starts with.
  RuleSet();

  // Accepts exactly 11 characters, each "0" or "1"; anything else gives nothing.
  static std::optional<RuleSet> FromText(std::string_view text);

  // Character i (from 0) stands for rule i + 1.
  const std::string& Text() const { return text_; }

  // rule is 1..11; rules outside that range are reported off and cannot be set.
  bool IsOn(int rule) const;
  void Set(int rule, bool on);

  friend bool operator==(const RuleSet&, const RuleSet&) = default;

 private:
  std::string text_;
};

// The menu presets.
enum class RulePreset { kStandard, kDisableAll, kEnableAll };

RuleSet PresetRules(RulePreset preset);

}  // namespace kelvane
