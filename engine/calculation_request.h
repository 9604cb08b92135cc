#pragma once
// The values one calculation reads: the entries as the window transferred them
// and the clock values computed once per "Calculate".

#include <string>

#include "propagation_settings.h"
#include "rule_set.h"

namespace kelvane {

struct CalculationRequest {
  // Entries, filled by the window's data exchange before PrepareCalculation.
  std::string oscillatorText = "16";  // MHz; an empty text becomes "16"
  std::string baudText;               // kbit/s; rewritten in the "%f" form
  int tolerance = 1000;               // ppm
  bool dividedClock = false;          // "Fclk = Fosc /" chosen
  int divider = 1;                    // 1..9, used only while dividedClock
  bool largeTolerance = false;        // "Optimize for a Large Oscillator Tolerance"
  bool exactPass = true;              // false only during the 1 % pass

  // Copies of the window's rule set and propagation state, taken by
  // PrepareCalculation; nothing changes them while a search runs.
  RuleSet rules;
  bool useStandardProp = true;
  double propDelay = 0.0;  // ns

  // Computed by PrepareCalculation.
  int baudDecimals = 0;             // N: decimals of the exact comparison
  double fclk = 0.0;                // Hz
  double tclk = 0.0;                // ns
  double fclkMax = 0.0;             // Hz
  double fclkMin = 0.0;             // Hz
  double frequencyVariation = 0.0;  // P, per cent (used by rule 10 as a plain factor)
  int ciaQuanta = 0;                // CiA time quanta per bit for the entered rate, 0 if none
  double ciaQuantum = 0.0;          // CiA nominal time quantum C, ns, 0 if none
  double tsclMin = 0.0;             // ns
  double tsclMax = 0.0;             // ns
  double enteredRate = 0.0;         // B, kbit/s
};

// The divider check of the data exchange: false when "Fclk = Fosc /" is chosen
// and the divider is not from 1 to 9. The window then moves the focus to the
// divider entry, shows kDividerMessage (OK button only) and does not calculate.
bool DividerIsValid(bool dividedClock, int divider);
inline constexpr char kDividerMessage[] = "Only Integer Values Between 1 and 9 for Fclk Divider";

// The texts the window writes into the details panel after PrepareCalculation.
struct ClockTexts {
  std::string fclk;                // "Fclk (Clock Frequency):"
  std::string tclk;                // "Tclk (Clock Period):"
  std::string fclkMax;             // "Fclk (Clock Freq Max):"
  std::string fclkMin;             // "Fclk (Clock Freq Min):"
  std::string frequencyVariation;  // "Frequency Variation:"
  std::string tsclMin;             // "Tscl (TQD) Minimal"
  std::string tsclMax;             // "Tscl (TQD) Maximal"
  std::string prop;                // "PROP( Norm. Pro. Del):", always "1"
};

// Fills the computed fields of the request from its entries, rules and
// propagation state: an empty oscillator text becomes "16"; N is taken from
// the baud text (an empty one becomes "0.0" with N = 1) and the baud text is
// rewritten in the "%f" form, which the window then shows in its entry; the
// entered rate and the CiA values are read from the rewritten text. Call it
// only after DividerIsValid accepted the divider.
ClockTexts PrepareCalculation(CalculationRequest& request, const RuleSet& rules,
                              const PropagationSettings& propagation);

// The CiA nominal values for an entered rate in kbit/s: time quanta per bit and
// the nominal time quantum in ns; {0, 0} outside the table.
struct CiaNominal {
  int quanta = 0;
  double quantum = 0.0;  // ns
};
CiaNominal CiaNominalFor(double rate);

}  // namespace kelvane
