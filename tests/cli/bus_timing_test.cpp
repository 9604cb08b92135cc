#include "bus_timing.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvane::cli {
namespace {

TEST(PropagationSegment, StandardValuesAreOneQuantum) {
  EXPECT_EQ(PropagationSegment(true, 0.0, 125.0), 1);
  EXPECT_EQ(PropagationSegment(true, 9999.0, 125.0), 1);
}

TEST(PropagationSegment, DelayIsRoundedUpToWholeQuanta) {
  EXPECT_EQ(PropagationSegment(false, 250.0, 125.0), 2);   // exact multiple stays
  EXPECT_EQ(PropagationSegment(false, 540.0, 125.0), 5);   // 4.32
  EXPECT_EQ(PropagationSegment(false, 125.5, 125.0), 2);
  EXPECT_EQ(PropagationSegment(false, 1.0, 8000.0), 1);
}

TEST(PropagationSegment, DelaysThatCannotBeQuantaStayInRange) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(PropagationSegment(false, 0.0, 125.0), 0);
  EXPECT_EQ(PropagationSegment(false, -300.0, 125.0), 0);
  EXPECT_EQ(PropagationSegment(false, inf, 125.0), 99);
  EXPECT_EQ(PropagationSegment(false, 1e300, 1e-300), 99);
  EXPECT_EQ(PropagationSegment(false, 540.0, inf), 0);  // oscillator 0: infinite quantum
  EXPECT_EQ(PropagationSegment(false, inf, inf), 0);
  EXPECT_EQ(PropagationSegment(false, 0.0, 0.0), 0);
}

TEST(OscillatorTolerance, JumpWidthConditionLimits) {
  // 00/1C at 16 MHz: SJW 1, TSEG1 13, TSEG2 2, NBT 16, PROP 1.
  // SJW / (20 NBT) = 1/320; min(12, 2) / (2 (208 - 2)) = 2/412 is larger.
  EXPECT_DOUBLE_EQ(OscillatorToleranceLimit(1, 13, 2, 1), 1.0 / 320.0);
}

TEST(OscillatorTolerance, PhaseSegmentConditionLimits) {
  // SJW 4, TSEG1 12, TSEG2 3: 4/320 against min(11, 3) / (2 (208 - 3)) = 3/410.
  EXPECT_DOUBLE_EQ(OscillatorToleranceLimit(4, 12, 3, 1), 3.0 / 410.0);
  // A long propagation segment makes PS1 the smaller phase: TSEG1 12, PROP 10.
  EXPECT_DOUBLE_EQ(OscillatorToleranceLimit(4, 12, 3, 10), 2.0 / 410.0);
}

TEST(OscillatorTolerance, NoPhaseSegmentOneLeftAllowsNothing) {
  EXPECT_EQ(OscillatorToleranceLimit(1, 1, 1, 1), 0.0);
  EXPECT_EQ(OscillatorToleranceLimit(1, 5, 2, 5), 0.0);
  EXPECT_EQ(OscillatorToleranceLimit(1, 5, 2, 99), 0.0);
  EXPECT_GT(OscillatorToleranceLimit(1, 5, 2, 4), 0.0);  // PS1 = 1 still counts
}

TEST(OscillatorTolerance, ZeroPropagationLeavesWholeSegmentOne) {
  // TSEG1 2, TSEG2 8, PROP 0: min(2, 8) / (2 (13*11 - 8)) = 2/270; SJW 4: 4/220.
  EXPECT_DOUBLE_EQ(OscillatorToleranceLimit(4, 2, 8, 0), 2.0 / 270.0);
}

TEST(OscillatorTolerance, RateErrorAndOscillatorAddUpAgainstTheLimit) {
  // 40/1C at 16 MHz allows 2/412 = 4854.37 ppm; 00/1C 1/320 = 3125 ppm exactly.
  const double forty = OscillatorToleranceLimit(2, 13, 2, 1);
  EXPECT_TRUE(WithinTolerance(0.0, 4854, forty));
  EXPECT_FALSE(WithinTolerance(0.0, 4855, forty));
  const double zero = 1.0 / 320.0;
  EXPECT_TRUE(WithinTolerance(0.0, 3125, zero));  // equal on paper passes
  EXPECT_FALSE(WithinTolerance(0.0, 3126, zero));
  // Either sign of the rate error counts, added to the oscillator's.
  EXPECT_TRUE(WithinTolerance(-0.002, 1125, zero));
  EXPECT_FALSE(WithinTolerance(-0.002, 1126, zero));
  EXPECT_FALSE(WithinTolerance(0.002, 1126, zero));
  EXPECT_FALSE(WithinTolerance(0.0, -3126, zero));
  // The nearest pair at 1000 kbit/s on 14.7456 MHz: +5.33 % against 1.12 %.
  EXPECT_FALSE(WithinTolerance(0.053257, 0, 0.0112));
}

}  // namespace
}  // namespace kelvane::cli
