#include "calculation_request.h"

#include <cmath>

#include "ieee.h"
#include "number_text.h"

namespace kelvane {
namespace {

// Decimals of the exact comparison: the characters after the first point, or
// the whole length when the text has no point.
int BaudDecimals(const std::string& baudText) {
  const std::size_t point = baudText.find('.');
  const std::size_t count = point == std::string::npos ? baudText.size() : baudText.size() - point - 1;
  constexpr std::size_t kMost = 1000000;  // far beyond any exact digit of a double
  return static_cast<int>(count < kMost ? count : kMost);
}

}  // namespace

bool DividerIsValid(bool dividedClock, int divider) {
  return !dividedClock || (divider >= 1 && divider <= 9);
}

CiaNominal CiaNominalFor(double rate) {
  struct Bracket {
    double above;    // exclusive lower end, kbit/s
    double atMost;   // inclusive upper end, kbit/s
    int quanta;
    double quantum;  // ns
  };
  static constexpr Bracket kBrackets[] = {
      {801, 1000, 8, 125}, {501, 800, 10, 125}, {251, 500, 16, 125}, {126, 250, 16, 250},
      {51, 125, 16, 500},  {21, 50, 16, 1250},
  };
  for (const Bracket& bracket : kBrackets) {
    if (rate > bracket.above && rate <= bracket.atMost) return {bracket.quanta, bracket.quantum};
  }
  if (rate >= 0 && rate <= 20) return {16, 3125};
  return {};
}

ClockTexts PrepareCalculation(CalculationRequest& request, const RuleSet& rules,
                              const PropagationSettings& propagation) {
  if (request.oscillatorText.empty()) request.oscillatorText = "16";
  if (request.baudText.empty()) {
    request.baudText = "0.0";
    request.baudDecimals = 1;
  } else {
    request.baudDecimals = BaudDecimals(request.baudText);
  }
  request.baudText = FormatF(ReadDouble(request.baudText));

  request.rules = rules;
  request.useStandardProp = propagation.useStandardProp;
  request.propDelay = propagation.propDelay;

  double fclk = ReadDouble(request.oscillatorText) * 1000000;
  if (request.dividedClock && DividerIsValid(true, request.divider)) fclk /= request.divider;
  request.fclk = fclk;
  request.tclk = Divide(1000000000, fclk);

  const double deviation = fclk / 1000000 * request.tolerance;
  request.fclkMax = fclk + deviation;
  request.fclkMin = fclk - deviation;
  double quotient = Divide((fclk + deviation) - fclk, fclk);
  if (quotient < 0) quotient = static_cast<double>(ToSingle(-quotient));
  request.frequencyVariation = quotient * 100;

  const double rate = ReadDouble(request.baudText);
  const CiaNominal cia = CiaNominalFor(rate);
  request.ciaQuanta = cia.quanta;
  request.ciaQuantum = cia.quantum;
  request.tsclMin = cia.quantum * (1 - request.frequencyVariation);
  request.tsclMax = cia.quantum * (1 + request.frequencyVariation);
  request.enteredRate = rate * 1000 / 1000;

  ClockTexts texts;
  texts.fclk = FormatF(request.fclk);
  texts.tclk = FormatF(request.tclk);
  texts.fclkMax = FormatF(request.fclkMax);
  texts.fclkMin = FormatF(request.fclkMin);
  texts.frequencyVariation = FormatF(request.frequencyVariation);
  texts.tsclMin = FormatF(request.tsclMin);
  texts.tsclMax = FormatF(request.tsclMax);
  texts.prop.push_back('1');
  return texts;
}

}  // namespace kelvane
