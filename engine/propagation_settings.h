#pragma once
// The main window's propagation-delay state: written by the transceiver
// selection, read by the acceptance test and the details panel.

#include <cstdint>
#include <string>

namespace kelvane {

struct PropagationSettings {
  // true: rules 6 and 7 use the tested combination's own time quantum.
  bool useStandardProp = true;
  // ns; counts only while useStandardProp is false.
  double propDelay = 0.0;
  // The fields below are set together by the first OK in transceiver mode and
  // mean nothing before it.
  std::string transceiverName;          // kept, never shown
  std::int32_t transceiverIndex = 0;    // position in the selection list (0 = placeholder)
  float lineDelay = 0.0f;               // ns per metre, single precision
  std::int32_t lineLength = 0;          // metres
  std::int32_t logicDelay = 0;          // ns
};

}  // namespace kelvane
