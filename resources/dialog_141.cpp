#include "dialog_141.h"

#include "dialog_141_ids.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
using namespace selection_ids;
using namespace Style;

// Frames and labels come first so that they lie beneath the controls they surround.
constexpr ControlTemplate kControls[] = {
    {kNoId, K::GroupBox, " Select the Transceiver ", 7, 7, 123, 41, None},
    {kNoId, K::GroupBox, " Values and Calculation ", 8, 50, 123, 94, None},
    {kNoId, K::GroupBox, " Description ", 134, 6, 134, 56, None},
    {kNoId, K::GroupBox, " Timming Parameters (ns) ", 134, 66, 134, 46, None},
    {kNoId, K::GroupBox, " Bus Length Parameters ", 135, 114, 134, 30, None},
    {kNoId, K::Label, "Loop delay of The Logic of \n the Controller", 13, 61, 89, 19, None},
    {kNoId, K::Label, "ns", 117, 72, 8, 8, None},
    {kNoId, K::Label, "Specific Line Delay", 13, 86, 62, 8, None},
    {kNoId, K::Label, "ns/meters", 48, 99, 32, 8, None},
    {kNoId, K::Label, "Bus Line Length Between nodes", 13, 114, 104, 8, None},
    {kNoId, K::Label, "meters", 48, 127, 22, 8, None},
    {kNoId, K::Label, "tTX", 137, 80, 12, 8, None},
    {kNoId, K::Label, "tRX", 136, 94, 13, 8, None},
    {kNoId, K::Label, "tPROP", 203, 79, 23, 8, None},
    {kNoId, K::Label, "tLoopEffect", 190, 93, 38, 8, None},
    {kNoId, K::Label, "tBus", 144, 128, 15, 8, None},
    {kNoId, K::Label, "ns", 197, 127, 8, 8, None},

    {kList, K::DropDownList, "", 11, 24, 63, 30, UpperCase | VScroll | Notify | TabStop},
    {kInsertNew, K::PushButton, "Insert New...", 78, 26, 45, 10, TabStop},
    {kLogicDelay, K::Edit, "", 73, 70, 40, 12, DigitsOnly | AutoHScroll | TabStop},
    {kLineDelay, K::Edit, "", 16, 98, 27, 12, AutoHScroll | TabStop},
    {kLineLength, K::Edit, "", 16, 125, 27, 12, DigitsOnly | AutoHScroll | TabStop},
    {kStandard, K::RadioButton, "Use Standard Values", 7, 150, 83, 10, Group | TabStop},
    {kFromTransceiver, K::RadioButton, "Values From Transceiver", 7, 163, 94, 10, None},
    {kDescription, K::Edit, "", 141, 16, 116, 41,
     Multiline | ReadOnly | AlignCenter | VScroll | TabStop},
    {kTTx, K::Edit, "", 157, 78, 27, 12, Disabled | AutoHScroll},
    {kTRx, K::Edit, "", 157, 92, 27, 12, Disabled | AutoHScroll},
    {kTProp, K::Edit, "", 234, 78, 27, 12, Disabled | AutoHScroll},
    {kTLoopEffect, K::Edit, "", 234, 92, 27, 12, Disabled | AutoHScroll},
    {kTBus, K::Edit, "", 163, 126, 27, 12, Disabled | AutoHScroll},
    {kRefresh, K::PushButton, "Refresh", 221, 147, 45, 10, TabStop},
    {kOk, K::DefPushButton, "OK", 167, 159, 50, 14, TabStop},
    {kCancel, K::PushButton, "Cancel", 219, 159, 50, 14, TabStop},
};

constexpr DialogTemplate kDialog{141, 276, 180, " Select Transceiver", "MS Sans Serif", 8,
                                 kControls};

}  // namespace

const DialogTemplate& Dialog141() { return kDialog; }

}  // namespace kelvane::res
