#include "fd_combination.h"
#include "fd_phase.h"
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

namespace kelvane::cantiming {
namespace {

// Register values worked out by hand from the drivers' FIELD_PREP lines.
std::vector<RegisterValue> Data(const char* name, std::uint32_t clockHz, const PhaseTiming& t) {
  const ControllerProfile* p = FindProfile(BuiltInProfiles(), name);
  const Encoded e = Encode(p->dataRegisters, DataValues(p->dataRegisters, t, DriverTdc(*p, clockHz, t)));
  EXPECT_EQ(e.error, "");
  return e.registers;
}

TEST(FdRegisters, MCanDbtpAndTdcr) {
  // 80 MHz, 5 Mbit/s: DBTP = TDC | DTSEG1 10 << 8 | DTSEG2 3 << 4 | DSJW 3;
  // TDCR = TDCO 12 << 8.
  auto r = Data("m_can", 80000000, {1, 5, 6, 4, 4});
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name, "DBTP");
  EXPECT_EQ(r[0].value, 0x00800A33u);
  EXPECT_EQ(r[1].value, 0x00000C00u);
  // 2 Mbit/s (brp 1, 40 quanta, tseg1 29): no TDC bit, TDCR stays 0.
  r = Data("m_can", 80000000, {1, 14, 15, 10, 10});
  EXPECT_EQ(r[0].value, 0x00001C99u);
  EXPECT_EQ(r[1].value, 0u);
}

TEST(FdRegisters, Mcp2518fdDbtcfgAndTdc) {
  // 40 MHz, 2 Mbit/s, brp 1, tseg1 14: DBTCFG = 13 << 16 | 4 << 8 | 4;
  // TDC = TDCMOD 2 << 16 | TDCO 15 << 8.
  auto r = Data("mcp251xfd", 40000000, {1, 7, 7, 5, 5});
  EXPECT_EQ(r[0].value, 0x000D0404u);
  EXPECT_EQ(r[1].value, 0x00020F00u);
  // brp 3: can_calc_tdco leaves TDC off.
  r = Data("mcp2518fd", 40000000, {3, 2, 2, 2, 1});
  EXPECT_EQ(r[0].value, 0x02030100u);  // 2 << 24 | 3 << 16 | 1 << 8
  EXPECT_EQ(r[1].value, 0u);
  // Reading TDC back: TDCMOD 3 is automatic too, 1 is manual with its TDCV.
  const RegisterLayout& l = FindProfile(BuiltInProfiles(), "mcp2518fd")->dataRegisters;
  TdcRead t = ReadTdc(l, Decode(l, {{"DBTCFG", 32, 0x000D0404}, {"TDC", 32, 0x00030F00}}).values);
  EXPECT_EQ(t.mode, TdcRead::Mode::Auto);
  t = ReadTdc(l, Decode(l, {{"DBTCFG", 32, 0x000D0404}, {"TDC", 32, 0x00010A05}}).values);
  EXPECT_EQ(t.mode, TdcRead::Mode::Manual);
  EXPECT_EQ(t.offset, 10u);
  EXPECT_EQ(t.value, 5u);
}

TEST(FdRegisters, FlexcanMovesPhaseSeg1IntoPropSeg) {
  const ControllerProfile* p = FindProfile(BuiltInProfiles(), "flexcan-fd");
  ASSERT_NE(p, nullptr);
  // Nominal prop 20, phase-seg1 40 (EPSEG1 holds 32): written as prop 28,
  // phase-seg1 32. CBT = BTF | ERJW 3 << 16 | EPROPSEG 27 << 10 | EPSEG1 31 << 5 | 18.
  const Encoded cbt = Encode(p->registers, NominalValues({1, 20, 40, 19, 4}));
  ASSERT_EQ(cbt.error, "");
  EXPECT_EQ(cbt.registers[0].value, 0x80036FF2u);
  // Data prop 5, phase-seg1 10 (FPSEG1 holds 8): prop 7 as it is, FPSEG1 7.
  // FDCBT = FRJW 1 << 16 | FPROPSEG 7 << 10 | FPSEG1 7 << 5 | FPSEG2 3;
  // FDCTRL = FDRATE | MBDSR1 3 | MBDSR0 3 | TDCEN | TDCOFF 16 << 8.
  auto r = Data("flexcan-fd", 40000000, {1, 5, 10, 4, 2});
  EXPECT_EQ(r[0].value, 0x00011CE3u);
  EXPECT_EQ(r[1].value, 0x801B9000u);
  const Decoded back = Decode(p->dataRegisters, r);
  EXPECT_TRUE(back.problems.empty());
  const std::optional<PhaseTiming> t = DataTiming(back.values);
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(*t, (PhaseTiming{1, 7, 8, 4, 2}));
  // brp 2, tseg1 18: (18 + 1) x 2 = 38, of which TDCOFF keeps 6.
  r = Data("flexcan-fd", 40000000, {2, 10, 8, 4, 2});
  EXPECT_EQ(r[1].value, 0x801B8600u);
  // FPROPSEG 0 is prop-seg 0, not 1.
  const Decoded zero = Decode(p->dataRegisters, {{"FDCBT", 32, 0x000000E3}, {"FDCTRL", 32, 0}});
  EXPECT_EQ(DataTiming(zero.values)->propSeg, 0u);
}

}  // namespace
}  // namespace kelvane::cantiming

