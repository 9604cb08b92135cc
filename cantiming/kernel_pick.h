#pragma once
// What Linux picks for `ip link set DEV type can bitrate R [sample-point S]`:
// a port of can_calc_bittiming() (drivers/net/can/dev/calc_bittiming.c, Linux
// 6.3 and later) with its unsigned 32-bit arithmetic, the CiA sample points,
// the 5 % rate limit and the default sjw (phase-seg2 / 2, at most phase-seg1,
// at least 1). Parameterised by the limits so that it serves the data phase
// of CAN FD as well.

#include "profile.h"
#include "timing.h"

#include <cstdint>
#include <string>

namespace kelvane::cantiming {

struct KernelPick {
  enum class Outcome {
    Chosen,            // the kernel sets this timing
    Refused,           // the kernel refuses the request (rate error above 5 %, sjw)
    DividesByZero,     // rate x quanta per bit wraps to 0 in 32 bits: the kernel divides by zero
    Overflowed,        // that product wraps in 32 bits: the search ran on wrong numbers
    BelowLimits,       // the pick breaks the controller's own limits (tseg1 below its minimum)
  };
  Outcome outcome = Outcome::Refused;
  PhaseTiming timing;              // as the kernel fills can_bittiming
  std::uint32_t tqNs = 0;          // its tq (brp x 1e9 / clock, rounded down)
  std::uint32_t bitrate = 0;       // its "real bitrate", rounded down
  std::uint32_t samplePointTenths = 0;  // its sample point, tenths of a per cent
  std::uint32_t errorTenthsPct = 0;     // its rate error, tenths of a per cent (rounded down)
  std::string reason;              // for every outcome but Chosen, one line
};

// bitrate in bit/s (the whole number ip link takes); samplePointTenths 0 for
// the CiA value, else e.g. 875 for sample-point 0.875.
KernelPick CalcBitTiming(const PhaseLimits& limits, std::uint32_t clockHz, std::uint32_t bitrate,
                         std::uint32_t samplePointTenths);

// A pick with a timing to show: the kernel's choice, or one below the
// controller's limits that it would still write.
inline bool HasTiming(const KernelPick& pick) {
  return pick.outcome == KernelPick::Outcome::Chosen ||
         pick.outcome == KernelPick::Outcome::BelowLimits;
}

// Why a pick without a timing has none, as one line.
inline std::string NoTimingReason(const KernelPick& pick) {
  return (pick.outcome == KernelPick::Outcome::Refused ? "the kernel refuses: "
                                                       : "the kernel's search misbehaves: ") +
         pick.reason;
}

}  // namespace kelvane::cantiming
