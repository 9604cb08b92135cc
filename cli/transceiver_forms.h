#pragma once
// The forms of the transceiver file's records that `kelvane-calc transceiver
// export` writes and `import` reads: CSV (a header row, then one row a record,
// CR LF line ends) or a JSON array of objects. Both hold each record's name,
// description and twelve delays in ns as they are; reading checks the form
// only (every field there, once, in its place), the editor's rules are the
// command's.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
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

// The longest cell, string, number or run of blanks that import reads: far
// more than export writes of any field, little enough to hold.
inline constexpr std::size_t kMaxFieldBytes = 64 * 1024;

// Receives each record read, numbered from 1, as soon as it is whole, so that
// memory holds one record's texts however long the input; a reason returned
// ends the reading with "record N: " and that reason as its error.
using RecordSink = std::function<std::optional<std::string>(trans& record, std::size_t number)>;

// Read a text in that form to its end, or to the first fault: then false,
// with error set to one line saying where and why.
bool ReadCsvRecords(std::istream& in, const RecordSink& take, std::string& error);
bool ReadJsonRecords(std::istream& in, const RecordSink& take, std::string& error);

}  // namespace kelvane::cli
