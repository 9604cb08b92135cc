#include "combination.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(RegisterEncoding, EveryPairDecodesAndEncodesBack) {
  for (int b0 = 0; b0 < 256; ++b0) {
    for (int b1 = 0; b1 < 256; ++b1) {
      const Combination c = Decode(static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1));
      ASSERT_GE(c.brp, 1);
      ASSERT_LE(c.brp, 64);
      ASSERT_EQ(EncodeBtr0(c), b0);
      ASSERT_EQ(EncodeBtr1(c), b1);
    }
  }
}

TEST(RegisterEncoding, KnownPairs) {
  EXPECT_EQ(EncodeBtr1(Combination{1, 1, 13, 2, 0}), 0x1C);
  EXPECT_EQ(EncodeBtr0(Combination{2, 2, 13, 2, 0}), 0x41);
  EXPECT_EQ(EncodeBtr0(Combination{64, 4, 16, 8, 1}), 0xFF);
  EXPECT_EQ(EncodeBtr1(Combination{64, 4, 16, 8, 1}), 0xFF);
}

}  // namespace
}  // namespace kelvane
