#pragma once
// The register test ("Test"): decodes a typed BTR0/BTR1 pair into the texts of
// the details panel, without rules, lists or window.

#include <string>
#include <string_view>

#include "details.h"

namespace kelvane {

// The validation that the window's data exchange runs on the two test entries:
// true when the entry starts with two characters from "0".."9", "A".."F".
bool TestEntryIsValid(std::string_view text);

// The window's test-entry flag after a complete transfer: set when at least
// one of the two entries is invalid.
bool TestEntriesInvalid(std::string_view btr0Text, std::string_view btr1Text);

// Shown (OK button only, no icon, application caption) when the flag is set;
// the window then changes nothing.
inline constexpr char kTestRefusedMessage[] = "Please Enter a Correct value for Testing values";

// Written into the seven clock fields that the test does not compute.
inline constexpr char kTestModeText[] = "Test Mode...";

struct RegisterTestResult {
  CombinationFieldTexts fields;
  // The calculation state the window keeps afterwards: the oscillator frequency
  // taken as the clock (no divider), its period and the time quantum.
  double fclk = 0;         // Hz
  double tclk = 0;         // ns, 0 when fclk is 0
  double timeQuantum = 0;  // ns
  // "Test Mode..." for each of Tclk, Fclk, Fclk max, Fclk min, the frequency
  // variation and the two Tscl (TQD) limits.
  std::string clockText = kTestModeText;
};

// The test of a valid pair (TestEntriesInvalid was false) with the oscillator
// entry's text in MHz. The window writes the field texts and the seven clock
// texts, stores fclk, tclk and timeQuantum, transfers its variables to the
// controls and shows the thank-you window. "Current:", "Total:", the lists, the
// progress bar and PROP stay as they were.
RegisterTestResult RunRegisterTest(std::string_view btr0Text, std::string_view btr1Text,
                                   std::string_view oscillatorText);

}  // namespace kelvane
