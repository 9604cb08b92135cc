#pragma once
// How far two CAN FD nodes' clocks may drift apart for a nominal/data pair of
// bit timings: the five conditions of ISO 11898-1:2015, as CiA 601-3 lists
// them. Each phase is counted in its own time quanta; the prescalers carry
// one phase's quanta into the other's.
//
//   1  df <= SJW(N) / (2 x 10 x NBT)                          nominal resync
//   2  df <= min(PS1(N), PS2(N)) / (2 x (13 x NBT - PS2(N)))  after an error flag
//   3  df <= SJW(D) / (2 x 10 x DBT)                          data resync
//   4  df <= min(PS1(N), PS2(N))
//            / (2 x ((6 x DBT - PS2(D)) x BRP(D) / BRP(N) + 7 x NBT))
//                                                             error flag in the data phase
//   5  df <= (SJW(D) - max(0, BRP(N) / BRP(D) - 1))
//            / (2 x ((2 x NBT - PS2(N)) x BRP(N) / BRP(D) + PS2(D) + 4 x DBT))
//                                                             the bit-rate switch
//
// NBT and DBT are the bit lengths in quanta, PS1 the phase segment between
// the propagation segment and the sample point (not tseg1).

#include <array>
#include <cstdint>
#include <optional>

namespace kelvane::cantiming {

// One phase of an FD bit, counted in that phase's time quanta.
struct FdPhaseQuanta {
  std::uint32_t brp = 0;        // clock periods per quantum
  std::uint32_t bitQuanta = 0;  // 1 + prop-seg + phase-seg1 + phase-seg2
  std::uint32_t phaseSeg1 = 0;  // used of the nominal phase only
  std::uint32_t phaseSeg2 = 0;
  std::uint32_t sjw = 0;
};

struct FdToleranceResult {
  double limit = 0.0;              // df, a fraction (0.001 is 1000 ppm); never below 0
  std::int64_t limitNum = 0;       // the same exactly: limitNum / limitDen
  std::int64_t limitDen = 1;
  int limitingCondition = 0;       // 1 to 5; the lowest-numbered one on a tie
  std::array<double, 5> bounds{};  // each condition's own bound; condition 5 may be negative
};

// Empty when a prescaler or a bit length is 0, or a phase segment does not
// fit its bit (phase-seg2 >= bit length): the formulas mean nothing then.
std::optional<FdToleranceResult> FdOscillatorTolerance(const FdPhaseQuanta& nominal,
                                                       const FdPhaseQuanta& data);

}  // namespace kelvane::cantiming
