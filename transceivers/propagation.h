#pragma once
// The propagation delay of a bus built from a stored transceiver: its worst
// switching delays, the line and the controller's logic. Front ends pass the
// entries as read from their boxes and show the texts of the result.

#include <cstdint>
#include <string>
#include <string_view>

#include "trans_record.h"

namespace kelvane {

// The worse of the transceiver's two switching paths, from the max values.
struct WorstPair {
  std::int32_t tTX = 0;  // ns
  std::int32_t tRX = 0;  // ns
  bool onPair = false;   // true: tOnTXD/tOnRXD; false: tOffTXD/tOffRXD
};

// The on pair only when its sum is strictly greater; ties take the off pair.
WorstPair PickWorstPair(const trans& record);

struct PropagationResult {
  std::string lineDelayText;  // the entry rewritten in the "%f" form
  double lineDelay = 0.0;     // ns per metre, the value of that text
  std::int32_t tTX = 0;       // ns
  std::int32_t tRX = 0;       // ns
  std::int64_t tLoopEffect = 0;  // tTX + tRX, ns
  double tBus = 0.0;          // line length x line delay, ns
  double tPROP = 0.0;         // round-trip delay, ns

  // The boxes' texts: integers for tTX, tRX and tLoopEffect, "%f" for the rest.
  std::string tTXText() const;
  std::string tRXText() const;
  std::string tLoopEffectText() const;
  std::string tBusText() const;
  std::string tPROPText() const;
};

// lineDelayText: the line-delay entry (ns per metre) as typed; lineLength in
// metres; logicDelay in ns. tPROP = 2 x (tTX + tRX + logicDelay + tBus), the
// integers added exactly, whatever their size.
PropagationResult ComputePropagation(const trans& record, std::string_view lineDelayText,
                                     std::int32_t lineLength, std::int32_t logicDelay);

// The line-delay entry as the computation reads it: empty counts as "0.0",
// then the leading decimal number (none gives 0).
double ReadLineDelay(std::string_view lineDelayText);

// The entry's value as the owner keeps it, in single precision; a value too
// large for it becomes an infinity of the same sign.
float LineDelayForSettings(std::string_view lineDelayText);

// The entry's text for a kept value, in the "%f" form.
std::string LineDelayText(float lineDelay);

}  // namespace kelvane
