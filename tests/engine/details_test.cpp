#include "details.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "register_test.h"

namespace kelvane {
namespace {

void ExpectFields(const CombinationFieldTexts& f, std::vector<std::string> expected) {
  const std::vector<std::string> actual = {f.sjwBits, f.brpBits, f.samBit, f.tseg2Bits, f.tseg1Bits,
                                           f.sjw,     f.brp,     f.sam,    f.tseg2,     f.tseg1,
                                           f.nbt,     f.samplePoint, f.bitDuration, f.timeQuantum, f.baudRate};
  EXPECT_EQ(actual, expected);
}

TEST(Details, SelectedPairsAtSixteenMegahertz) {
  const CombinationDetails first = ComputeDetails("00", "1C", 0, 62.5, 16e6, PropagationSettings());
  ExpectFields(first.fields, {"00", "000000", "0", "001", "1100", "1", "1", "0", "2", "13", "16",
                              "87.500000", "2.000000", "125", "500.000000"});
  EXPECT_EQ(first.prop, "1.000000");
  EXPECT_EQ(first.current, 1);
  EXPECT_EQ(first.timeQuantum, 125.0);
  ASSERT_TRUE(first.newPropDelay.has_value());
  EXPECT_EQ(*first.newPropDelay, 125.0);

  const CombinationDetails slower = ComputeDetails("01", "1C", 4, 62.5, 16e6, PropagationSettings());
  EXPECT_EQ(slower.fields.brpBits, "000001");
  EXPECT_EQ(slower.fields.brp, "2");
  EXPECT_EQ(slower.fields.timeQuantum, "250");
  EXPECT_EQ(slower.fields.bitDuration, "4.000000");
  EXPECT_EQ(slower.fields.baudRate, "250.000000");
  EXPECT_EQ(slower.current, 5);

  const CombinationDetails mixed = ComputeDetails("C9", "A7", 0, 62.5, 16e6, PropagationSettings());
  ExpectFields(mixed.fields, {"11", "001001", "1", "010", "0111", "4", "10", "1", "3", "8", "12",
                              "75.000000", "15.000000", "1250", "66.666667"});
}

TEST(Details, PropagationDelayFromATransceiver) {
  PropagationSettings transceiver;
  transceiver.useStandardProp = false;
  transceiver.propDelay = 250;
  const CombinationDetails details = ComputeDetails("00", "1C", 0, 62.5, 16e6, transceiver);
  EXPECT_EQ(details.prop, "2.000000");
  EXPECT_FALSE(details.newPropDelay.has_value());

  transceiver.propDelay = 0;
  EXPECT_EQ(ComputeDetails("00", "1C", 0, 62.5, 16e6, transceiver).prop, "0.000000");
}

TEST(Details, ZeroClockFrequency) {
  const CombinationDetails details = ComputeDetails("00", "1C", 0, 62.5, 0, PropagationSettings());
  EXPECT_EQ(details.fields.baudRate, "0.000000");
  EXPECT_EQ(details.fields.bitDuration, "0.000000");
  EXPECT_EQ(details.fields.timeQuantum, "125");
  EXPECT_EQ(details.fields.nbt, "16");
  EXPECT_EQ(details.fields.samplePoint, "87.500000");
  // An infinite clock period never crashes: the quantum is written as "%d" writes it.
  const CombinationDetails infinite = ComputeDetails("00", "1C", 0, INFINITY, 0, PropagationSettings());
  EXPECT_EQ(infinite.fields.timeQuantum, "-2147483648");
  EXPECT_EQ(infinite.fields.baudRate, "0.000000");
}

TEST(Details, ShortOrForeignTextsDoNotCrash) {
  const CombinationDetails details = ComputeDetails("", "z", 0, 62.5, 16e6, PropagationSettings());
  EXPECT_EQ(details.fields.sjwBits, "");
  EXPECT_EQ(details.fields.brp, "1");
  EXPECT_EQ(details.fields.nbt, "3");
}

TEST(RegisterTest, DecodesTypedPairs) {
  ExpectFields(RunRegisterTest("00", "1C", "16").fields,
               {"00", "000000", "0", "001", "1100", "1", "1", "0", "2", "13", "16", "87.500000",
                "2.000000", "125", "500.000000"});
  ExpectFields(RunRegisterTest("00", "00", "16").fields,
               {"00", "000000", "0", "000", "0000", "1", "1", "0", "1", "1", "3", "66.666667",
                "0.375000", "125", "2666.666667"});
  ExpectFields(RunRegisterTest("FF", "FF", "16").fields,
               {"11", "111111", "1", "111", "1111", "4", "64", "1", "8", "16", "25", "68.000000",
                "200.000000", "8000", "5.000000"});
  const RegisterTestResult result = RunRegisterTest("00", "1C", "16");
  EXPECT_EQ(result.fclk, 16e6);
  EXPECT_EQ(result.tclk, 62.5);
  EXPECT_EQ(result.timeQuantum, 125.0);
  EXPECT_EQ(result.clockText, "Test Mode...");
  EXPECT_EQ(result.clockText.size(), 12u);
}

TEST(RegisterTest, ZeroOrMissingOscillator) {
  for (const char* oscillator : {"", "abc", "0", "-0"}) {
    const RegisterTestResult result = RunRegisterTest("00", "1C", oscillator);
    EXPECT_EQ(result.tclk, 0.0) << oscillator;
    EXPECT_EQ(result.fields.timeQuantum, "0") << oscillator;
    EXPECT_EQ(result.fields.bitDuration, "0.000000") << oscillator;
    EXPECT_EQ(result.fields.baudRate, "0.000000") << oscillator;
    EXPECT_EQ(result.fields.nbt, "16") << oscillator;
    EXPECT_EQ(result.fields.samplePoint, "87.500000") << oscillator;
    EXPECT_EQ(result.fields.tseg1, "13") << oscillator;
  }
}

TEST(RegisterTest, EntryValidation) {
  EXPECT_TRUE(TestEntryIsValid("00"));
  EXPECT_TRUE(TestEntryIsValid("9F"));
  EXPECT_TRUE(TestEntryIsValid("A7"));
  for (const char* invalid : {"", "5", "G1", "1G", "a7", "7a", " 7", "-1"}) {
    EXPECT_FALSE(TestEntryIsValid(invalid)) << invalid;
  }
  EXPECT_FALSE(TestEntriesInvalid("00", "1C"));
  EXPECT_TRUE(TestEntriesInvalid("5", "1C"));
  EXPECT_TRUE(TestEntriesInvalid("00", "G1"));
  EXPECT_TRUE(TestEntriesInvalid("", ""));
  EXPECT_STREQ(kTestRefusedMessage, "Please Enter a Correct value for Testing values");
  EXPECT_STREQ(kTestModeText, "Test Mode...");
}

}  // namespace
}  // namespace kelvane
