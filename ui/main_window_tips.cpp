#include "main_window_tips.h"

#include <iterator>

#include "dialog_102_ids.h"

namespace kelvane::ui {
namespace {

using namespace res::main_ids;

constexpr ControlTip kTips[] = {
    {kOscillatorEntry, "External Oscillator Frequency in Megahertz"},
    {kBaudEntry, "Desire Baudrate for Data transmition in Kilobauds per second"},
    {kToleranceEntry, "Variation Range for the Clock Frequency in PPM (Parts per Million)"},
    {kUndividedClock, "Use the External Oscillator Frequency as Clock Frequency"},
    {kDividedClock, "The Clock Frequency is the Oscillator frequency divided\nby a given number"},
    {kDividerEntry, "Value to Divide the Oscillator Frequency and to\noptain the Clock Frequency"},
    {kTestBtr0Entry, "BTR0 Hexadecimal Value to be tested"},
    {kTestBtr1Entry, "BTR1 Hexadecimal Value to be tested"},
    {kTest,
     "Execute de Test for the entered Hexadecimal Values   \rFor make the Test is necesasry "
     "to enter valid Hexadecimal Values\nas well as to provide an Oscillator Frequency and "
     "Select a Mode.\nBy default Fclk = Fosc is selected"},
    {kLargeTolerance, "Only combinations with NBT between 8 and 16 will be chosen"},
    {kBtr0List, "List the BTR0 Hexadecimal combination for the entered Data"},
    {kBtr1List, "List the BTR1 Hexadecimal combination for the entered Data"},
    {kCurrent, "The Index Number of the Actual Combination Showed in the Values's Visor"},
    {kTotal, "Total of Combination found for the entered Values"},
    {kProgress, "Work's Progress in find Combinations for the Entered Values"},
    {kExpand, "Expand the Window allowing see the Detail Values for\neach Combination"},
    {kContract, "Contract the Window allowing see only the Combination\nList and the Entry Values's Area"},
    {kCalculate,
     "Begin the process for calculate the Combination for   \nthe entered Values\rPressing the "
     "RIGHT Mouse Button you can Stop the Proccess."},
    {kClose, "Terminate the Application"},
    {kSjwBits, "Show the Value of SJW (Synchronization Jump Width)\nfrom the Current Combination in Binary Format"},
    {kBrpBits, "Show the Value of BPR (Baud Rate Prescaler) from\nthe Current Combination in Binary Format"},
    {kSamBits, "Show the Value of SAM (Sample Mode) from the Current\nCombination in Binary Format"},
    {kTseg2Bits, "Show the Value of TSEG2 (Bit time Segment 2) from\nthe Current Combination in Binary Format"},
    {kTseg1Bits, "Show the Value of TSEG1 (Bit time Segment 1) from\nthe Current Combination in Binary Format"},
    {kSjwValue, "Show the Value of SJW (Synchronization Jump Width)\nfrom the Current Combination in Decimal Format"},
    {kBrpValue, "Show the Value of BPR (Baud Rate Prescaler) from\nthe Current Combination in Decimal Format"},
    {kSamValue, "Show the Value of SAM (Sample Mode) from the Current\nCombination in Decimal Format"},
    {kTseg2Value, "Show the Value of TSEG2 (Bit time Segment 2) from\nthe Current Combination in Decimal Format"},
    {kTseg1Value, "Show the Value of TSEG1 (Bit time Segment 1) from\nthe Current Combination in Decimal Format"},
    {kSamplePoint, "Show the Sample Point of a Bit Time Period, in Percent"},
    {kNbt, "Quantity of Time Quanta per Bit"},
    {kBitTime,
     "Duration of a Bit Time (Number of Time Quanta\nmultiply by The duration of each Time "
     "Quanta),\nin microseconds"},
    {kQuantum, "Duration of a Bit Time Quanta, in nanoseconds"},
    {kRate, "Baud Rate supported for the Current Combination,\nin Kilobauds per second"},
    {kTclk, "Duration of One period of Clock in nanoseconds"},
    {kFclk, "Clock Freuqency, in Cycles per Seconds"},
    {kFclkMax, "Maximum Clock Frequency supported in\ncycles per second"},
    {kFclkMin, "Minimal Clock Frequency supported in\ncycles per second"},
    {kProp,
     "Normalize Propagation Delay (Propagation Delay time\ndivided by a period of the CAN "
     "system clock)"},
    {kVariation, "Deviation of the Oscillator Reference Frequency,\nnormalized to the Nominal Frequency"},
    {kTsclMin, "Minimum Value for the Period of\nthe System CAN Clock"},
    {kTsclMax, "Maximum Value for the Period of\nthe System CAN Clock"},
};

static_assert(std::size(kTips) == 42);

}  // namespace

std::span<const ControlTip> MainWindowTips() { return kTips; }

}  // namespace kelvane::ui
