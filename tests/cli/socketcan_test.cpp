#include "socketcan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace kelvane::cli {
namespace {

// The kernel's documented checks for a tq-based setting on an SJA1000
// (tseg1 1..16, tseg2 1..8, sjw 1..4, brp 1..64; since 6.3 sjw no larger than
// either phase segment; brp = clock x tq / 1e9 to the nearest whole number, an
// exact half going down, or, as older write-ups put it, rounded up), followed
// by the driver's register write. Gives the BTR0/BTR1 the kernel would
// program, or nothing when it refuses.
struct Registers {
  int btr0, btr1;
};
std::optional<Registers> KernelOracle(std::uint64_t clock, std::uint64_t tq, int prop, int ps1,
                                      int ps2, int sjw, bool triple, bool roundUp = false) {
  const int tseg1 = prop + ps1;
  if (prop < 0 || tseg1 < 1 || tseg1 > 16 || ps2 < 1 || ps2 > 8) return std::nullopt;
  if (sjw < 1 || sjw > 4 || sjw > ps1 || sjw > ps2) return std::nullopt;
  const std::uint64_t product = clock * tq;
  const std::uint64_t whole = product / 1000000000, rest = product % 1000000000;
  const std::uint64_t brp = whole + (rest > (roundUp ? 0 : 500000000) ? 1 : 0);
  if (brp < 1 || brp > 64) return std::nullopt;
  return Registers{static_cast<int>((sjw - 1) << 6 | (brp - 1)),
                   (triple ? 0x80 : 0) | (ps2 - 1) << 4 | (tseg1 - 1)};
}

TEST(SocketCan, EveryPairIsSettableOrHasNoValidSplit) {
  for (const double fclk : {16e6, 24e6, 14.7456e6}) {
    const std::optional<std::uint32_t> clock = SocketCanClock(fclk);
    ASSERT_TRUE(clock.has_value());
    int settable = 0;
    for (int b0 = 0; b0 < 256; ++b0) {
      for (int b1 = 0; b1 < 256; ++b1) {
        const Combination c = Decode(static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1));
        for (const int wanted : {0, 1, 6, 99}) {
          const SocketCanResult r = ToSocketCan(c, wanted, clock);
          if (r.timing) {
            const SocketCanTiming& t = *r.timing;
            const auto back = KernelOracle(*clock, t.tq, t.propSeg, t.phaseSeg1, t.phaseSeg2,
                                           t.sjw, t.tripleSampling);
            ASSERT_TRUE(back.has_value()) << fclk << " " << b0 << "/" << b1;
            ASSERT_EQ(back->btr0, b0);
            ASSERT_EQ(back->btr1, b1);
            const auto up = KernelOracle(*clock, t.tq, t.propSeg, t.phaseSeg1, t.phaseSeg2,
                                         t.sjw, t.tripleSampling, true);
            ASSERT_TRUE(up && up->btr0 == b0 && up->btr1 == b1);
            // As much of the delay in prop-seg as the checks allow.
            ASSERT_EQ(t.propSeg, std::min(wanted, c.tseg1 - c.sjw));
            settable += wanted == 1;
            continue;
          }
          EXPECT_FALSE(r.reason.empty());
          // No split and no tq near the pair's own takes the kernel to this pair.
          const std::uint64_t tq0 = static_cast<std::uint64_t>(c.brp) * 1000000000 / *clock;
          for (int prop = 0; prop <= c.tseg1; ++prop) {
            for (std::uint64_t tq = tq0 - 1; tq <= tq0 + 2; ++tq) {
              const auto back = KernelOracle(*clock, tq, prop, c.tseg1 - prop, c.tseg2, c.sjw,
                                             c.sam == 1);
              ASSERT_FALSE(back && back->btr0 == b0 && back->btr1 == b1)
                  << fclk << " " << b0 << "/" << b1 << " prop " << prop << " tq " << tq;
            }
          }
        }
      }
    }
    // SJW above TSEG2 or TSEG1 is what rules a pair out at these clocks:
    // of the 4 x 16 x 8 field choices, 382 pass, times 64 BRP and 2 SAM.
    EXPECT_EQ(settable, 382 * 64 * 2) << fclk;
  }
}

TEST(SocketCan, SplitLeavesPhaseSegmentOneTheJumpWidth) {
  // 40/11 at 16 MHz: SJW 2, TSEG1 2, TSEG2 2; one tq of delay cannot fit.
  const SocketCanResult r = ToSocketCan(Decode(0x40, 0x11), 1, SocketCanClock(16e6));
  ASSERT_TRUE(r.timing.has_value());
  EXPECT_EQ(r.timing->tq, 125u);
  EXPECT_EQ(r.timing->propSeg, 0);
  EXPECT_EQ(r.timing->phaseSeg1, 2);
  EXPECT_EQ(IpLinkCommand("can0", *r.timing),
            "ip link set can0 type can tq 125 prop-seg 0 phase-seg1 2 phase-seg2 2 sjw 2");
}

TEST(SocketCan, PairsNoSplitOrClockCanCarry) {
  EXPECT_NE(ToSocketCan(Decode(0xC0, 0x1C), 1, 8000000u).reason.find("phase-seg2"),
            std::string::npos);  // SJW 4 > TSEG2 2
  EXPECT_FALSE(ToSocketCan(Decode(0x40, 0x70), 1, 8000000u).timing);  // SJW 2 > TSEG1 1
  EXPECT_FALSE(ToSocketCan(Decode(0x00, 0x1C), 1, std::nullopt).timing);
  // A 4 GHz clock: no whole-ns tq tells BRP 3 from its neighbours.
  EXPECT_FALSE(ToSocketCan(Decode(0x02, 0x1C), 1, 4000000000u).timing);
  EXPECT_FALSE(SocketCanClock(0.0));
  EXPECT_FALSE(SocketCanClock(1e10));
  EXPECT_EQ(SocketCanClock(14745601.2), 7372801u);  // Fclk / 2 to the nearest hertz
  EXPECT_EQ(SocketCanClock(14745600.8), 7372800u);
  // The kernel's BRP of 6 MHz x 250 ns, exactly 1.5, goes down; a hair above goes up.
  EXPECT_EQ(KernelBrp(6000000, 250), 1u);
  EXPECT_EQ(KernelBrp(6000001, 250), 2u);
  // BRP 1 at 7372800 Hz is 135.6 ns: 135 gives 0.995 tick-units, 136 would
  // give 1.003, which rounding up would take to BRP 2.
  EXPECT_EQ(ToSocketCan(Decode(0x00, 0x1C), 1, 7372800u).timing->tq, 135u);
}

}  // namespace
}  // namespace kelvane::cli
