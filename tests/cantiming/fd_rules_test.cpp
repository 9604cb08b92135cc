#include "fd_tolerance.h"
#include "tdc_rules.h"

#include <gtest/gtest.h>

namespace kelvane::cantiming {
namespace {

// The bounds below are worked out by hand from the five formulas.
TEST(FdTolerance, EachConditionAndTheOneThatLimits) {
  // Nominal brp 4, 20 quanta, PS1 7, PS2 4, SJW 4; data brp 1, 16 quanta,
  // PS2 4, SJW 4. The prescalers differ, so a swapped ratio shows.
  const auto r = FdOscillatorTolerance({4, 20, 7, 4, 4}, {1, 16, 0, 4, 4});
  ASSERT_TRUE(r.has_value());
  EXPECT_DOUBLE_EQ(r->bounds[0], 4.0 / 400);                  // 4 / (20 x 20)
  EXPECT_DOUBLE_EQ(r->bounds[1], 4.0 / 512);                  // 4 / (2 x (260 - 4))
  EXPECT_DOUBLE_EQ(r->bounds[2], 4.0 / 320);                  // 4 / (20 x 16)
  EXPECT_DOUBLE_EQ(r->bounds[3], 4.0 / 326);                  // 4 / (2 x (92 x 1/4 + 140))
  EXPECT_DOUBLE_EQ(r->bounds[4], 1.0 / 424);                  // (4 - 3) / (2 x (36 x 4 + 4 + 64))
  EXPECT_EQ(r->limitingCondition, 5);
  EXPECT_DOUBLE_EQ(r->limit, 1.0 / 424);

  // Same prescaler 2 (1 and 2 Mbit/s at 40 MHz): nominal 20 quanta, PS1 7,
  // PS2 5, SJW 5; data 10 quanta, PS2 3. Data SJW 1 limits by condition 3
  // (1/200 against 1/156 for condition 5); SJW 3 leaves condition 2 (5/510).
  const auto thin = FdOscillatorTolerance({2, 20, 7, 5, 5}, {2, 10, 0, 3, 1});
  ASSERT_TRUE(thin.has_value());
  EXPECT_EQ(thin->limitingCondition, 3);
  EXPECT_DOUBLE_EQ(thin->limit, 1.0 / 200);
  EXPECT_DOUBLE_EQ(thin->bounds[4], 1.0 / 156);
  const auto wide = FdOscillatorTolerance({2, 20, 7, 5, 5}, {2, 10, 0, 3, 3});
  EXPECT_EQ(wide->limitingCondition, 2);
  EXPECT_DOUBLE_EQ(wide->limit, 5.0 / 510);
  EXPECT_DOUBLE_EQ(wide->bounds[3], 5.0 / 394);  // 5 / (2 x (57 + 140))

  // PS1 below PS2 takes the minimum: nominal PS1 2 gives condition 2 = 2 / 510.
  EXPECT_DOUBLE_EQ(FdOscillatorTolerance({2, 20, 2, 5, 5}, {2, 10, 0, 3, 3})->limit, 2.0 / 510);
  // Nominal SJW 1 limits by condition 1: 1 / 400.
  const auto nominalJump = FdOscillatorTolerance({2, 20, 7, 5, 1}, {2, 10, 0, 3, 3});
  EXPECT_EQ(nominalJump->limitingCondition, 1);
  EXPECT_DOUBLE_EQ(nominalJump->limit, 1.0 / 400);
}

TEST(FdTolerance, BitRateSwitchCanLeaveNoTolerance) {
  // Nominal brp 4 over data brp 1 costs 3 data quanta of SJW at the switch:
  // data SJW 3 leaves 0, SJW 2 leaves less than nothing; both read 0.
  for (std::uint32_t sjw : {3u, 2u}) {
    const auto r = FdOscillatorTolerance({4, 20, 7, 4, 4}, {1, 16, 0, 4, sjw});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->limitingCondition, 5) << sjw;
    EXPECT_EQ(r->limit, 0.0) << sjw;
  }
  EXPECT_LT(FdOscillatorTolerance({4, 20, 7, 4, 4}, {1, 16, 0, 4, 2})->bounds[4], 0.0);
  // A tie between conditions 1 and 3 (1/200 each) names the first.
  EXPECT_EQ(FdOscillatorTolerance({1, 20, 7, 5, 2}, {1, 10, 0, 3, 1})->limitingCondition, 1);
}

TEST(FdTolerance, RefusesTimingsThatMeanNothing) {
  EXPECT_FALSE(FdOscillatorTolerance({0, 20, 7, 5, 5}, {2, 10, 0, 3, 3}).has_value());
  EXPECT_FALSE(FdOscillatorTolerance({2, 20, 7, 5, 5}, {2, 0, 0, 3, 3}).has_value());
  EXPECT_FALSE(FdOscillatorTolerance({2, 20, 7, 20, 5}, {2, 10, 0, 3, 3}).has_value());
  EXPECT_FALSE(FdOscillatorTolerance({2, 20, 7, 5, 5}, {1u << 25, 10, 0, 3, 3}).has_value());
}

// Data timings below are (brp, prop-seg, phase-seg1, phase-seg2).
TEST(Tdc, KernelCalcTdcoForMcp251xfd) {
  // tdco_min 0, tdco_max 63 (mcp251xfd_tdc_const).
  // brp 1, 1 + 7 + 7 quanta to the sample point: 15 clock periods.
  TdcChoice c = KernelCalcTdco({1, 7, 7, 5}, 0, 63);
  EXPECT_TRUE(c.enabled);
  EXPECT_EQ(c.tdco, 15u);
  EXPECT_FALSE(c.capped);
  // brp 2 doubles it: 30.
  EXPECT_EQ(KernelCalcTdco({2, 7, 7, 5}, 0, 63).tdco, 30u);
  // 2 x (1 + 15 + 15) = 62 passes, 2 x (1 + 16 + 15) = 64 is capped at 63.
  EXPECT_EQ(KernelCalcTdco({2, 15, 15, 8}, 0, 63).tdco, 62u);
  c = KernelCalcTdco({2, 16, 15, 8}, 0, 63);
  EXPECT_TRUE(c.enabled && c.capped);
  EXPECT_EQ(c.tdco, 63u);
  EXPECT_EQ(c.intended, 64u);
  // A data prescaler of 3 turns TDC off.
  c = KernelCalcTdco({3, 7, 7, 5}, 0, 63);
  EXPECT_FALSE(c.enabled);
  EXPECT_EQ(c.tdco, 0u);
  // Below tdco_min: off; at it: on.
  EXPECT_FALSE(KernelCalcTdco({1, 9, 9, 5}, 20, 63).enabled);  // 19
  EXPECT_TRUE(KernelCalcTdco({1, 10, 9, 5}, 20, 63).enabled);  // 20
}

TEST(Tdc, MCanRuleFromTheKernelsRoundedFigures) {
  // 80 MHz, brp 1, 16 quanta, tseg1 11: 5 Mbit/s, sample point 750,
  // TDCO = 80000 x 750 / 5000000 = 12.
  TdcChoice c = MCanDriverTdc(80000000, {1, 5, 6, 4});
  EXPECT_TRUE(c.enabled);
  EXPECT_EQ(c.tdco, 12u);
  // 15 quanta, tseg1 10: 5333333 bit/s, sample point 11000 / 15 = 733;
  // 80000 x 733 / 5333333 = 10.99 gives 10, one short of the true 11.
  EXPECT_EQ(KernelSamplePointTenths({1, 5, 5, 4}), 733u);
  EXPECT_EQ(KernelBitrate(80000000, {1, 5, 5, 4}), 5333333u);
  EXPECT_EQ(MCanDriverTdc(80000000, {1, 5, 5, 4}).tdco, 10u);
  // Exactly 2.5 Mbit/s (32 quanta) stays off; 31 quanta (2580645) is on.
  EXPECT_FALSE(MCanDriverTdc(80000000, {1, 11, 12, 8}).enabled);
  EXPECT_TRUE(MCanDriverTdc(80000000, {1, 11, 11, 8}).enabled);
  // 500 MHz, brp 6, 32 quanta, tseg1 23: 2604166 bit/s, sample point 750,
  // 500000 x 750 / 2604166 = 144, capped at 127.
  c = MCanDriverTdc(500000000, {6, 11, 12, 8});
  EXPECT_TRUE(c.capped);
  EXPECT_EQ(c.intended, 144u);
  EXPECT_EQ(c.tdco, 127u);
}

TEST(Tdc, FlexcanOffsetLosesItsHighBits) {
  // (6 - 1 + 9 + 2) x 1 = 16 fits the 5-bit field.
  TdcChoice c = FlexcanDriverTdc({1, 9, 6, 4});
  EXPECT_TRUE(c.enabled);
  EXPECT_EQ(c.tdco, 16u);
  EXPECT_FALSE(c.truncated);
  // 31 is the largest that fits; 32 is written as 0.
  EXPECT_EQ(FlexcanDriverTdc({1, 22, 8, 4}).tdco, 31u);
  c = FlexcanDriverTdc({1, 23, 8, 4});
  EXPECT_TRUE(c.truncated);
  EXPECT_EQ(c.tdco, 0u);
  // (8 - 1 + 10 + 2) x 2 = 38 leaves 38 - 32 = 6.
  c = FlexcanDriverTdc({2, 10, 8, 4});
  EXPECT_EQ(c.intended, 38u);
  EXPECT_EQ(c.tdco, 6u);
  // TDC stays on whatever the prescaler, off in loopback.
  EXPECT_TRUE(FlexcanDriverTdc({5, 2, 2, 2}).enabled);
  EXPECT_FALSE(FlexcanDriverTdc({1, 9, 6, 4}, true).enabled);
}

TEST(Tdc, LoopDelayAgainstRangeAndSamplePoint) {
  // 40 MHz: a period is 25 ns; 63 periods are 1575 ns.
  EXPECT_EQ(LoopDelayClocks(1575, 40000000), 63u);
  EXPECT_EQ(LoopDelayClocks(1576, 40000000), 64u);
  EXPECT_TRUE(LoopDelayMeasurable(1575, 40000000, 63));
  EXPECT_FALSE(LoopDelayMeasurable(1576, 40000000, 63));
  // 5 Mbit/s at 40 MHz, brp 1, prop 2 + phase 3 = 5 periods = 125 ns before
  // the sample point: 125 ns does not need TDC, 126 ns does.
  EXPECT_FALSE(DataPhaseNeedsTdc(125, 40000000, {1, 2, 3, 2}));
  EXPECT_TRUE(DataPhaseNeedsTdc(126, 40000000, {1, 2, 3, 2}));
  // brp 2 doubles the segment: 250 ns.
  EXPECT_FALSE(DataPhaseNeedsTdc(250, 40000000, {2, 2, 3, 2}));
  EXPECT_TRUE(DataPhaseNeedsTdc(251, 40000000, {2, 2, 3, 2}));
}

}  // namespace
}  // namespace kelvane::cantiming
