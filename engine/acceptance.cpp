#include "acceptance.h"

#include <cmath>

#include "ieee.h"
#include "number_text.h"

namespace kelvane {

bool RateMatches(double rate, double enteredRate, int decimals, bool exactPass) {
  if (exactPass) {
    return FormatFixed(std::fabs(rate), decimals) == FormatFixed(std::fabs(enteredRate), decimals);
  }
  const double upper = enteredRate + enteredRate * 0.01;
  const double lower = enteredRate - enteredRate * 0.01;
  return lower <= rate && rate <= upper;
}

double SearchBitRate(double tclk, const Combination& c) {
  const double tscl = 2 * tclk * c.brp;
  const double bitTime = c.tseg2 * tscl + (c.tseg1 * tscl + tscl);
  const float rounded = ToSingle(bitTime);
  return rounded == 0 ? 0.0 : 1000000 / static_cast<double>(rounded);
}

bool AcceptCombination(const CalculationRequest& request, const Combination& c) {
  const RuleSet& rules = request.rules;
  const double tscl = 2 * request.tclk * c.brp;
  const double tprop = request.useStandardProp ? tscl : request.propDelay;
  const double ttseg1 = c.tseg1 * tscl;
  const double ttseg2 = c.tseg2 * tscl;
  const double tsjw = c.sjw * tscl;

  if (rules.IsOn(1) && c.sam == 0 && !(c.tseg2 >= 2)) return false;
  if (rules.IsOn(2) && c.sam == 1 && !(c.tseg2 >= 3)) return false;
  if (rules.IsOn(3) && !(ttseg2 >= 2 * tscl)) return false;
  if (rules.IsOn(4) && !(ttseg2 >= tsjw)) return false;
  if (rules.IsOn(5) && !(ttseg1 >= ttseg2)) return false;
  if (rules.IsOn(6) && !(ttseg1 >= tsjw + tprop)) return false;
  if (rules.IsOn(7) && c.sam == 1 && !(ttseg1 >= (tsjw + tprop) + tscl)) return false;
  if (rules.IsOn(8) && c.sam == 1 && !(ttseg2 >= 3 * tscl)) return false;

  const float bitTime = ToSingle(ttseg2 + (ttseg1 + tscl));
  const double rate = bitTime == 0 ? 0.0 : 1000000 / static_cast<double>(bitTime);
  if (rules.IsOn(9) &&
      !RateMatches(rate, request.enteredRate, request.baudDecimals, request.exactPass)) {
    return false;
  }

  if (rules.IsOn(10) && !(request.tsclMin <= tscl && tscl <= request.tsclMax)) return false;
  const int nbt = c.tseg1 + c.tseg2 + 1;
  if (rules.IsOn(11) && nbt != request.ciaQuanta) return false;
  if (request.largeTolerance && !(nbt >= 8 && nbt <= 16)) return false;
  return true;
}

}  // namespace kelvane
