#pragma once
// The three output forms of kelvane-calc.

#include "calc_report.h"

#include <ostream>
#include <string>

namespace kelvane::cli {

// The request as "label: value" lines, then each list as aligned columns.
void WriteTable(const CalcReport& report, std::ostream& out);

// Sections separated by one empty line, each with its own header row:
// "key,value" rows for the request, then the pairs, then (decode only) the rules.
void WriteCsv(const CalcReport& report, std::ostream& out);

// text as one CSV cell: quoted, quotes doubled, when it holds a comma, a quote
// or a line break.
std::string CsvCell(const std::string& text);

// One object: {"request": {...}, "pairs": [...]} and, for a decode, "rules": [...].
void WriteJson(const CalcReport& report, std::ostream& out);

}  // namespace kelvane::cli
