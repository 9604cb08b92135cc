#pragma once
// The three output forms of kelvane-calc.

#include "calc_report.h"

#include <ostream>

namespace kelvane::cli {

// The request as "label: value" lines, then each list as aligned columns.
void WriteTable(const CalcReport& report, std::ostream& out);

// Sections separated by one empty line, each with its own header row:
// "key,value" rows for the request, then the pairs, then (decode only) the rules.
void WriteCsv(const CalcReport& report, std::ostream& out);

// One object: {"request": {...}, "pairs": [...]} and, for a decode, "rules": [...].
void WriteJson(const CalcReport& report, std::ostream& out);

}  // namespace kelvane::cli
