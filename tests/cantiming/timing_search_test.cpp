#include "profile.h"
#include "timing.h"
#include "timing_search.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvane::cantiming {
namespace {

SearchRequest Request(const char* profile, std::uint32_t clockHz, const char* kbit) {
  const ControllerProfile& p = *FindProfile(BuiltInProfiles(), profile);
  SearchRequest r;
  r.limits = HeldLimits(p.nominal, p.registers);
  r.split = SplitBoundsOf(p.registers);
  r.clockHz = clockHz;
  r.wanted = *ParseKbitText(kbit);
  return r;
}

TEST(ExactTimings, CountsWorkedOutByHand) {
  // SJA1000 at 16 MHz (clock 8 MHz), 500 kbit/s: 16 ticks. 16 quanta (brp 1):
  // tseg2 8..1 with sjw up to min(4, tseg2): 4+4+4+4+4+3+2+1 = 26; 8 quanta
  // (brp 2): tseg1/tseg2 1/6 .. 6/1, sjw up to the smaller: 1+2+3+3+2+1 = 12;
  // 4 quanta (brp 4): 1/2 and 2/1, sjw 1: 2. Together 40.
  EXPECT_EQ(ExactTimings(Request("sja1000", 8000000, "500")).size(), 40u);
  // MCP2515 at 8 MHz (clock 4 MHz), 125 kbit/s: 32 ticks. 16 quanta (brp 2):
  // tseg2 8..2, sjw up to min(4, tseg2): 25; 8 quanta (brp 4): tseg1/tseg2
  // 5/2, 4/3, 3/4 with phase-seg1 at most tseg1 - 1 (PRSEG holds at least 1):
  // sjw up to 2, 3, 2: 7. Together 32.
  const std::vector<PhaseTiming> mcp = ExactTimings(Request("mcp2515", 4000000, "125"));
  EXPECT_EQ(mcp.size(), 32u);
  for (const PhaseTiming& t : mcp) {
    EXPECT_GE(t.propSeg, 1u);
    EXPECT_LE(t.propSeg, 8u);
    EXPECT_LE(t.phaseSeg1, 8u);
    EXPECT_LE(t.sjw, t.phaseSeg1);
  }
  // 83.333 kbit/s is not 250000/3 bit/s: nothing at 8 MHz is exact.
  EXPECT_TRUE(ExactTimings(Request("sja1000", 8000000, "83.333")).empty());
  EXPECT_FALSE(ExactTimings(Request("sja1000", 4000000, "83.3335")).empty() &&
               ExactTimings(Request("mcp2515", 4000000, "250")).empty());
}

TEST(ExactTimings, PrescalerStepAndRange) {
  // ESP32 TWAI at 80 MHz, 1 Mbit/s: 80 ticks, brp even from 2 to 128 and
  // 4 to 25 quanta: brp 4, 8, 10, 16 and 20, never 5 (16 quanta).
  std::set<std::uint32_t> brps;
  for (const PhaseTiming& t : ExactTimings(Request("esp32-twai", 80000000, "1000")))
    brps.insert(t.brp);
  EXPECT_EQ(brps, (std::set<std::uint32_t>{4, 8, 10, 16, 20}));
}

TEST(ExactTimings, PropagationDelaySplitsTseg1) {
  // SJA1000, 16 MHz, 125 kbit/s with a 600 ns delay: tq 125 ns at brp 1 needs
  // prop-seg 5 (600 / 125 = 4.8, up), at most tseg1 - sjw.
  SearchRequest r = Request("sja1000", 8000000, "125");
  r.propDelayNs = 600.0;
  for (const PhaseTiming& t : ExactTimings(r)) {
    if (t.brp != 1) continue;
    EXPECT_EQ(t.propSeg, std::min(5u, t.Tseg1() - t.sjw));
  }
}

TEST(NearestTimings, ClosestRateOnEitherSide) {
  // SJA1000 at 14.7456 MHz (clock 7372800 Hz), 500 kbit/s: 14.7456 ticks;
  // 15 ticks give 491520 bit/s (-1.696 %), 14 give 526628.57 (+5.3 %).
  const std::optional<NearestResult> n = NearestTimings(Request("sja1000", 7372800, "500"));
  ASSERT_TRUE(n);
  EXPECT_TRUE(n->bitrate == (Ratio{491520, 1}));
  for (const PhaseTiming& t : n->timings) EXPECT_EQ(t.brp * t.QuantaPerBit(), 15u);
  // 526 kbit/s lies nearer 14 ticks.
  EXPECT_TRUE(NearestTimings(Request("sja1000", 7372800, "526"))->bitrate == *MakeRatio(7372800, 14));
}

TEST(Timing, ToleranceOfIso11898AndItsBoundary) {
  // sjw 1 in 50 quanta: 1 / 1000 by the jump; the phase condition gives
  // 20 / (2 x (650 - 20)) = 0.0159, larger.
  const PhaseTiming t{1, 9, 20, 20, 1, false};
  EXPECT_TRUE(IsoTolerance(t) == (Ratio{1, 1000}));
  const Ratio rate{1000000, 1};
  EXPECT_TRUE(WithinTolerance(rate, rate, 1000, IsoTolerance(t)));
  EXPECT_FALSE(WithinTolerance(rate, rate, 1001, IsoTolerance(t)));
  // A rate 500 ppm high leaves 500 ppm for the oscillator.
  const Ratio high{1000500, 1};
  EXPECT_TRUE(WithinTolerance(high, rate, 500, IsoTolerance(t)));
  EXPECT_FALSE(WithinTolerance(high, rate, 501, IsoTolerance(t)));
  // 16 quanta, phase-seg2 2, sjw 2: min(2/320, 2 / (2 x 206)) = 2/412 = 4854 ppm.
  EXPECT_TRUE(IsoTolerance(PhaseTiming{1, 6, 7, 2, 2, false}) == (Ratio{1, 206}));
}

TEST(Timing, TqTheKernelTakesAndReportsBack) {
  // 80 MHz, brp 3: 37.5 ns; the kernel reports 38 (to the nearest) and 38
  // gives brp round(3.04) = 3 again.
  EXPECT_EQ(*KernelTqFor(80000000, 3, 1), 38u);
  EXPECT_EQ(KernelBrpForTq(80000000, 37, 1), 3u);
  // brp_inc 2: the kernel rounds clock x tq / 2 and doubles it.
  EXPECT_EQ(KernelBrpForTq(80000000, 100, 2), 8u);
  EXPECT_EQ(KernelBrpForTq(80000000, 112, 2), 8u);
  EXPECT_EQ(KernelBrpForTq(80000000, 113, 2), 10u);
  // Above 1 GHz neighbouring brps share a ns: 1.5 GHz, brp 2 is 1.33 ns.
  EXPECT_FALSE(KernelTqFor(1500000000, 2, 1).has_value());
}

TEST(Timing, KernelRefusalsInItsWords) {
  const PhaseLimits l{3, 16, 2, 8, 4, 1, 64, 1};
  EXPECT_EQ(KernelRefusal(l, 4000000, PhaseTiming{2, 1, 1, 2, 1, false}),
            "prop-seg + phase-seg1: 2 less than tseg1-min: 3");
  EXPECT_EQ(KernelRefusal(l, 4000000, PhaseTiming{2, 4, 2, 4, 3, false}),
            "sjw: 3 greater than phase-seg1: 2");
  EXPECT_EQ(KernelRefusal(l, 4000000, PhaseTiming{2, 4, 4, 2, 3, false}),
            "sjw: 3 greater than phase-seg2: 2");
  EXPECT_TRUE(KernelRefusal(l, 4000000, PhaseTiming{2, 4, 4, 2, 2, false}).empty());
}

TEST(Profiles, ClockRulesAndNames) {
  const auto clock = [](const char* name, std::uint64_t hz) {
    return KernelClock(FindProfile(BuiltInProfiles(), name)->clock, hz);
  };
  EXPECT_EQ(*clock("sja1000", 16000000), 8000000u);
  EXPECT_EQ(*clock("mcp2518fd", 4000000), 40000000u);   // PLL x10 at 4 MHz
  EXPECT_EQ(*clock("mcp2518fd", 4000001), 4000001u);    // above 4 MHz: no PLL
  EXPECT_EQ(*clock("mcp2518fd", 40000000), 40000000u);
  EXPECT_FALSE(clock("mcp2515", 7).has_value());        // 3.5 Hz
  EXPECT_FALSE(clock("m_can", 4294967296ull).has_value());
  EXPECT_EQ(FindProfile(BuiltInProfiles(), "MCP251X")->name, "mcp2515");
  EXPECT_EQ(FindProfile(BuiltInProfiles(), "mcp251xfd")->name, "mcp2518fd");
  EXPECT_EQ(FindProfile(BuiltInProfiles(), "mcp25"), nullptr);
  for (const ControllerProfile& p : BuiltInProfiles()) EXPECT_EQ(CheckProfile(p), "") << p.name;
  EXPECT_EQ(*ParseDecimalTimes("14.7456", 1000000), (Ratio{14745600, 1}));
}

TEST(Profiles, FileFormRoundTripsAndNamesTheBadField) {
  std::string error;
  const std::vector<ControllerProfile> back = ProfilesFromJson(ProfilesToJson(BuiltInProfiles(), -1), error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(back.size(), BuiltInProfiles().size());
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].name, BuiltInProfiles()[i].name);
    EXPECT_EQ(back[i].registers.fields.size(), BuiltInProfiles()[i].registers.fields.size());
    EXPECT_EQ(back[i].nominal.brpMax, BuiltInProfiles()[i].nominal.brpMax);
  }
  const std::string good = R"({"name": "x1", "clock": {"divider": 2},
    "bittiming_const": {"tseg1_min": 1, "tseg1_max": 16, "tseg2_min": 1, "tseg2_max": 8,
                        "sjw_max": 4, "brp_min": 1, "brp_max": 64},
    "registers": [{"name": "R", "width": 16}],
    "fields": [{"name": "B", "register": "R", "lsb": 0, "width": 6, "holds": "brp"},
               {"name": "S", "register": "R", "lsb": 6, "width": 2, "holds": "sjw"},
               {"name": "T1", "register": "R", "lsb": 8, "width": 4, "holds": "tseg1"},
               {"name": "T2", "register": "R", "lsb": 12, "width": 3, "holds": "phase-seg2"}]})";
  EXPECT_EQ(ProfilesFromJson(good, error).size(), 1u);
  EXPECT_EQ(error, "");
  const auto bad = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    ProfilesFromJson(text, error);
    return error;
  };
  EXPECT_EQ(bad("\"tseg2_max\": 8,", ""), "(\"x1\") bittiming_const.tseg2_max: missing");
  EXPECT_NE(bad("\"lsb\": 12, \"width\": 3", "\"lsb\": 14, \"width\": 3").find("field T2: bits 14 to 16 are outside R"), std::string::npos);
  EXPECT_NE(bad("\"lsb\": 12,", "\"lsb\": 11,").find("field T2: shares bits"), std::string::npos);
  EXPECT_NE(bad("\"holds\": \"sjw\"", "\"holds\": \"swj\"").find("fields[1].holds"), std::string::npos);
  EXPECT_NE(bad("\"tseg1_min\": 1", "\"tseg1_min\": 0").find("at least 1"), std::string::npos);
  EXPECT_NE(bad("\"holds\": \"sjw\"", "\"holds\": \"other\"").find("sjw"), std::string::npos);
  EXPECT_EQ(bad("{\"name\"", "[{\"name\"").substr(0, 8), "not JSON");
}

}  // namespace
}  // namespace kelvane::cantiming
