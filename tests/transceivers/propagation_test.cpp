#include "propagation.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace kelvane {
namespace {

trans WithMaxima(std::int32_t onTx, std::int32_t offTx, std::int32_t onRx, std::int32_t offRx) {
  trans r;
  r.rows[kRowOnTxd].max = onTx;
  r.rows[kRowOffTxd].max = offTx;
  r.rows[kRowOnRxd].max = onRx;
  r.rows[kRowOffRxd].max = offRx;
  // Other values are never used in the computation.
  r.rows[kRowOnTxd].nom = 9999;
  r.rows[kRowOffRxd].min = 9999;
  r.rows[0].max = 9999;
  return r;
}

void ExpectShown(const PropagationResult& r, const char* lineDelay, const char* tTX,
                 const char* tRX, const char* tLoopEffect, const char* tBus, const char* tPROP) {
  EXPECT_EQ(r.lineDelayText, lineDelay);
  EXPECT_EQ(r.tTXText(), tTX);
  EXPECT_EQ(r.tRXText(), tRX);
  EXPECT_EQ(r.tLoopEffectText(), tLoopEffect);
  EXPECT_EQ(r.tBusText(), tBus);
  EXPECT_EQ(r.tPROPText(), tPROP);
}

TEST(ComputePropagation, DefaultTransceiversWithNoLineAndNoLogic) {
  const std::array<trans, 2> d = DefaultRecords();
  const PropagationResult first = ComputePropagation(d[0], "", 0, 0);
  ExpectShown(first, "0.000000", "80", "190", "270", "0.000000", "540.000000");
  EXPECT_EQ(first.tPROP, 540.0);
  const PropagationResult second = ComputePropagation(d[1], "", 0, 0);
  ExpectShown(second, "0.000000", "80", "550", "630", "0.000000", "1260.000000");
}

TEST(ComputePropagation, LineAndLogicDelaysAddToTheRoundTrip) {
  const PropagationResult r = ComputePropagation(DefaultRecords()[0], "5", 40, 100);
  ExpectShown(r, "5.000000", "80", "190", "270", "200.000000", "1140.000000");
  EXPECT_EQ(r.lineDelay, 5.0);
  EXPECT_EQ(r.tBus, 200.0);
  EXPECT_EQ(r.tPROP, 1140.0);

  const PropagationResult fraction = ComputePropagation(DefaultRecords()[0], "5.5", 3, -20);
  ExpectShown(fraction, "5.500000", "80", "190", "270", "16.500000", "533.000000");
}

TEST(ComputePropagation, ALineDelayBeyondAnyNumberCountsAsNone) {
  const trans r = DefaultRecords()[0];
  for (const char* text : {"1e400", "-1e400", "9e99999"}) {
    const PropagationResult none = ComputePropagation(r, text, 0, 0);
    ExpectShown(none, "0.000000", "80", "190", "270", "0.000000", "540.000000");
    const PropagationResult withLine = ComputePropagation(r, text, 40, 100);
    ExpectShown(withLine, "0.000000", "80", "190", "270", "0.000000", "740.000000");
  }
  // The largest finite delays still count.
  EXPECT_EQ(ComputePropagation(r, "1e300", 1, 0).tBusText().substr(0, 4), "1000");
  EXPECT_EQ(ComputePropagation(r, "1e308", 0, 0).lineDelayText.substr(0, 4), "1000");
  // Finite entries whose product or doubled sum overflows count as no number as well.
  ExpectShown(ComputePropagation(r, "1e308", 2, 0), "0.000000", "80", "190", "270", "0.000000",
              "540.000000");
  ExpectShown(ComputePropagation(r, "-1.7e308", 1, 100), "0.000000", "80", "190", "270",
              "0.000000", "740.000000");
}

TEST(ComputePropagation, TheLineDelayTextIsRewrittenFromItsLeadingNumber) {
  const trans r = DefaultRecords()[0];
  EXPECT_EQ(ComputePropagation(r, "abc", 10, 0).lineDelayText, "0.000000");
  EXPECT_EQ(ComputePropagation(r, "abc", 10, 0).tBusText(), "0.000000");
  EXPECT_EQ(ComputePropagation(r, "5.25 ns/m", 2, 0).lineDelayText, "5.250000");
  EXPECT_EQ(ComputePropagation(r, "  -2e1", 1, 0).lineDelayText, "-20.000000");
  EXPECT_EQ(ComputePropagation(r, ".5", 4, 0).tBusText(), "2.000000");
  EXPECT_EQ(ComputePropagation(r, "0.0000004", 1, 0).lineDelayText, "0.000000");
  EXPECT_EQ(ComputePropagation(r, "0.0000006", 1, 0).lineDelayText, "0.000001");
}

TEST(PickWorstPair, TheGreaterSumWinsAndTiesTakeTheOffPair) {
  const WorstPair on = PickWorstPair(WithMaxima(60, 50, 120, 129));  // 180 > 179
  EXPECT_TRUE(on.onPair);
  EXPECT_EQ(on.tTX, 60);
  EXPECT_EQ(on.tRX, 120);

  const WorstPair tie = PickWorstPair(WithMaxima(100, 150, 100, 50));  // 200 = 200
  EXPECT_FALSE(tie.onPair);
  EXPECT_EQ(tie.tTX, 150);
  EXPECT_EQ(tie.tRX, 50);
  const PropagationResult r = ComputePropagation(WithMaxima(100, 150, 100, 50), "", 0, 0);
  ExpectShown(r, "0.000000", "150", "50", "200", "0.000000", "400.000000");

  const WorstPair off = PickWorstPair(WithMaxima(10, 11, 10, 10));
  EXPECT_FALSE(off.onPair);
}

TEST(PickWorstPair, LargeDelaysDoNotWrapAndFlipTheChoice) {
  // In 32 bits the on sum would wrap negative and lose against the off pair.
  const WorstPair pair = PickWorstPair(WithMaxima(INT32_MAX, 1, INT32_MAX, 1));
  EXPECT_TRUE(pair.onPair);
  const PropagationResult r = ComputePropagation(WithMaxima(INT32_MAX, 1, INT32_MAX, 1), "", 0, 0);
  EXPECT_EQ(r.tLoopEffectText(), "4294967294");
  EXPECT_EQ(r.tPROPText(), "8589934588.000000");
}

TEST(ComputePropagation, ALargeLogicDelayDoesNotWrapToANegativeDelay) {
  const PropagationResult r = ComputePropagation(DefaultRecords()[0], "", 0, INT32_MAX);
  EXPECT_GT(r.tPROP, 0.0);
  EXPECT_EQ(r.tPROPText(), "4294967834.000000");  // 2 x (2147483647 + 270)

  const PropagationResult low = ComputePropagation(
      WithMaxima(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN), "", 0, INT32_MIN);
  EXPECT_EQ(low.tPROPText(), "-12884901888.000000");  // 2 x 3 x -2^31
  // A sum that fits is what 32-bit arithmetic gave.
  EXPECT_EQ(ComputePropagation(DefaultRecords()[0], "", 0, 2147483647 - 270).tPROPText(),
            "4294967294.000000");
}

TEST(LineDelaySettings, TheEntryIsKeptInSinglePrecisionAndShownAgainInFixedForm) {
  EXPECT_EQ(LineDelayForSettings("5.000000"), 5.0f);
  EXPECT_EQ(LineDelayForSettings(""), 0.0f);
  EXPECT_EQ(LineDelayForSettings("x"), 0.0f);
  EXPECT_EQ(LineDelayForSettings("0.1"), 0.1f);
  EXPECT_EQ(LineDelayText(5.0f), "5.000000");
  EXPECT_EQ(LineDelayText(0.1f), "0.100000");
  EXPECT_EQ(LineDelayText(1.0e-7f), "0.000000");
  EXPECT_EQ(LineDelayText(LineDelayForSettings("4.87")), "4.870000");
}

TEST(LineDelaySettings, ValuesBeyondSinglePrecisionRoundAsTheHardwareDoes) {
  EXPECT_EQ(LineDelayForSettings("1e300"), INFINITY);
  EXPECT_EQ(LineDelayForSettings("-1e300"), -INFINITY);
  EXPECT_EQ(LineDelayForSettings("1e999"), INFINITY);
  // 2^128 - 2^104 is FLT_MAX; up to half a unit more still rounds to it.
  EXPECT_EQ(LineDelayForSettings("3.4028235e38"), FLT_MAX);
  EXPECT_EQ(LineDelayForSettings("3.40282356e38"), FLT_MAX);
  EXPECT_EQ(LineDelayForSettings("-3.40282356e38"), -FLT_MAX);
  // Exactly half a unit past it is a tie, which goes to the even neighbour: infinity.
  EXPECT_EQ(LineDelayForSettings("3.4028235677973366e38"), INFINITY);
  EXPECT_EQ(LineDelayForSettings("3.40282357e38"), INFINITY);
  EXPECT_EQ(LineDelayText(INFINITY), "inf");
}

}  // namespace
}  // namespace kelvane
