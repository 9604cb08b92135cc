#include "socketcan.h"

#include "shell_words.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace kelvane::cli {
namespace {

// The kernel's documented checks for a tq-based setting on an SJA1000
// (tseg1 1..16, tseg2 1..8, sjw 1..4, brp 1..64; since 6.3 sjw no larger than
// either phase segment; brp = clock x tq / 1e9 to the nearest whole number, an
// exact half going down), followed by the driver's register write. Gives the
// BTR0/BTR1 the kernel would program and the tq it shows back (since 6.3:
// brp x 1e9 / clock to the nearest, an exact half up), or nothing when it
// refuses.
struct Registers {
  int btr0, btr1;
  std::uint64_t tqShown;
};
std::optional<Registers> KernelOracle(std::uint64_t clock, std::uint64_t tq, int prop, int ps1,
                                      int ps2, int sjw, bool triple) {
  const int tseg1 = prop + ps1;
  if (prop < 0 || tseg1 < 1 || tseg1 > 16 || ps2 < 1 || ps2 > 8) return std::nullopt;
  if (sjw < 1 || sjw > 4 || sjw > ps1 || sjw > ps2) return std::nullopt;
  const std::uint64_t product = clock * tq;
  const std::uint64_t whole = product / 1000000000, rest = product % 1000000000;
  const std::uint64_t brp = whole + (rest > 500000000 ? 1 : 0);
  if (brp < 1 || brp > 64) return std::nullopt;
  const std::uint64_t ns = brp * 1000000000;
  return Registers{static_cast<int>((sjw - 1) << 6 | (brp - 1)),
                   (triple ? 0x80 : 0) | (ps2 - 1) << 4 | (tseg1 - 1),
                   ns / clock + (2 * (ns % clock) >= clock ? 1 : 0)};
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
            ASSERT_EQ(back->tqShown, t.tq) << "ip -details link show shows another tq";
            // As much of the delay in prop-seg as the checks allow.
            ASSERT_EQ(t.propSeg, std::min(wanted, c.tseg1 - c.sjw));
            settable += wanted == 1;
            continue;
          }
          EXPECT_NE(r.reason.find("Linux 6.3 and later refuse"), std::string::npos) << r.reason;
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
            "ip link set dev can0 type can tq 125 prop-seg 0 phase-seg1 2 phase-seg2 2 sjw 2 "
            "triple-sampling off");
}

TEST(SocketCan, TqIsTheOneTheKernelShowsBack) {
  // 24 MHz, BRP 2: 166.67 ns, which the kernel shows as 167 (the window's
  // truncated Tscl says 166; both give BRP 2).
  EXPECT_EQ(ToSocketCan(Decode(0x01, 0x1C), 1, 12000000u).timing->tq, 167u);
  EXPECT_EQ(KernelTq(12000000u, 1), 83u);  // 83.33
  EXPECT_EQ(KernelTq(8000000u, 3), 375u);  // exact
  EXPECT_EQ(KernelTq(2000000000u, 1), 1u);  // exactly half a ns: up
}

TEST(SocketCan, BlockTakesTheInterfaceDownAndUpAndQuotesItsName) {
  SocketCanTiming t{250, 1, 4, 2, 1, true};
  EXPECT_EQ(IpLinkBlock("can0", CanTypeSettings(t)),
            "ip link set dev can0 down\n"
            "ip link set dev can0 type can tq 250 prop-seg 1 phase-seg1 4 phase-seg2 2 sjw 1 "
            "triple-sampling on\n"
            "ip link set dev can0 up");
  EXPECT_EQ(IpLinkSetCommand("it's", "up"), "ip link set dev 'it'\\''s' up");
}

TEST(ShellWord, QuotesOnlyWhatAShellWouldRead) {
  for (const char* plain : {"can0", "vcan-1.2", "a,b", "x@y%z+w", "p/q:r", "\xc3\xa9t\xc3\xa9"})
    EXPECT_EQ(ShellWord(plain), plain);
  EXPECT_EQ(ShellWord(""), "''");
  for (const char* special : {"#x", "{a,b}", "can*", "a?", "[ab]", "~u", "$HOME", "a;b", "a b",
                              "a|b", "a&b", "<a>", "(a)", "`a`", "\"a\"", "a\\b", "!a", "a=b",
                              "^a", "a\tb", "a\nb"})
    EXPECT_EQ(ShellWord(special), std::string("'") + special + "'") << special;
  EXPECT_EQ(ShellWord("'"), "''\\'''");
  EXPECT_EQ(ShellWord("a'b'"), "'a'\\''b'\\'''");
}

TEST(DeviceName, TheKernelsRefusalsAndNoMore) {
  for (const char* fine : {"can0", "a", "abcdefghijklmno", "dev", "help", "type", "#x", "{a,b}",
                           "can*", "...", ".a", "it's", "\xc3\xa9"})
    EXPECT_EQ(DeviceNameProblem(fine), std::nullopt) << fine;
  const struct {
    std::string name;
    const char* reason;
  } refused[] = {
      {"", "empty"},
      {".", "\".\""},
      {"..", "\"..\""},
      {"abcdefghijklmnop", "16 bytes"},
      {"can/0", "'/'"},
      {"can:0", "':'"},
      {"a b", "white space"},
      {"a\tb", "white space"},
      {"a\vb", "white space"},
      {"c\xc3\xa0", "0xA0"},
      {"a\x1b", "control"},
      {"a\x7f", "control"},
  };
  for (const auto& r : refused) {
    const std::optional<std::string> problem = DeviceNameProblem(r.name);
    ASSERT_TRUE(problem.has_value()) << r.name;
    EXPECT_NE(problem->find(r.reason), std::string::npos) << *problem;
  }
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
  // BRP 1 at 7372800 Hz is 135.63 ns: the kernel shows 136, which gives
  // 1.003 ticks, BRP 1 again.
  EXPECT_EQ(ToSocketCan(Decode(0x00, 0x1C), 1, 7372800u).timing->tq, 136u);
}

}  // namespace
}  // namespace kelvane::cli
