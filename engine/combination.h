#pragma once
// One setting of the bit-timing registers BTR0/BTR1, with its fields held in
// counted form (register value plus one), and the register encoding.

#include <cstdint>

namespace kelvane {

struct Combination {
  int brp = 1;    // baud-rate prescaler, 1..64
  int sjw = 1;    // synchronisation jump width in time quanta, 1..4
  int tseg1 = 1;  // time segment 1 in time quanta, 1..16
  int tseg2 = 1;  // time segment 2 in time quanta, 1..8
  int sam = 0;    // 0: one sample per bit, 1: three samples

  friend bool operator==(const Combination&, const Combination&) = default;
};

std::uint8_t EncodeBtr0(const Combination& c);
std::uint8_t EncodeBtr1(const Combination& c);
Combination Decode(std::uint8_t btr0, std::uint8_t btr1);

}  // namespace kelvane
