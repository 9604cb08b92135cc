#include "text_forms.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(TextForms, ToBinaryTextPadsAndCuts) {
  EXPECT_EQ(ToBinaryText(0, 4), "0000");
  EXPECT_EQ(ToBinaryText(5, 3), "101");
  EXPECT_EQ(ToBinaryText(5, 6), "000101");
  EXPECT_EQ(ToBinaryText(63, 6), "111111");
  // Too long for the width: the first digits stay.
  EXPECT_EQ(ToBinaryText(5, 2), "10");
  EXPECT_EQ(ToBinaryText(8, 1), "1");
  EXPECT_EQ(ToBinaryText(5, 0), "");
  EXPECT_EQ(ToBinaryText(5, -3), "");
}

TEST(TextForms, ConvertNibbleBothWays) {
  EXPECT_EQ(ConvertNibble("0000", true), "0");
  EXPECT_EQ(ConvertNibble("0", true), "0");
  EXPECT_EQ(ConvertNibble("0", false), "0000");
  EXPECT_EQ(ConvertNibble("1010", true), "A");
  EXPECT_EQ(ConvertNibble("A", false), "1010");
  EXPECT_EQ(ConvertNibble("1111", false), "1111");
  EXPECT_EQ(ConvertNibble("F", true), "F");
  EXPECT_EQ(ConvertNibble("1", true), "1");
  EXPECT_EQ(ConvertNibble("1", false), "0001");
  for (const char* unmatched : {"a", "f", "G", "", "00000", "012", "10", " 0"}) {
    EXPECT_EQ(ConvertNibble(unmatched, true), "") << unmatched;
    EXPECT_EQ(ConvertNibble(unmatched, false), "") << unmatched;
  }
}

TEST(TextForms, HexAndBinaryTexts) {
  EXPECT_EQ(HexToBinary("4F"), "01001111");
  EXPECT_EQ(HexToBinary("4f"), "0100");
  EXPECT_EQ(HexToBinary(""), "");
  EXPECT_EQ(HexToBinary("Z9"), "1001");
  EXPECT_EQ(BinaryToHex("01001111"), "4F");
  EXPECT_EQ(BinaryToHex("101"), "5");
  EXPECT_EQ(BinaryToHex("11111"), "1F");
  EXPECT_EQ(BinaryToHex(""), "");
  EXPECT_EQ(BinaryDigitsToValue(""), 1.0);
  EXPECT_EQ(BinaryDigitsToValue("0"), 1.0);
  EXPECT_EQ(BinaryDigitsToValue("1100"), 13.0);
  EXPECT_EQ(BinaryDigitsToValue("111111"), 64.0);
}

TEST(TextForms, RegisterTextsOverEveryPair) {
  for (int b0 = 0; b0 < 256; ++b0) {
    for (int b1 = 0; b1 < 256; ++b1) {
      const Combination c = Decode(static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1));
      const std::string binary0 = Btr0BinaryText(c);
      const std::string binary1 = Btr1BinaryText(c);
      ASSERT_EQ(binary0, ToBinaryText(static_cast<std::uint64_t>(b0), 8));
      ASSERT_EQ(binary1, ToBinaryText(static_cast<std::uint64_t>(b1), 8));
      const std::string hex0 = BinaryToHex(binary0);
      ASSERT_EQ(hex0, RegisterHexText(static_cast<std::uint8_t>(b0)));
      ASSERT_EQ(BinaryToHex(binary1), RegisterHexText(static_cast<std::uint8_t>(b1)));
      ASSERT_EQ(HexToBinary(hex0), binary0);
    }
  }
  EXPECT_EQ(RegisterHexText(0x1C), "1C");
  EXPECT_EQ(RegisterHexText(0xA7), "A7");
  EXPECT_EQ(Btr0BinaryText(Combination{10, 4, 8, 3, 1}), "11001001");
  EXPECT_EQ(Btr1BinaryText(Combination{10, 4, 8, 3, 1}), "10100111");
}

}  // namespace
}  // namespace kelvane
