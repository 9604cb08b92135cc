#include "dialog_102.h"

#include <iterator>

#include "dialog_102_ids.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
using namespace main_ids;
using namespace Style;

constexpr unsigned kEntry = TabStop;
constexpr unsigned kShown = ReadOnly;  // an edit the window writes and the user only reads
constexpr unsigned kValue = Sunken | AlignRight;
constexpr unsigned kList = TabStop | Notify | VScroll;

constexpr ControlTemplate kControls[] = {
    {kOscillatorEntry, K::Edit, "", 84, 26, 50, 12, ReadOnly | DigitsOnly | AlignRight | kEntry},
    {kBaudEntry, K::Edit, "", 84, 42, 51, 12, AlignRight | kEntry},
    {kToleranceEntry, K::Edit, "", 106, 57, 29, 12, DigitsOnly | AlignRight | kEntry | Disabled},
    {kUndividedClock, K::RadioButton, "Fclk = Fosc", 12, 74, 50, 10, Flat | Disabled},
    {kDividedClock, K::RadioButton, "Fclk = Fosc /", 64, 74, 53, 10, Flat | Disabled},
    {kDividerEntry, K::Edit, "", 120, 73, 15, 12, DigitsOnly | AlignCenter | kEntry | Disabled},
    {kLargeTolerance, K::CheckBox, "Optimize for a Large Oscillator Tolerance", 12, 103, 143, 10,
     TabStop | Disabled},
    {kCalculate, K::DefPushButton, "Calculate", 38, 273, 44, 14, TabStop},
    {kClose, K::PushButton, "Close", 89, 273, 44, 14, TabStop},
    {kExpand, K::PushButton, ">>>>>", 88, 259, 32, 10, Flat | TabStop | Hidden},
    {kContract, K::PushButton, "<<<<<", 51, 259, 32, 10, Flat | TabStop | Hidden},
    {kBtr0List, K::ListBox, "", 8, 115, 74, 58, kList},
    {kBtr1List, K::ListBox, "", 87, 115, 74, 58, kList},
    {kNoId, K::Label, "Orvena", 7, 0, 154, 17, AlignCenter},
    {kNoId, K::Label, "Baud Rate:", 12, 45, 37, 8, None},
    {kNoId, K::Label, "Oscillator Frequency:", 12, 29, 68, 8, None},
    {kNoId, K::GroupBox, " Entries: ", 7, 18, 154, 98, None},
    {kNoId, K::Label, "Mhz", 138, 30, 14, 8, None},
    {kNoId, K::Label, "kbps", 138, 44, 16, 8, None},
    {kNbtLabel, K::Label, "NBT (Nominal Bit Time)", 175, 92, 98, 9, None},
    {kQuantumLabel, K::Label, "Tscl (Time Quantum Duration)", 175, 122, 94, 8, None},
    {kQuantum, K::Edit, "", 273, 121, 46, 13, kShown | AlignRight},
    {kNbt, K::Edit, "", 291, 91, 28, 12, kShown | AlignRight},
    {kSjwValue, K::Edit, "", 182, 46, 22, 14, kShown | AlignCenter},
    {kNoId, K::Label, "BTR0:", 8, 177, 75, 12, Sunken | AlignCenter},
    {kNoId, K::Label, "BTR1:", 87, 177, 75, 12, Sunken | AlignCenter},
    {kProgress, K::ProgressBar, "", 9, 233, 151, 11, None},
    {kNoId, K::Label, "Total:", 106, 201, 19, 8, None},
    {kTotal, K::Edit, "", 130, 201, 26, 12, kShown},
    {kBrpBits, K::Edit, "", 208, 27, 43, 14, kShown | AlignCenter},
    {kSjwBits, K::Edit, "", 182, 27, 22, 14, kShown | AlignCenter},
    {kNoId, K::Label, "SJW", 183, 17, 16, 8, None},
    {kNoId, K::Label, "BRP", 210, 17, 16, 8, None},
    {kSamBits, K::Edit, "", 259, 27, 15, 14, kShown | AlignCenter},
    {kTseg2Bits, K::Edit, "", 280, 27, 20, 14, kShown | AlignCenter},
    {kTseg1Bits, K::Edit, "", 305, 27, 25, 14, kShown | AlignCenter},
    {kNoId, K::Label, "SAM", 259, 17, 16, 8, None},
    {kNoId, K::Label, "TSEG2", 278, 17, 24, 8, None},
    {kNoId, K::Label, "TSEG1", 306, 17, 23, 8, None},
    {kNoId, K::Label, "Baud Rate:", 175, 138, 37, 8, None},
    {kNoId, K::Label, "kbps", 322, 139, 16, 8, None},
    {kRate, K::ValueLabel, "", 273, 137, 46, 13, kValue},
    {kNoId, K::Label, "Current:", 12, 201, 26, 8, None},
    {kCurrent, K::Edit, "", 60, 201, 26, 12, kShown},
    {kTclk, K::ValueLabel, "", 272, 153, 47, 12, kValue},
    {kFclk, K::ValueLabel, "", 256, 168, 63, 12, kValue},
    {kNoId, K::Label, "Tclk (Clock Period):", 175, 153, 63, 8, None},
    {kNoId, K::Label, "Fclk (Clock Frequency):", 175, 169, 76, 8, None},
    {kNoId, K::Label, "c/s", 322, 168, 12, 8, None},
    {kNoId, K::Label, "ns", 322, 155, 8, 8, None},
    {kBrpValue, K::Edit, "", 208, 46, 43, 14, kShown | AlignCenter},
    {kSamplePointLabel, K::Label, "Sample Point", 175, 76, 45, 9, None},
    {kSamValue, K::Edit, "", 259, 46, 16, 14, kShown | AlignCenter},
    {kTseg2Value, K::Edit, "", 280, 46, 20, 14, kShown | AlignCenter},
    {kTseg1Value, K::Edit, "", 305, 46, 25, 14, kShown | AlignCenter},
    {kSamplePoint, K::Edit, "", 291, 76, 28, 12, kShown},
    {kNoId, K::Label, "%", 322, 79, 8, 8, None},
    {kNoId, K::Label, "ns", 322, 125, 8, 8, None},
    {kNoId, K::GroupBox, "", 177, 10, 78, 55, None},
    {kNoId, K::GroupBox, "", 256, 10, 78, 55, None},
    {kNoId, K::GroupBox, " Combinations", 6, 191, 158, 28, None},
    {kNoId, K::Label, "Oscilator Tolerance:", 177, 230, 64, 8, None},
    {kNoId, K::Label, "Frequency Variation:", 177, 244, 66, 8, None},
    {kNoId, K::GroupBox, " Progress ", 6, 220, 158, 34, None},
    {kNoId, K::Label, "BTR0:", 177, 1, 78, 12, AlignCenter},
    {kNoId, K::Label, "BTR1:", 255, 1, 78, 12, AlignCenter},
    {kNoId, K::Line, "", 169, 0, 1, 299, None},
    {kNoId, K::Line, "", 176, 69, 157, 1, None},
    {kNoId, K::Label, "Units", 322, 93, 17, 8, None},
    {kNoId, K::Line, "", 246, 234, 93, 1, None},
    {kVariation, K::ValueLabel, "", 273, 241, 47, 12, kValue},
    {kTsclMinLabel, K::Label, "Tscl (TQD) Minimal", 177, 259, 61, 8, None},
    {kTsclMin, K::Edit, "", 245, 257, 76, 13, kShown | AlignRight},
    {kNoId, K::Label, "ns", 323, 260, 8, 8, None},
    {kTsclMaxLabel, K::Label, "Tscl (TQD) Maximal", 177, 274, 65, 8, None},
    {kTsclMax, K::Edit, "", 245, 273, 76, 13, kShown | AlignRight},
    {kNoId, K::Label, "ns", 324, 277, 8, 8, None},
    {kNoId, K::Label, "Fclk Max/Min", 12, 59, 44, 8, None},
    {kNoId, K::Label, "ppm", 138, 60, 14, 8, None},
    {kNoId, K::Label, "%", 324, 243, 8, 8, None},
    {kBitTimeLabel, K::Label, "TNBT (NBT time Duration)", 175, 107, 98, 9, None},
    {kBitTime, K::Edit, "", 291, 106, 28, 12, kShown | AlignRight},
    {kNoId, K::Label, "us", 322, 108, 8, 8, None},
    {kFclkMax, K::ValueLabel, "", 256, 184, 63, 12, kValue},
    {kNoId, K::Label, "Fclk (Clock Freq Max):", 176, 185, 72, 8, None},
    {kNoId, K::Label, "c/s", 322, 184, 12, 8, None},
    {kFclkMin, K::ValueLabel, "", 256, 200, 63, 12, kValue},
    {kNoId, K::Label, "Fclk (Clock Freq Min):", 176, 201, 70, 8, None},
    {kNoId, K::Label, "c/s", 322, 200, 12, 8, None},
    {kTestBtr0Entry, K::Edit, "", 64, 88, 15, 12, UpperCase | AlignCenter | kEntry},
    {kTestBtr1Entry, K::Edit, "", 91, 88, 15, 12, UpperCase | AlignCenter | kEntry},
    {kNoId, K::Label, "Test Value:", 13, 89, 37, 8, None},
    {kTest, K::PushButton, "Test", 116, 89, 20, 10, TabStop},
    {kProp, K::ValueLabel, "", 256, 216, 63, 12, kValue},
    {kNoId, K::Label, "Units", 321, 218, 17, 8, None},
    {kNoId, K::Label, "PROP( Norm. Pro. Del):", 176, 217, 75, 8, None},
};

static_assert(std::size(kControls) == 96);

// The bits and the decimal value of a field stand under one head, the two
// test entries beside one label, and "Baud Rate:" names both the entry and
// the combination's rate.
constexpr ControlName kNames[] = {
    {kSjwBits, "SJW bits"},
    {kBrpBits, "BRP bits"},
    {kSamBits, "SAM bits"},
    {kTseg2Bits, "TSEG2 bits"},
    {kTseg1Bits, "TSEG1 bits"},
    {kTestBtr0Entry, "BTR0 test value"},
    {kTestBtr1Entry, "BTR1 test value"},
    {kRate, "Combination baud rate"},
    {kDividerEntry, "Clock divider"},
    {kExpand, "Expand the window"},
    {kContract, "Contract the window"},
};

}  // namespace

constinit const DialogTemplate kDialog102{
    102, 346, 327, "Kelvane - Bus Timing Calculation ", "MS Sans Serif", 8, kControls,
    kNames};

}  // namespace kelvane::res
