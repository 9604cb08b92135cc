#include "ratio.h"

#include <gtest/gtest.h>

namespace kelvane::cantiming {
namespace {

TEST(Ratio, BitRatesAreExactAndReduced) {
  // 8 MHz, brp 6, 16 quanta: 83,333 1/3 bit/s, not the typed 83.333 kbit/s.
  const Ratio r = *BitRate(8000000, 6, 16);
  EXPECT_EQ(r.num, 250000u);
  EXPECT_EQ(r.den, 3u);
  EXPECT_FALSE(r == *ParseKbitText("83.333"));
  EXPECT_TRUE(*BitRate(8000000, 1, 16) == *ParseKbitText("500"));
  EXPECT_TRUE(*BitRate(16000000, 64, 25) == *ParseKbitText("10"));
  EXPECT_FALSE(BitRate(8000000, 0, 16).has_value());
  EXPECT_FALSE(MakeRatio(1, 0).has_value());
}

TEST(Ratio, KbitTextTakesPlainDecimalsOnly) {
  const Ratio half = *ParseKbitText("0.5");
  EXPECT_EQ(half.num, 500u);
  EXPECT_EQ(half.den, 1u);
  const Ratio odd = *ParseKbitText("83.3335");
  EXPECT_EQ(odd.num, 166667u);
  EXPECT_EQ(odd.den, 2u);
  for (const char* bad : {"", ".", "0", "0.000", "1e3", "-5", "5 ", "1.2.3", "99999999999999999999"})
    EXPECT_FALSE(ParseKbitText(bad).has_value()) << bad;
}

TEST(Ratio, ErrorAndLimitAgreeAtTheBoundary) {
  const Ratio wanted = *ParseKbitText("500");
  // 500.25 kbit/s is +500 ppm: inside 500, outside 499.
  const Ratio above = *ParseKbitText("500.25");
  EXPECT_DOUBLE_EQ(ErrorPpm(above, wanted), 500.0);
  EXPECT_TRUE(WithinPpm(above, wanted, 500));
  EXPECT_FALSE(WithinPpm(above, wanted, 499));
  const Ratio below = *ParseKbitText("499.75");
  EXPECT_DOUBLE_EQ(ErrorPpm(below, wanted), -500.0);
  EXPECT_TRUE(WithinPpm(below, wanted, 500));
  EXPECT_FALSE(WithinPpm(below, wanted, 499));
  EXPECT_TRUE(WithinPpm(wanted, wanted, 0));
  // 83,333 1/3 against 83.333: 4 ppm ((1/3) / 83333 = 4.000016 ppm).
  EXPECT_FALSE(WithinPpm(*BitRate(8000000, 6, 16), *ParseKbitText("83.333"), 4));
  EXPECT_TRUE(WithinPpm(*BitRate(8000000, 6, 16), *ParseKbitText("83.333"), 5));
  EXPECT_NEAR(ErrorPpm(*BitRate(8000000, 6, 16), *ParseKbitText("83.333")), 4.000016, 1e-6);
}

TEST(Ratio, CompareDoesNotOverflow) {
  const Ratio big{UINT64_MAX, 1};
  const Ratio bigger{UINT64_MAX, UINT64_MAX - 1};
  EXPECT_TRUE(bigger < (Ratio{2, 1}));
  EXPECT_FALSE(bigger < (Ratio{1, 1}));
  EXPECT_TRUE((Ratio{UINT64_MAX - 1, UINT64_MAX}) < (Ratio{1, 1}));
  EXPECT_EQ(Compare(big, big), 0);
  EXPECT_TRUE(WithinPpm((Ratio{3, 1}), (Ratio{1, 1}), 2000000));
  EXPECT_FALSE(WithinPpm((Ratio{3, 1}), (Ratio{1, 1}), 1999999));
  EXPECT_FALSE(WithinPpm(big, (Ratio{1, 1}), UINT64_MAX));
}

}  // namespace
}  // namespace kelvane::cantiming
