#include "dialog_137.h"

#include "dialog_137_ids.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
using namespace rule_ids;
constexpr unsigned kRuleBox = Style::Flat | Style::TabStop;

constexpr ControlTemplate kControls[] = {
    {kOk, K::DefPushButton, "OK", 13, 196, 50, 14, Style::TabStop},
    {kCancel, K::PushButton, "Cancel", 159, 196, 50, 14, Style::TabStop},
    {kNoId, K::GroupBox, " Standard Restrictions ", 7, 7, 202, 141, Style::None},
    {kRule1, K::CheckBox, "Rule 1: TSEG2 >= 2 ", 14, 20, 82, 10, kRuleBox},
    {kRule2, K::CheckBox, "Rule 2: TSEG2 >= 3 ", 14, 35, 82, 10, kRuleBox},
    {kRule3, K::CheckBox, "Rule 3: tTSEG2  >=  2 x tSCL         ", 14, 49, 127, 10, kRuleBox},
    {kRule4, K::CheckBox, "Rule 4: tTSEG2  >=  tSJW         ", 14, 63, 117, 10, kRuleBox},
    {kRule5, K::CheckBox, "Rule 5: tTSEG1  >=  tTSEG2         ", 14, 77, 125, 10, kRuleBox},
    {kRule6, K::CheckBox, "Rule 6: tSEG1  >=  tSJW  +  tprop", 14, 91, 123, 10, kRuleBox},
    {kRule7, K::CheckBox, "Rule 7: tTSEG1 >= tSJW + tprop + tSCL  ", 14, 105, 190, 10, kRuleBox},
    {kRule8, K::CheckBox, "Rule 8: tTSEG2 >= 3 x tTSEG2  ", 14, 120, 119, 10, kRuleBox},
    {kRule9, K::CheckBox, "Rule 9: Bit Frequency for the Entered Baud Rate", 14, 133, 169, 10,
     kRuleBox},
    {kNoId, K::GroupBox, " Strict Restrictions ", 7, 151, 202, 37, Style::None},
    {kRule10, K::CheckBox, "Rule 10: tSCLmax  >= tSCL >= tSCLmin", 14, 162, 140, 10, kRuleBox},
    {kRule11, K::CheckBox, "Rule 11: Uses Cia Values for Number of TQ", 14, 175, 153, 10, kRuleBox},
};

constexpr DialogTemplate kDialog{137, 216, 217, " Customize restrictions", "MS Sans Serif", 8,
                                 kControls};

}  // namespace

const DialogTemplate& Dialog137() { return kDialog; }

}  // namespace kelvane::res