namespace kelvane::cantiming {
namespace {

TEST(FdProfiles, FileFormKeepsTheFdParts) {
  std::string error;
  const auto again = ProfilesFromJson(ProfilesToJson(BuiltInProfiles(), -1), error);
  ASSERT_EQ(error, "");
  for (const char* name : {"m_can", "mcp2518fd", "flexcan-fd"}) {
    const ControllerProfile* a = FindProfile(BuiltInProfiles(), name);
    const ControllerProfile* b = FindProfile(again, name);
    ASSERT_TRUE(b && b->data) << name;
    EXPECT_EQ(b->tdcRule, a->tdcRule) << name;
    EXPECT_EQ(b->data->tseg1Max, a->data->tseg1Max) << name;
    EXPECT_EQ(b->dataRegisters.phaseSeg1Spills, a->dataRegisters.phaseSeg1Spills) << name;
    // The TDC mode's automatic value survives: the same registers come out.
    const PhaseTiming t{1, 7, 7, 5, 5};
    EXPECT_EQ(Encode(b->dataRegisters, DataValues(b->dataRegisters, t, DriverTdc(*b, 40000000, t))).registers[1].value,
              Encode(a->dataRegisters, DataValues(a->dataRegisters, t, DriverTdc(*a, 40000000, t))).registers[1].value)
        << name;
  }
  EXPECT_TRUE(FindProfile(again, "flexcan-fd")->registers.phaseSeg1Spills);
  // A kernel rule without its limits is refused with the key named.
  ProfilesFromJson(R"({"name": "x", "bittiming_const": {"tseg1_min": 1, "tseg1_max": 16,
      "tseg2_min": 1, "tseg2_max": 8, "sjw_max": 4, "brp_min": 1, "brp_max": 64},
      "clock": {}, "registers": [], "fields": [], "data_bittiming_const": {"tseg1_min": 1,
      "tseg1_max": 16, "tseg2_min": 1, "tseg2_max": 8, "sjw_max": 4, "brp_min": 1,
      "brp_max": 64}, "tdc_rule": "kernel"})", error);
  EXPECT_NE(error.find("tdc_rule"), std::string::npos) << error;
}

}  // namespace
}  // namespace kelvane::cantiming

