#include "dialog_137.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
constexpr unsigned kRuleBox = Style::Flat | Style::TabStop;

constexpr ControlTemplate kControls[] = {
    {1, K::DefPushButton, "OK", 13, 196, 50, 14, Style::TabStop},
    {2, K::PushButton, "Cancel", 159, 196, 50, 14, Style::TabStop},
    {kNoId, K::GroupBox, " Standard Restrictions ", 7, 7, 202, 141, Style::None},
    {1052, K::CheckBox, "Rule 1: TSEG2 >= 2 ", 14, 20, 82, 10, kRuleBox},
    {1061, K::CheckBox, "Rule 2: TSEG2 >= 3 ", 14, 35, 82, 10, kRuleBox},
    {1062, K::CheckBox, "Rule 3: tTSEG2  >=  2 x tSCL         ", 14, 49, 127, 10, kRuleBox},
    {1063, K::CheckBox, "Rule 4: tTSEG2  >=  tSJW         ", 14, 63, 117, 10, kRuleBox},
    {1064, K::CheckBox, "Rule 5: tTSEG1  >=  tTSEG2         ", 14, 77, 125, 10, kRuleBox},
    {1067, K::CheckBox, "Rule 6: tSEG1  >=  tSJW  +  tprop", 14, 91, 123, 10, kRuleBox},
    {1068, K::CheckBox, "Rule 7: tTSEG1 >= tSJW + tprop + tSCL  ", 14, 105, 190, 10, kRuleBox},
    {1065, K::CheckBox, "Rule 8: tTSEG2 >= 3 x tTSEG2  ", 14, 120, 119, 10, kRuleBox},
    {1066, K::CheckBox, "Rule 9: Bit Frequency for the Entered Baud Rate", 14, 133, 169, 10,
     kRuleBox},
    {kNoId, K::GroupBox, " Strict Restrictions ", 7, 151, 202, 37, Style::None},
    {1070, K::CheckBox, "Rule 10: tSCLmax  >= tSCL >= tSCLmin", 14, 162, 140, 10, kRuleBox},
    {1071, K::CheckBox, "Rule 11: Uses Cia Values for Number of TQ", 14, 175, 153, 10, kRuleBox},
};

constexpr DialogTemplate kDialog{137, 216, 217, " Customize restrictions", "MS Sans Serif", 8,
                                 kControls};

}  // namespace

const DialogTemplate& Dialog137() { return kDialog; }

}  // namespace kelvane::res
