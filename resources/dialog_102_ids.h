#pragma once
// Control identifiers of dialog template 102, the main window.

#include "dialog_template.h"

namespace kelvane::res::main_ids {

// Entries
inline constexpr int kOscillatorEntry = 1018;   // "Oscillator Frequency:", MHz
inline constexpr int kBaudEntry = 1000;         // "Baud Rate:", kbit/s
inline constexpr int kToleranceEntry = 1001;    // "Fclk Max/Min", ppm
inline constexpr int kUndividedClock = 1045;    // "Fclk = Fosc"
inline constexpr int kDividedClock = 1046;      // "Fclk = Fosc /"
inline constexpr int kDividerEntry = 1047;
inline constexpr int kLargeTolerance = 1040;    // "Optimize for a Large Oscillator Tolerance"
inline constexpr int kTestBtr0Entry = 1048;     // "Test Value:" BTR0
inline constexpr int kTestBtr1Entry = 1050;     // "Test Value:" BTR1

// Buttons
inline constexpr int kCalculate = 1010;         // "Calculate"
inline constexpr int kClose = kIdOk;            // "Close"
inline constexpr int kExpand = 1043;            // ">>>>>"
inline constexpr int kContract = 1044;          // "<<<<<"
inline constexpr int kTest = 1056;              // "Test"

// Result lists and progress
inline constexpr int kBtr0List = 1022;
inline constexpr int kBtr1List = 1023;
inline constexpr int kProgress = 1024;
inline constexpr int kTotal = 1025;             // "Total:"
inline constexpr int kCurrent = 1032;           // "Current:", from 1

// Details panel: the fields in binary and in decimal
inline constexpr int kSjwBits = 1027;
inline constexpr int kBrpBits = 1026;
inline constexpr int kSamBits = 1028;
inline constexpr int kTseg2Bits = 1029;
inline constexpr int kTseg1Bits = 1030;
inline constexpr int kSjwValue = 1006;
inline constexpr int kBrpValue = 1007;
inline constexpr int kSamValue = 1008;
inline constexpr int kTseg2Value = 1009;
inline constexpr int kTseg1Value = 1011;

// Details panel: the derived quantities and their captions
inline constexpr int kSamplePointLabel = 1036;  // "Sample Point"
inline constexpr int kSamplePoint = 1039;       // %
inline constexpr int kNbtLabel = 1012;          // "NBT (Nominal Bit Time)"
inline constexpr int kNbt = 1004;               // time quanta
inline constexpr int kBitTimeLabel = 1019;      // "TNBT (NBT time Duration)"
inline constexpr int kBitTime = 1020;           // us
inline constexpr int kQuantumLabel = 1013;      // "Tscl (Time Quantum Duration)"
inline constexpr int kQuantum = 1003;           // ns
inline constexpr int kRate = 1031;              // kbit/s
inline constexpr int kTclk = 1033;              // "Tclk (Clock Period):", ns
inline constexpr int kFclk = 1034;              // "Fclk (Clock Frequency):", c/s
inline constexpr int kFclkMax = 1037;           // "Fclk (Clock Freq Max):", c/s
inline constexpr int kFclkMin = 1038;           // "Fclk (Clock Freq Min):", c/s
inline constexpr int kProp = 1041;              // "PROP( Norm. Pro. Del):"
inline constexpr int kVariation = 1035;         // "Frequency Variation:", %
inline constexpr int kTsclMinLabel = 1014;      // "Tscl (TQD) Minimal"
inline constexpr int kTsclMin = 1005;           // ns
inline constexpr int kTsclMaxLabel = 1015;      // "Tscl (TQD) Maximal"
inline constexpr int kTsclMax = 1016;           // ns

}  // namespace kelvane::res::main_ids
