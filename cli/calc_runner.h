#pragma once
// Runs one kelvane-calc request: the search or the decode, through the same
// engine and transceiver store as the window, and writes the report.

#include "calc_options.h"
#include "calc_report.h"

#include <optional>
#include <string>

#include <ostream>

namespace kelvane::cli {

enum ExitStatus : int {
  kExitListed = 0,    // pairs listed, or a pair decoded
  kExitNoneFound = 1,
  kExitUsage = 2,     // bad usage or input; one line on the error stream
  kExitFile = 3,      // the transceiver file could not be read; the line names it
};

// errors receives one line, starting with the program's name, for statuses 2 and 3.
int RunCalc(const CalcOptions& options, std::ostream& out, std::ostream& errors);

// For the runs of other controllers: the propagation delay the options give
// (empty: the standard values, one time quantum) with the lines that describe
// it; false with status and message when the transceiver file fails.
bool LoadPropagationDelay(const CalcOptions& options, std::optional<double>& delayNs,
                          ReportRow& lines, int& status, std::string& message);

// The text of a file, or of standard input for "-"; false with status and message.
bool ReadInputText(const std::string& path, std::string& text, int& status, std::string& message);

}  // namespace kelvane::cli
