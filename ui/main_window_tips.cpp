#include "main_window_tips.h"

#include <iterator>

namespace kelvane::ui {
namespace {

constexpr ControlTip kTips[] = {
    {1018, "External Oscillator Frequency in Megahertz"},
    {1000, "Desire Baudrate for Data transmition in Kilobauds per second"},
    {1001, "Variation Range for the Clock Frequency in PPM (Parts per Million)"},
    {1045, "Use the External Oscillator Frequency as Clock Frequency"},
    {1046, "The Clock Frequency is the Oscillator frequency divided\nby a given number"},
    {1047, "Value to Divide the Oscillator Frequency and to\noptain the Clock Frequency"},
    {1048, "BTR0 Hexadecimal Value to be tested"},
    {1050, "BTR1 Hexadecimal Value to be tested"},
    {1056,
     "Execute de Test for the entered Hexadecimal Values   \rFor make the Test is necesasry "
     "to enter valid Hexadecimal Values\nas well as to provide an Oscillator Frequency and "
     "Select a Mode.\nBy default Fclk = Fosc is selected"},
    {1040, "Only combinations with NBT between 8 and 16 will be chosen"},
    {1022, "List the BTR0 Hexadecimal combination for the entered Data"},
    {1023, "List the BTR1 Hexadecimal combination for the entered Data"},
    {1032, "The Index Number of the Actual Combination Showed in the Values's Visor"},
    {1025, "Total of Combination found for the entered Values"},
    {1024, "Work's Progress in find Combinations for the Entered Values"},
    {1043, "Expand the Window allowing see the Detail Values for\neach Combination"},
    {1044, "Contract the Window allowing see only the Combination\nList and the Entry Values's Area"},
    {1010,
     "Begin the process for calculate the Combination for   \nthe entered Values\rPressing the "
     "RIGHT Mouse Button you can Stop the Proccess."},
    {1, "Terminate the Application"},
    {1027, "Show the Value of SJW (Synchronization Jump Width)\nfrom the Current Combination in Binary Format"},
    {1026, "Show the Value of BPR (Baud Rate Prescaler) from\nthe Current Combination in Binary Format"},
    {1028, "Show the Value of SAM (Sample Mode) from the Current\nCombination in Binary Format"},
    {1029, "Show the Value of TSEG2 (Bit time Segment 2) from\nthe Current Combination in Binary Format"},
    {1030, "Show the Value of TSEG1 (Bit time Segment 1) from\nthe Current Combination in Binary Format"},
    {1006, "Show the Value of SJW (Synchronization Jump Width)\nfrom the Current Combination in Decimal Format"},
    {1007, "Show the Value of BPR (Baud Rate Prescaler) from\nthe Current Combination in Decimal Format"},
    {1008, "Show the Value of SAM (Sample Mode) from the Current\nCombination in Decimal Format"},
    {1009, "Show the Value of TSEG2 (Bit time Segment 2) from\nthe Current Combination in Decimal Format"},
    {1011, "Show the Value of TSEG1 (Bit time Segment 1) from\nthe Current Combination in Decimal Format"},
    {1039, "Show the Sample Point of a Bit Time Period, in Percent"},
    {1004, "Quantity of Time Quanta per Bit"},
    {1020,
     "Duration of a Bit Time (Number of Time Quanta\nmultiply by The duration of each Time "
     "Quanta),\nin microseconds"},
    {1003, "Duration of a Bit Time Quanta, in nanoseconds"},
    {1031, "Baud Rate supported for the Current Combination,\nin Kilobauds per second"},
    {1033, "Duration of One period of Clock in nanoseconds"},
    {1034, "Clock Freuqency, in Cycles per Seconds"},
    {1037, "Maximum Clock Frequency supported in\ncycles per second"},
    {1038, "Minimal Clock Frequency supported in\ncycles per second"},
    {1041,
     "Normalize Propagation Delay (Propagation Delay time\ndivided by a period of the CAN "
     "system clock)"},
    {1035, "Deviation of the Oscillator Reference Frequency,\nnormalized to the Nominal Frequency"},
    {1005, "Minimum Value for the Period of\nthe System CAN Clock"},
    {1016, "Maximum Value for the Period of\nthe System CAN Clock"},
};

static_assert(std::size(kTips) == 42);

}  // namespace

std::span<const ControlTip> MainWindowTips() { return kTips; }

}  // namespace kelvane::ui
