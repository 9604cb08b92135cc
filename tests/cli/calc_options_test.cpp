#include "calc_options.h"

#include <gtest/gtest.h>

namespace kelvane::cli {
namespace {

using Args = std::vector<std::string>;

ParseOutcome Parse(Args args) {
  args.insert(args.begin(), "kelvane-calc");
  return ParseCalcArguments(args);
}

TEST(CalcOptions, DefaultsAreTheWindowsStartValues) {
  const ParseOutcome out = Parse({"500"});
  ASSERT_EQ(out.action, ParseOutcome::Action::Run) << out.text;
  const CalcOptions& o = out.options;
  EXPECT_FALSE(o.decode);
  EXPECT_EQ(o.baudText, "500");
  EXPECT_EQ(o.oscillatorText, "16");
  EXPECT_EQ(o.toleranceText, "1000");
  EXPECT_FALSE(o.divided);
  EXPECT_FALSE(o.largeTolerance);
  EXPECT_EQ(o.ruleSet, "11111111100");
  EXPECT_EQ(o.propSource, PropSource::Standard);
  EXPECT_EQ(o.band, BandMode::Exact);
  EXPECT_EQ(o.format, OutputFormat::Table);
}

TEST(CalcOptions, NumberTextsAreKeptAsTyped) {
  // The calculation reads them itself, from their leading characters.
  const ParseOutcome out =
      Parse({"--osc", " 24 MHz", "--tolerance", "0100", "--prop-ns", "540ns", "500.000000"});
  ASSERT_EQ(out.action, ParseOutcome::Action::Run) << out.text;
  EXPECT_EQ(out.options.baudText, "500.000000");
  EXPECT_EQ(out.options.oscillatorText, "24");
  EXPECT_EQ(out.options.toleranceText, "100");
  EXPECT_EQ(out.options.propSource, PropSource::Fixed);
  EXPECT_EQ(out.options.propDelayText, "540ns");
}

TEST(CalcOptions, OscillatorIsAPositiveFiniteNumber) {
  for (const char* mhz : {"16", "14.7456", "16MHz", "8 mhz", "+.5", "1e1", "1e-300"})
    EXPECT_EQ(Parse({"--osc", mhz, "500"}).action, ParseOutcome::Action::Run) << mhz;
  // 1e-320 MHz has a clock period beyond any double; 1e303 MHz a clock.
  for (const char* mhz : {"0", "-16", "abc", "", "24abc", "16kHz", "MHz", "1e", "nan", "inf",
                          "1e-320", "1e303", "0x10"}) {
    const ParseOutcome out = Parse({"--osc", mhz, "500"});
    EXPECT_EQ(out.action, ParseOutcome::Action::Error) << mhz;
    EXPECT_EQ(out.text, std::string("--osc '") + mhz +
                            "': give the oscillator frequency in MHz, a positive number such as "
                            "16");
  }
}

TEST(CalcOptions, DelaysBeyondAnyMeaningAreRefused) {
  EXPECT_EQ(Parse({"--prop-ns", "0", "500"}).action, ParseOutcome::Action::Run);
  for (const char* ns : {"-0.5", "1e400"})
    EXPECT_EQ(Parse({"--prop-ns", ns, "500"}).text,
              std::string("--prop-ns '") + ns + "': give the propagation delay in ns, 0 or more");
  // Single precision, where the window keeps the line delay, ends at 3.40282e38.
  EXPECT_EQ(Parse({"--transceiver", "X", "--line-delay", "3.4e38", "--line-length", "2000000000",
                   "500"}).action,
            ParseOutcome::Action::Run);
  for (const char* d : {"3.5e38", "-1e39", "1e400"}) {
    EXPECT_EQ(Parse({"--transceiver", "X", "--line-delay", d, "--line-length", "2", "500"}).text,
              std::string("--line-delay '") + d + "': ns per metre beyond any physical meaning");
  }
}

TEST(CalcOptions, DeviceNamesTheKernelRefusesAreRefused) {
  EXPECT_EQ(Parse({"--ip-link", "{a,b}", "500"}).options.ipLinkDevice, "{a,b}");
  EXPECT_EQ(Parse({"--ip-link", "a\nb", "500"}).text,
            "--ip-link 'a\\nb': the kernel refuses white space in a name");
  EXPECT_EQ(Parse({"--device", "can0", "500"}).text, "--device goes with --from-ip-json");
  EXPECT_EQ(Parse({"--from-ip-json", "-", "--device", "can1"}).options.device, "can1");
}

TEST(CalcOptions, DividerFromOneToNine) {
  for (const char* d : {"1", "9", " 4 "}) {
    const ParseOutcome out = Parse({"--divider", d, "500"});
    ASSERT_EQ(out.action, ParseOutcome::Action::Run) << d;
    EXPECT_TRUE(out.options.divided);
  }
  EXPECT_EQ(Parse({"--divider", "9", "500"}).options.divider, 9);
  for (const char* d : {"0", "10", "-1", "2.5", "x", ""}) {
    const ParseOutcome out = Parse({"--divider", d, "500"});
    EXPECT_EQ(out.action, ParseOutcome::Action::Error) << d;
    EXPECT_EQ(out.text, std::string("--divider '") + d +
                            "': Only Integer Values Between 1 and 9 for Fclk Divider");
  }
}

TEST(CalcOptions, RuleSets) {
  EXPECT_EQ(Parse({"--rules", "standard", "500"}).options.ruleSet, "11111111100");
  EXPECT_EQ(Parse({"--rules", "none", "500"}).options.ruleSet, "00000000000");
  EXPECT_EQ(Parse({"--rules", "all", "500"}).options.ruleSet, "11111111111");
  EXPECT_EQ(Parse({"--rules", "10000000001", "500"}).options.ruleSet, "10000000001");
  for (const char* r : {"1111111110", "111111111000", "1111111110x", "Standard", ""}) {
    const ParseOutcome out = Parse({"--rules", r, "500"});
    EXPECT_EQ(out.action, ParseOutcome::Action::Error) << r;
    EXPECT_EQ(out.text, std::string("--rules '") + r +
                            "': give 11 characters of 0 and 1, or standard, none or all");
  }
}

TEST(CalcOptions, Decode) {
  const ParseOutcome out = Parse({"--decode", "c9", "A7"});
  ASSERT_EQ(out.action, ParseOutcome::Action::Run) << out.text;
  EXPECT_TRUE(out.options.decode);
  EXPECT_EQ(out.options.btr0Text, "C9");  // typed letters become upper case
  EXPECT_EQ(out.options.btr1Text, "A7");
  EXPECT_FALSE(out.options.hasBaud);

  const ParseOutcome withRate = Parse({"--decode", "00", "1C", "500"});
  ASSERT_EQ(withRate.action, ParseOutcome::Action::Run) << withRate.text;
  EXPECT_TRUE(withRate.options.hasBaud);
  EXPECT_EQ(withRate.options.baudText, "500");

  for (Args bad : {Args{"5", "1C"}, Args{"00", "G1"}, Args{"000", "1C"}, Args{"00", ""}}) {
    bad.insert(bad.begin(), "--decode");
    const ParseOutcome refused = Parse(bad);
    EXPECT_EQ(refused.action, ParseOutcome::Action::Error);
    EXPECT_EQ(refused.text, "Please Enter a Correct value for Testing values");
  }
  EXPECT_EQ(Parse({"--decode", "00"}).text,
            "--decode needs BTR0 and BTR1, optionally followed by BAUD");
  EXPECT_EQ(Parse({"--decode", "00", "1C", "500", "1"}).action, ParseOutcome::Action::Error);
}

TEST(CalcOptions, Transceiver) {
  const ParseOutcome out = Parse({"--transceiver", "PCA82C251", "--line-length", "40",
                                  "--line-delay", "5", "--logic-delay", " 100", "500"});
  ASSERT_EQ(out.action, ParseOutcome::Action::Run) << out.text;
  EXPECT_EQ(out.options.propSource, PropSource::Transceiver);
  EXPECT_EQ(out.options.transceiverName, "PCA82C251");
  EXPECT_EQ(out.options.lineLength, 40);
  EXPECT_EQ(out.options.lineDelayText, "5");
  EXPECT_EQ(out.options.logicDelay, 100);

  const ParseOutcome bare = Parse({"--transceiver", "X", "500"});
  ASSERT_EQ(bare.action, ParseOutcome::Action::Run);
  EXPECT_EQ(bare.options.lineLength, 0);
  EXPECT_EQ(bare.options.lineDelayText, "");
  EXPECT_EQ(bare.options.logicDelay, 0);
}

TEST(CalcOptions, TransceiverCountsMustBeWholeNumbers) {
  // The window's boxes for these take digits only and refuse anything else.
  for (const char* v : {"-3", "abc", "12abc", "4.5", "", "99999999999"}) {
    const ParseOutcome len = Parse({"--transceiver", "X", "--line-length", v, "500"});
    EXPECT_EQ(len.action, ParseOutcome::Action::Error) << v;
    EXPECT_EQ(len.text, "--line-length: Enter an integer.") << v;
    const ParseOutcome logic = Parse({"--transceiver", "X", "--logic-delay", v, "500"});
    EXPECT_EQ(logic.text, "--logic-delay: Enter an integer.") << v;
  }
}

TEST(CalcOptions, ConflictsAndStrayValuesAreRefused) {
  struct Case {
    Args args;
    std::string message;
  };
  const Case cases[] = {
      {{"--bogus", "500"}, "The following argument was not expected: --bogus"},
      {{"500", "--osc"}, "--osc: 1 required MHZ missing"},
      {{}, "missing BAUD (the wanted baud rate in kbit/s)"},
      {{"500", "250"}, "one BAUD only; unexpected '250'"},
      {{"--prop-ns", "100", "--transceiver", "X", "500"},
       "--prop-ns and --transceiver exclude each other"},
      {{"--line-length", "10", "500"},
       "--line-length, --line-delay and --logic-delay need --transceiver"},
      {{"--band", "--retry-band", "500"}, "--band and --retry-band exclude each other"},
      {{"--decode", "--retry-band", "00", "1C"},
       "--retry-band applies to a search, not to --decode"},
      {{"--format", "xml", "500"}, "--format 'xml': give table, csv or json"},
  };
  for (const Case& c : cases) {
    const ParseOutcome out = Parse(c.args);
    EXPECT_EQ(out.action, ParseOutcome::Action::Error) << c.message;
    EXPECT_EQ(out.text, c.message);
  }
}

TEST(CalcOptions, CiaSamplePointStepsDownAbove500And800) {
  EXPECT_EQ(CiaSamplePoint(500.0), 87.5);
  EXPECT_EQ(CiaSamplePoint(500.001), 80.0);
  EXPECT_EQ(CiaSamplePoint(800.0), 80.0);
  EXPECT_EQ(CiaSamplePoint(800.001), 75.0);
}

TEST(CalcOptions, HelpAndVersion) {
  EXPECT_EQ(Parse({"--version"}).action, ParseOutcome::Action::Version);
  EXPECT_EQ(Parse({"--version"}).text, "kelvane-calc 1.1.0.0");
  const ParseOutcome help = Parse({"--help"});
  EXPECT_EQ(help.action, ParseOutcome::Action::Help);
  for (const char* name : {"--osc", "--tolerance", "--divider", "--large-tolerance", "--rules",
                           "--prop-ns", "--transceiver", "--line-length", "--line-delay",
                           "--logic-delay", "--band", "--retry-band", "--format", "--decode",
                           "--device"})
    EXPECT_NE(help.text.find(name), std::string::npos) << name;
  // Each rule with its condition.
  for (const char* rule :
       {"   1  SAM 0: TSEG2 >= 2\n", "   6  tTSEG1 >= tSJW + tprop\n",
        "   9  bit rate = entered rate (the rate rule", "  11  NBT = CiA quanta"})
    EXPECT_NE(help.text.find(rule), std::string::npos) << rule;
}

// A refusal is one line a terminal can show: the user's own bytes in it are
// escaped when they are control characters or not UTF-8.
TEST(CalcOptions, RefusalsEchoTypedTextOnOneReadableLine) {
  const ParseOutcome rules = Parse({"--rules", "1\n2\r\x1b[2J", "500"});
  ASSERT_EQ(rules.action, ParseOutcome::Action::Error);
  EXPECT_EQ(rules.text, "--rules '1\\n2\\r\\x1B[2J': give 11 characters of 0 and 1, or standard, none or all");

  const ParseOutcome format = Parse({"--format", "t\xff\xc3\xa9\xe2\x82", "500"});
  ASSERT_EQ(format.action, ParseOutcome::Action::Error);
  EXPECT_EQ(format.text, "--format 't\\xFF\xc3\xa9\\xE2\\x82': give table, csv or json");

  const ParseOutcome extra = Parse({"500", "\t"});
  ASSERT_EQ(extra.action, ParseOutcome::Action::Error);
  EXPECT_EQ(extra.text, "one BAUD only; unexpected '\\t'");

  const ParseOutcome option = Parse({"--\x7f", "500"});
  ASSERT_EQ(option.action, ParseOutcome::Action::Error);
  EXPECT_EQ(option.text.find('\x7f'), std::string::npos) << option.text;
}

}  // namespace
}  // namespace kelvane::cli
