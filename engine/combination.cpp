#include "combination.h"

namespace kelvane {

std::uint8_t EncodeBtr0(const Combination& c) {
  return static_cast<std::uint8_t>((c.sjw - 1) * 64 + (c.brp - 1));
}

std::uint8_t EncodeBtr1(const Combination& c) {
  return static_cast<std::uint8_t>(c.sam * 128 + (c.tseg2 - 1) * 16 + (c.tseg1 - 1));
}

Combination Decode(std::uint8_t btr0, std::uint8_t btr1) {
  Combination c;
  c.brp = (btr0 & 0x3F) + 1;
  c.sjw = (btr0 >> 6) + 1;
  c.tseg1 = (btr1 & 0x0F) + 1;
  c.tseg2 = ((btr1 >> 4) & 0x07) + 1;
  c.sam = btr1 >> 7;
  return c;
}

}  // namespace kelvane
