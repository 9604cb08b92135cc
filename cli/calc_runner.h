#pragma once
// Runs one kelvane-calc request: the search or the decode, through the same
// engine and transceiver store as the window, and writes the report.

#include "calc_options.h"

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

}  // namespace kelvane::cli
