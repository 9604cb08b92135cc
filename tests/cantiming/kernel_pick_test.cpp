// The kernel's search, checked against picks worked out by hand from
// can_calc_bittiming(): tseg runs from (tseg1_max + tseg2_max) x 2 + 1 down,
// brp = clock / (tsegall x rate) (+1 for odd tseg), the first pick with no
// rate error and no sample-point error ends the search.
#include "kernel_pick.h"
#include "profile.h"

#include <gtest/gtest.h>

namespace kelvane::cantiming {
namespace {

const PhaseLimits kSja1000{1, 16, 1, 8, 4, 1, 64, 1};
const PhaseLimits kMcp251x{3, 16, 2, 8, 4, 1, 64, 1};
const PhaseLimits kFlexcan{4, 16, 2, 8, 4, 1, 256, 1};
const PhaseLimits kMcan31{2, 256, 2, 128, 128, 1, 512, 1};

TEST(KernelPick, FirstExactRateAtTheCiaSamplePointWins) {
  // SJA1000 at 16 MHz (clock 8 MHz), 500 kbit/s: 16 ticks a bit, tsegall 16
  // is the first exact one; tseg2 = 16 - 875 x 16 / 1000 = 2, tseg1 13: the
  // classic 00/1C, split 6 + 7, sjw = max(1, min(7, 2 / 2)) = 1.
  const KernelPick p = CalcBitTiming(kSja1000, 8000000, 500000, 0);
  ASSERT_EQ(p.outcome, KernelPick::Outcome::Chosen) << p.reason;
  EXPECT_EQ(p.timing.brp, 1u);
  EXPECT_EQ(p.timing.propSeg, 6u);
  EXPECT_EQ(p.timing.phaseSeg1, 7u);
  EXPECT_EQ(p.timing.phaseSeg2, 2u);
  EXPECT_EQ(p.timing.sjw, 1u);
  EXPECT_EQ(p.samplePointTenths, 875u);
  EXPECT_EQ(p.tqNs, 125u);
  EXPECT_EQ(p.bitrate, 500000u);

  // MCP2515 at 8 MHz (clock 4 MHz), 125 kbit/s: 32 ticks, tsegall 16 with brp 2.
  const KernelPick m = CalcBitTiming(kMcp251x, 4000000, 125000, 0);
  ASSERT_EQ(m.outcome, KernelPick::Outcome::Chosen);
  EXPECT_EQ(m.timing.brp, 2u);
  EXPECT_EQ(m.timing.Tseg1(), 13u);
  EXPECT_EQ(m.timing.phaseSeg2, 2u);
  EXPECT_EQ(m.tqNs, 500u);
}

TEST(KernelPick, ClampedSplitIsPassedOverForAnExactSamplePoint) {
  // M_CAN at 80 MHz, 125 kbit/s: 640 ticks. tsegall 320 (brp 2) wants tseg1
  // 279, clamped to 256 with tseg2 63: sample point 803, 72 off. tsegall 160
  // (brp 4) gives tseg2 20, tseg1 139, exactly 875; sjw = min(70, 20 / 2) = 10.
  const KernelPick p = CalcBitTiming(kMcan31, 80000000, 125000, 0);
  ASSERT_EQ(p.outcome, KernelPick::Outcome::Chosen);
  EXPECT_EQ(p.timing.brp, 4u);
  EXPECT_EQ(p.timing.propSeg, 69u);
  EXPECT_EQ(p.timing.phaseSeg1, 70u);
  EXPECT_EQ(p.timing.phaseSeg2, 20u);
  EXPECT_EQ(p.timing.sjw, 10u);
}

TEST(KernelPick, AGivenSamplePointAndTheCiaBoundaries) {
  // 800 kbit/s is still 80 %, 800001 bit/s is 75 %: SJA1000 at 8 MHz clock.
  // 800 kbit/s: 10 ticks; tsegall 10, tseg2 = 10 - 8 = 2, sample point 800.
  EXPECT_EQ(CalcBitTiming(kSja1000, 8000000, 800000, 0).samplePointTenths, 800u);
  // A given 75 % at 500 kbit/s: tsegall 16, tseg2 = 16 - 12 = 4.
  const KernelPick p = CalcBitTiming(kSja1000, 8000000, 500000, 750);
  EXPECT_EQ(p.timing.phaseSeg2, 4u);
  EXPECT_EQ(p.samplePointTenths, 750u);
}

TEST(KernelPick, MisbehaviourIsNamed) {
  // FlexCAN at 8 MHz, 1 Mbit/s, sample point 50 %: only tsegall 8 is exact;
  // tseg2 = 8 - 4 = 4 leaves tseg1 3, below FlexCAN's minimum 4.
  const KernelPick low = CalcBitTiming(kFlexcan, 8000000, 1000000, 500);
  EXPECT_EQ(low.outcome, KernelPick::Outcome::BelowLimits);
  EXPECT_EQ(low.timing.Tseg1(), 3u);
  EXPECT_NE(low.reason.find("below"), std::string::npos);
  // At 62.5 % the same clock is fine: tseg2 3, tseg1 4.
  EXPECT_EQ(CalcBitTiming(kFlexcan, 8000000, 1000000, 625).outcome, KernelPick::Outcome::Chosen);

  // 2^32 / 16 bit/s: tsegall 16 times the rate wraps to 0 in 32 bits.
  EXPECT_EQ(CalcBitTiming(kSja1000, 8000000, 268435456, 0).outcome,
            KernelPick::Outcome::DividesByZero);
  // 2^32 / 16 + 1: the products of 17 to 25 quanta wrap without reaching 0.
  EXPECT_EQ(CalcBitTiming(kSja1000, 8000000, 268435457, 0).outcome,
            KernelPick::Outcome::Overflowed);
}

TEST(KernelPick, RateErrorLimitIsFivePercent) {
  // 8 MHz clock, 3 Mbit/s: the best is brp 1, 3 quanta, 2666666 bit/s,
  // 333334 off = 111 tenths of a per cent.
  const KernelPick far = CalcBitTiming(kSja1000, 8000000, 3000000, 0);
  EXPECT_EQ(far.outcome, KernelPick::Outcome::Refused);
  EXPECT_EQ(far.reason, "bitrate error: 11.1% too high");
  // 7372800 Hz (14.7456 MHz SJA1000), 500 kbit/s: 15 ticks give 491520,
  // 1.6 % off (16 tenths): taken, with the warning figure.
  const KernelPick near = CalcBitTiming(kSja1000, 7372800, 500000, 0);
  EXPECT_EQ(near.outcome, KernelPick::Outcome::Chosen);
  EXPECT_EQ(near.errorTenthsPct, 16u);
  EXPECT_EQ(near.bitrate, 491520u);
}

}  // namespace
}  // namespace kelvane::cantiming

namespace kelvane::cantiming {
namespace {

TEST(KernelReport, ABitrateFitsWhenLessThanOneBitPerSecondOff) {
  // 7372800 Hz / (1 x 11) = 670254.55 bit/s: the kernel shows 670254.
  EXPECT_TRUE(ReportedBitrateFits(670254, 7372800, 1, 11));
  EXPECT_TRUE(ReportedBitrateFits(670255, 7372800, 1, 11));
  EXPECT_FALSE(ReportedBitrateFits(670253, 7372800, 1, 11));
  EXPECT_FALSE(ReportedBitrateFits(670256, 7372800, 1, 11));
  // An exact rate leaves no room on either side; an overflowing product fits nothing.
  EXPECT_TRUE(ReportedBitrateFits(125000, 8000000, 4, 16));
  EXPECT_FALSE(ReportedBitrateFits(124999, 8000000, 4, 16));
  EXPECT_FALSE(ReportedBitrateFits(125001, 8000000, 4, 16));
  EXPECT_FALSE(ReportedBitrateFits(1, 8000000, UINT64_MAX, 2));
}

}  // namespace
}  // namespace kelvane::cantiming