namespace kelvane::cantiming {
namespace {

FdCandidate Candidate(const PhaseTiming& t, std::int64_t miss, bool usable = true) {
  FdCandidate c;
  c.timing = t;
  c.samplePointMiss = miss;
  c.usable = usable;
  return c;
}

TEST(FdCombinations, OrderOfTheKeys) {
  // Sample-point misses first, then the same prescaler, then a data
  // prescaler of 1 or 2; a pair with an inexact rate after every exact one.
  std::vector<FdCandidate> nominal{Candidate({2, 7, 7, 5, 5}, 0), Candidate({1, 14, 15, 10, 10}, 0),
                                   Candidate({2, 7, 7, 5, 5}, 0)};
  nominal[2].exact = false;
  nominal[2].errorPpm = 100;
  const std::vector<FdCandidate> data{Candidate({3, 2, 2, 2, 1}, 0), Candidate({1, 7, 7, 5, 5}, 0),
                                      Candidate({2, 3, 3, 3, 3}, 7)};
  const FdRanking r = RankCombinations(nominal, data, 0, 100);
  ASSERT_EQ(r.listed.size(), 9u);
  EXPECT_EQ(r.total, 9u);
  const auto at = [&](std::size_t i) { return std::make_pair(r.listed[i].nominal, r.listed[i].data); };
  EXPECT_EQ(at(0), std::make_pair(std::size_t{1}, std::size_t{1}));  // same brp 1
  EXPECT_EQ(at(1), std::make_pair(std::size_t{0}, std::size_t{1}));  // data brp 1
  EXPECT_EQ(at(4), std::make_pair(std::size_t{0}, std::size_t{2}));  // miss 7, same brp 2
  EXPECT_EQ(at(5), std::make_pair(std::size_t{1}, std::size_t{2}));
  for (std::size_t i = 6; i < 9; ++i) EXPECT_EQ(r.listed[i].nominal, 2u);
  EXPECT_EQ(r.recommended, 0u);
  // A data prescaler TDC works with goes before one shared with the nominal phase.
  const FdRanking shared = RankCombinations({Candidate({4, 7, 7, 5, 5}, 0)},
                                            {Candidate({4, 1, 1, 1, 1}, 0), Candidate({1, 5, 6, 4, 4}, 0)}, 0, 20);
  EXPECT_EQ(shared.listed[0].data, 1u);
}

TEST(FdCombinations, MarkedPairsAreNeverRecommended) {
  // Data SJW 1 gives 1/200 (5000 ppm), SJW 3 gives 5/510 (9803.9 ppm): the
  // larger comes first whatever the list order.
  const std::vector<FdCandidate> nominal{Candidate({2, 7, 7, 5, 5}, 0)};
  std::vector<FdCandidate> data{Candidate({2, 3, 3, 3, 1}, 0), Candidate({2, 3, 3, 3, 3}, 0)};
  FdRanking r = RankCombinations(nominal, data, 6000, 20);
  EXPECT_EQ(r.listed[0].data, 1u);
  EXPECT_EQ(r.listed[0].tolerance.limitingCondition, 2);
  EXPECT_TRUE(r.listed[0].withinTolerance);
  EXPECT_FALSE(r.listed[1].withinTolerance);
  EXPECT_EQ(r.recommended, 0u);
  EXPECT_TRUE(RankCombinations(nominal, data, 9803, 20).recommended.has_value());
  EXPECT_FALSE(RankCombinations(nominal, data, 9804, 20).recommended.has_value());
  // A marked setting spoils every pair it is in.
  EXPECT_FALSE(RankCombinations({Candidate({2, 7, 7, 5, 5}, 0, false)}, data, 0, 20).recommended);
  // The best pair marked and the listing full: the recommended pair follows it.
  data[1].usable = false;
  r = RankCombinations(nominal, data, 4000, 1);
  ASSERT_EQ(r.listed.size(), 2u);
  EXPECT_EQ(r.listed[0].data, 1u);
  EXPECT_EQ(r.recommended, 1u);
  EXPECT_EQ(r.listed[1].data, 0u);
}

}  // namespace
}  // namespace kelvane::cantiming
