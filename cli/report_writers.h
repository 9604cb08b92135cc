#pragma once
// The three output forms of kelvane-calc.

#include "calc_report.h"

#include <ostream>
#include <string>

namespace kelvane::cli {

// The request as "label: value" lines, then each list as aligned columns.
void WriteTable(const CalcReport& report, std::ostream& out);

// One table: a header line, then one row a pair (none when nothing is listed).
// After the pair's own columns every row repeats the rest of the report: a
// decode's verdicts as rule_<rule>_<field>, the --ip-link block as paste_pair,
// paste_ip_link and paste_networkd, and the request as request_<key>.
void WriteCsv(const CalcReport& report, std::ostream& out);

// text as one CSV cell: quoted, quotes doubled, when it holds a comma, a quote
// or a line break.
std::string CsvCell(const std::string& text);

// One object: {"request": {...}, "pairs": [...]} and, for a decode, "rules": [...].
void WriteJson(const CalcReport& report, std::ostream& out);

}  // namespace kelvane::cli
