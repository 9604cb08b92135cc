#include "propagation.h"

#include <cfloat>
#include <cmath>

#include "number_text.h"

namespace kelvane {

WorstPair PickWorstPair(const trans& record) {
  const DelayRow& onTx = record.rows[kRowOnTxd];
  const DelayRow& onRx = record.rows[kRowOnRxd];
  const DelayRow& offTx = record.rows[kRowOffTxd];
  const DelayRow& offRx = record.rows[kRowOffRxd];
  // 64-bit sums: two large 32-bit delays must not wrap and flip the choice.
  const std::int64_t on = std::int64_t{onTx.max} + onRx.max;
  const std::int64_t off = std::int64_t{offTx.max} + offRx.max;
  if (on > off) return {onTx.max, onRx.max, true};
  return {offTx.max, offRx.max, false};
}

double ReadLineDelay(std::string_view lineDelayText) {
  return ReadDouble(lineDelayText.empty() ? std::string_view("0.0") : lineDelayText);
}

PropagationResult ComputePropagation(const trans& record, std::string_view lineDelayText,
                                     std::int32_t lineLength, std::int32_t logicDelay) {
  PropagationResult r;
  r.lineDelay = ReadLineDelay(lineDelayText);
  // A delay beyond any double ("1e400") would make tBus and tPROP infinite or
  // NaN, and rules 6 and 7 would then quietly reject every pair: count it as
  // no number, like any other text that cannot be read.
  if (!std::isfinite(r.lineDelay)) r.lineDelay = 0.0;
  r.lineDelayText = FormatF(r.lineDelay);
  const WorstPair pair = PickWorstPair(record);
  r.tTX = pair.tTX;
  r.tRX = pair.tRX;
  r.tLoopEffect = std::int64_t{r.tTX} + r.tRX;
  // Three 32-bit values cannot overflow a 64-bit sum, and every such sum is
  // exact in a double; a 32-bit sum would wrap to a negative delay.
  const std::int64_t integerPart = r.tLoopEffect + logicDelay;
  r.tBus = static_cast<double>(lineLength) * r.lineDelay;
  r.tPROP = 2.0 * (static_cast<double>(integerPart) + r.tBus);
  // A finite delay may still overflow once multiplied by the length or
  // doubled: such a line delay counts as no number too.
  if (!std::isfinite(r.tBus) || !std::isfinite(r.tPROP)) {
    r.lineDelay = 0.0;
    r.lineDelayText = FormatF(r.lineDelay);
    r.tBus = 0.0;
    r.tPROP = 2.0 * static_cast<double>(integerPart);
  }
  return r;
}

std::string PropagationResult::tTXText() const { return FormatD(tTX); }
std::string PropagationResult::tRXText() const { return FormatD(tRX); }
std::string PropagationResult::tLoopEffectText() const { return FormatD(tLoopEffect); }
std::string PropagationResult::tBusText() const { return FormatF(tBus); }
std::string PropagationResult::tPROPText() const { return FormatF(tPROP); }

float LineDelayForSettings(std::string_view lineDelayText) {
  const double value = ReadLineDelay(lineDelayText);
  // Converting a double beyond the float range is undefined; round as the
  // hardware would: up to half a unit past FLT_MAX still gives FLT_MAX.
  const double overflowsAt = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 127 - 24);
  if (std::isfinite(value) && std::fabs(value) >= overflowsAt) {
    return std::signbit(value) ? -INFINITY : INFINITY;
  }
  if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
    return std::signbit(value) ? -FLT_MAX : FLT_MAX;
  }
  return static_cast<float>(value);
}

std::string LineDelayText(float lineDelay) { return FormatF(static_cast<double>(lineDelay)); }

}  // namespace kelvane
