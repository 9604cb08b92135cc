#include "windows1252.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(Windows1252, EveryByteComesBackUnchanged) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::optional<std::string> back = Utf8ToWindows1252(Windows1252ToUtf8(byte));
    ASSERT_TRUE(back.has_value()) << "byte " << b;
    EXPECT_EQ(*back, byte) << "byte " << b;
  }
}

TEST(Windows1252, CharactersOfTheHighBytes) {
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\u20AC");  // euro sign
  EXPECT_EQ(Windows1252ToUtf8("\x96"), "\u2013");  // en dash
  EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\u0178");  // Y with diaeresis
  EXPECT_EQ(Windows1252ToUtf8("\xB5"), "\u00B5");  // micro sign
  EXPECT_EQ(Windows1252ToUtf8("M\xFCller"), "M\u00FCller");
  EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(Utf8ToWindows1252("\u20AC 5 \u00B5s"), std::string("\x80 5 \xB5s"));
}

TEST(Windows1252, LineBreaksAndPlainTextPassThrough) {
  const std::string text = "Line one\r\nLine two\r\n\tend";
  EXPECT_EQ(Windows1252ToUtf8(text), text);
  EXPECT_EQ(Utf8ToWindows1252(text), text);
  EXPECT_EQ(Utf8ToWindows1252(""), "");
}

TEST(Windows1252, CharactersOutsideTheCodePageAreRefused) {
  EXPECT_FALSE(Utf8ToWindows1252("\u03A9"));      // Greek capital omega
  EXPECT_FALSE(Utf8ToWindows1252("ok \u4E2D"));   // CJK
  EXPECT_FALSE(Utf8ToWindows1252("\U0001F600"));  // outside the BMP
  EXPECT_FALSE(Utf8ToWindows1252("\u0080"));      // C1 control with no byte of its own
}

TEST(Windows1252, MalformedUtf8IsRefused) {
  EXPECT_FALSE(Utf8ToWindows1252("\x80"));              // lone continuation byte
  EXPECT_FALSE(Utf8ToWindows1252("a\xC3"));             // cut after the lead byte
  EXPECT_FALSE(Utf8ToWindows1252("\xE2\x82"));          // cut in a three-byte form
  EXPECT_FALSE(Utf8ToWindows1252("\xC0\x80"));          // overlong zero
  EXPECT_FALSE(Utf8ToWindows1252("\xE0\x80\xA9"));      // overlong
  EXPECT_FALSE(Utf8ToWindows1252("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(Utf8ToWindows1252("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(Utf8ToWindows1252("\xFF"));
  EXPECT_FALSE(Utf8ToWindows1252("\xC3\x28"));          // bad continuation
}

}  // namespace
}  // namespace kelvane
