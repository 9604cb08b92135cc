#pragma once
// The forms of the transceiver file's records that `kelvane-calc transceiver
// export` writes and `import` reads: CSV (a header row, then one row a record,
// CR LF line ends) or a JSON array of objects. Both hold each record's name,
// description and twelve delays in ns as they are; reading checks the form
// only, the editor's rules are the command's.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "trans_record.h"

namespace kelvane::cli {

// Rows 1 to 4 as the options, the exported keys and the shown labels name them.
struct DelayKind {
  const char* option;
  const char* key;
  const char* label;
  std::size_t row;
};
inline constexpr DelayKind kDelayKinds[4] = {
    {"--on-txd", "on_txd", "tOnTXD", kRowOnTxd},
    {"--off-txd", "off_txd", "tOffTXD", kRowOffTxd},
    {"--on-rxd", "on_rxd", "tOnRXD", kRowOnRxd},
    {"--off-rxd", "off_rxd", "tOffRXD", kRowOffRxd},
};

// The min (column 0), nom (1) or max (2) delay of kDelayKinds[kind].
std::int32_t Delay(const trans& record, std::size_t kind, std::size_t column);

void WriteCsv(const std::vector<trans>& records, std::ostream& out);
void WriteJson(const std::vector<trans>& records, std::ostream& out);

// The records of a text in that form, or nothing and error set to one line
// saying where and why not.
std::optional<std::vector<trans>> RecordsFromCsv(const std::string& text, std::string& error);
std::optional<std::vector<trans>> RecordsFromJson(const std::string& text, std::string& error);

}  // namespace kelvane::cli
