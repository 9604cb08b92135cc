#pragma once
// What the details panel shows for one combination, computed without any
// window: every text in its final form, plus the values the window keeps.

#include <optional>
#include <string>
#include <string_view>

#include "propagation_settings.h"

namespace kelvane {

// The combination part of the panel, shared by the list selection and the
// register test. Control identifiers of the main window in brackets.
struct CombinationFieldTexts {
  std::string sjwBits;      // [1027] 2 binary digits
  std::string brpBits;      // [1026] 6 binary digits
  std::string samBit;       // [1028] 1 binary digit
  std::string tseg2Bits;    // [1029] 3 binary digits
  std::string tseg1Bits;    // [1030] 4 binary digits
  std::string sjw;          // [1006] counted value, "%d"
  std::string brp;          // [1007]
  std::string sam;          // [1008] 0 or 1
  std::string tseg2;        // [1009]
  std::string tseg1;        // [1011]
  std::string nbt;          // [1004] "NBT (Nominal Bit Time)", time quanta
  std::string samplePoint;  // [1039] per cent, "%f"
  std::string bitDuration;  // [1020] "TNBT", microseconds, "%f"
  std::string timeQuantum;  // [1003] "Tscl", ns, truncated "%d"
  std::string baudRate;     // [1031] kbit/s, "%f"
};

struct CombinationDetails {
  CombinationFieldTexts fields;
  std::string prop;        // [1041] "PROP( Norm. Pro. Del):", "%f"
  int current = 0;         // [1032] "Current:", the selected index plus one
  double timeQuantum = 0;  // ns: the window's member for the time quantum shown
  // Set while the standard values are in force: the window stores it as its
  // PropagationSettings::propDelay (and keeps it there afterwards).
  std::optional<double> newPropDelay;
};

// The selection of list entry `selectedIndex` (from 0) whose BTR0 and BTR1
// texts are two hexadecimal digits each; tclk (ns) and fclk (Hz) are the
// window's values as the last calculation or register test left them. The
// window writes every text into its controls, stores timeQuantum and, when
// given, newPropDelay, then runs its data exchange towards the controls. The
// clock texts ("Tclk", "Fclk", ..., "Tscl (TQD) Maximal") are left alone.
CombinationDetails ComputeDetails(std::string_view btr0Hex, std::string_view btr1Hex,
                                  int selectedIndex, double tclk, double fclk,
                                  const PropagationSettings& propagation);

// The combination part alone, from the two 8-digit binary register texts, with
// the time quantum (ns) it used; the register test shares it.
CombinationFieldTexts DescribeCombination(std::string_view btr0Binary, std::string_view btr1Binary,
                                          double tclk, double fclk, double* timeQuantum);

// ComputeDetails from the two 8-digit binary register texts.
CombinationDetails ComputeDetailsFromBinary(std::string_view btr0Binary,
                                            std::string_view btr1Binary, int selectedIndex,
                                            double tclk, double fclk,
                                            const PropagationSettings& propagation);

}  // namespace kelvane
