#include "profile.h"
#include "registers.h"
#include "timing_search.h"

#include <array>

#include <gtest/gtest.h>

namespace kelvane::cantiming {
namespace {

const ControllerProfile& P(const char* name) { return *FindProfile(BuiltInProfiles(), name); }

std::vector<RegisterValue> Regs(const ControllerProfile& p, std::vector<std::uint64_t> v) {
  std::vector<RegisterValue> out;
  for (std::size_t i = 0; i < v.size(); ++i)
    out.push_back({p.registers.registers[i].name, p.registers.registers[i].width, v[i]});
  return out;
}

PhaseTiming T(std::uint32_t brp, std::uint32_t prop, std::uint32_t ps1, std::uint32_t ps2,
              std::uint32_t sjw, bool sam = false) {
  return {brp, prop, ps1, ps2, sjw, sam};
}

std::vector<std::uint64_t> Values(const Encoded& e) {
  std::vector<std::uint64_t> v;
  for (const RegisterValue& r : e.registers) v.push_back(r.value);
  return v;
}

TEST(Registers, DataSheetExamplesBothWays) {
  // MCP2515 at 8 MHz, 125 kbit/s: CNF1 03 is brp 4 (tq 1 us at Fosc / 2),
  // CNF2 90 is BTLMODE, PHSEG1 3, PRSEG 1, CNF3 02 is PHSEG2 3: 8 tq.
  const ControllerProfile& mcp = P("mcp2515");
  const Decoded d = Decode(mcp.registers, Regs(mcp, {0x03, 0x90, 0x02}));
  EXPECT_TRUE(d.problems.empty());
  EXPECT_EQ(*NominalTiming(d.values), T(4, 1, 3, 3, 1));
  EXPECT_EQ(Values(Encode(mcp.registers, NominalValues(T(4, 1, 3, 3, 1)))),
            (std::vector<std::uint64_t>{0x03, 0x90, 0x02}));
  // SJA1000 00/1C (16 MHz, 500 kbit/s); the split is the caller's, tseg1 13.
  const ControllerProfile& sja = P("sja1000");
  EXPECT_EQ(Values(Encode(sja.registers, NominalValues(T(1, 6, 7, 2, 1)))),
            (std::vector<std::uint64_t>{0x00, 0x1C}));
  EXPECT_EQ(Values(Encode(sja.registers, NominalValues(T(1, 6, 7, 2, 1, true)))),
            (std::vector<std::uint64_t>{0x00, 0x9C}));
  // M_CAN NBTP: NSJW 31:25, NBRP 24:16, NTSEG1 15:8, NTSEG2 6:0, all minus one.
  EXPECT_EQ(Values(Encode(P("m_can").registers, NominalValues(T(4, 69, 70, 20, 10)))),
            (std::vector<std::uint64_t>{(9ull << 25) | (3ull << 16) | (138ull << 8) | 19}));
  // bxCAN BTR: SJW 25:24, TS2 22:20, TS1 19:16, BRP 9:0.
  EXPECT_EQ(Values(Encode(P("bxcan").registers, NominalValues(T(4, 0, 15, 2, 1)))),
            (std::vector<std::uint64_t>{0x001E0003}));
}

TEST(Registers, PrescalersCodedAsTheControllersCountThem) {
  // ESP32 TWAI counts pairs of APB periods: brp 8 is BRP 3; an odd brp has no code.
  const ControllerProfile& twai = P("esp32-twai");
  EXPECT_EQ(Values(Encode(twai.registers, NominalValues(T(8, 0, 13, 2, 1))))[0], 0x03u);
  EXPECT_FALSE(Encode(twai.registers, NominalValues(T(7, 0, 13, 2, 1))).error.empty());
  std::uint64_t words[2] = {};
  std::string error;
  EXPECT_FALSE(Encoder(twai.registers).Encode(T(7, 0, 13, 2, 1), words, &error));
  EXPECT_EQ(error, "BRP cannot hold brp 7");
  EXPECT_EQ(NominalTiming(Decode(twai.registers, Regs(twai, {0xC3, 0x1C})).values)->brp, 8u);
  EXPECT_EQ(NominalTiming(Decode(twai.registers, Regs(twai, {0xC3, 0x1C})).values)->sjw, 4u);
  // C_CAN splits brp - 1 into BRP (6 bits) and BRPE (4 bits): 65 is 0 and 1,
  // 1024 is 3F and F; D_CAN keeps BRPE in BTR bits 19:16.
  const ControllerProfile& c = P("c_can");
  EXPECT_EQ(Values(Encode(c.registers, NominalValues(T(65, 0, 2, 1, 1)))),
            (std::vector<std::uint64_t>{0x0100, 0x1}));
  EXPECT_EQ(Values(Encode(c.registers, NominalValues(T(1024, 0, 2, 1, 1)))),
            (std::vector<std::uint64_t>{0x013F, 0xF}));
  EXPECT_EQ(Values(Encode(P("d_can").registers, NominalValues(T(65, 0, 2, 1, 1)))),
            (std::vector<std::uint64_t>{0x10100}));
  EXPECT_FALSE(Encode(c.registers, NominalValues(T(1025, 0, 2, 1, 1))).error.empty());
}

TEST(Registers, WhatTheControllerCannotHoldIsNamed) {
  const ControllerProfile& mcp = P("mcp2515");
  // CNF2 without BTLMODE, CNF3 with reserved bit 3.
  const Decoded d = Decode(mcp.registers, Regs(mcp, {0x03, 0x10, 0x0A}));
  ASSERT_EQ(d.problems.size(), 2u);
  EXPECT_NE(d.problems[0].find("BTLMODE"), std::string::npos);
  EXPECT_NE(d.problems[1].find("CNF3"), std::string::npos);
  EXPECT_NE(d.problems[1].find("0x8"), std::string::npos);
  // SOF and WAKFIL belong to other functions: no problem.
  EXPECT_TRUE(Decode(mcp.registers, Regs(mcp, {0x03, 0x90, 0xC2})).problems.empty());
  // M_CAN NBTP bit 7 is reserved.
  const ControllerProfile& m = P("m_can");
  EXPECT_EQ(Decode(m.registers, Regs(m, {0x80})).problems.size(), 1u);
}

TEST(Registers, EverySja1000PairDecodesAndEncodesToItself) {
  const ControllerProfile& sja = P("sja1000");
  for (std::uint64_t pair = 0; pair < 65536; ++pair) {
    const Decoded d = Decode(sja.registers, Regs(sja, {pair >> 8, pair & 0xFF}));
    ASSERT_TRUE(d.problems.empty());
    EXPECT_EQ(Values(Encode(sja.registers, d.values)),
              (std::vector<std::uint64_t>{pair >> 8, pair & 0xFF}));
  }
}

// Each field over its whole range, the other quantities at both ends of
// theirs: Decode(Encode(t)) is t again, for every profile.
TEST(Registers, EveryFieldOfEveryProfileRoundTrips) {
  for (const ControllerProfile& p : BuiltInProfiles()) {
    const PhaseLimits l = HeldLimits(p.nominal, p.registers);
    const bool split = RangeHeld(p.registers, Quantity::PropSeg).has_value();
    const SplitBounds b = SplitBoundsOf(p.registers);
    const Encoder encoder(p.registers);
    ASSERT_LE(encoder.RegisterCount(), 8u);
    const auto check = [&](std::uint32_t brp, std::uint32_t tseg1, std::uint32_t tseg2,
                           std::uint32_t sjw) {
      const std::optional<PhaseTiming> t = SplitTseg1(brp, tseg1, tseg2, sjw, 1, b);
      if (!t) return;
      const Encoded e = Encode(p.registers, NominalValues(*t));
      ASSERT_TRUE(e.error.empty()) << p.name << ": " << e.error;
      // The encoder of many timings writes the same registers from the timing itself.
      std::array<std::uint64_t, 8> words{};
      ASSERT_TRUE(encoder.Encode(*t, words.data(), nullptr)) << p.name;
      for (std::size_t i = 0; i < e.registers.size(); ++i)
        EXPECT_EQ(words[i], e.registers[i].value) << p.name << " " << e.registers[i].name;
      PhaseTiming back = *NominalTiming(Decode(p.registers, e.registers).values);
      if (!split) back = *SplitTseg1(back.brp, back.phaseSeg1, back.phaseSeg2, back.sjw, 1, b);
      EXPECT_EQ(back, *t) << p.name << " brp " << brp << " tseg1 " << tseg1 << " tseg2 " << tseg2;
    };
    const std::uint32_t brps[] = {l.brpMin, l.brpMax};
    const std::uint32_t tseg1s[] = {l.tseg1Min, l.tseg1Max};
    const std::uint32_t tseg2s[] = {l.tseg2Min, l.tseg2Max};
    for (std::uint32_t v = l.brpMin; v <= l.brpMax; v += l.brpInc)
      for (auto t1 : tseg1s) check(v, t1, l.tseg2Max, 1);
    for (std::uint32_t v = l.tseg1Min; v <= l.tseg1Max; ++v)
      for (auto brp : brps) check(brp, v, l.tseg2Min, 1);
    for (std::uint32_t v = l.tseg2Min; v <= l.tseg2Max; ++v)
      for (auto t1 : tseg1s) check(l.brpMax, t1, v, 1);
    for (std::uint32_t v = 1; v <= l.sjwMax; ++v)
      for (auto t2 : tseg2s) check(l.brpMin, l.tseg1Max, t2, std::min(v, t2));
  }
}

}  // namespace
}  // namespace kelvane::cantiming
