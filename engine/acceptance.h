#pragma once
// The acceptance test of one combination: rules 1 to 8, the bit rate (rule 9),
// rules 10 and 11, then the large-tolerance option.

#include "calculation_request.h"
#include "combination.h"

namespace kelvane {

// The bit-rate comparison. Exact pass: both magnitudes written with `decimals`
// digits (halves away from zero) give the same text. Otherwise: within 1 %
// of enteredRate, both edges included.
bool RateMatches(double rate, double enteredRate, int decimals, bool exactPass);

// True when the request (prepared by PrepareCalculation) accepts c.
bool AcceptCombination(const CalculationRequest& request, const Combination& c);

// The bit rate in kbit/s that the acceptance test compares: the bit time is
// rounded to single precision first; a bit time of 0 gives 0.
double SearchBitRate(double tclk, const Combination& c);

}  // namespace kelvane
