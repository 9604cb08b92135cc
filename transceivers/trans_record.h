#pragma once
// The 440-byte transceiver record of the data file and its byte layout.
// Integers are signed 32-bit little-endian whatever the machine; texts are
// 8-bit Windows-1252 in the file and UTF-8 here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store_result.h"

namespace kelvane {

inline constexpr std::size_t kRecordSize = 440;
// Field sizes in bytes, the terminating zero included.
inline constexpr std::size_t kNameFieldSize = 15;
inline constexpr std::size_t kDescriptionFieldSize = 200;
inline constexpr std::size_t kLabelFieldSize = 10;
inline constexpr std::size_t kRowCount = 7;
// The longest texts the fields hold, in characters.
inline constexpr std::size_t kMaxNameLength = kNameFieldSize - 1;
inline constexpr std::size_t kMaxDescriptionLength = kDescriptionFieldSize - 1;
inline constexpr std::size_t kMaxLabelLength = kLabelFieldSize - 1;

// Rows holding switching delays; rows 0, 5 and 6 are reserved.
inline constexpr std::size_t kRowOnTxd = 1;   // TXD to bus active
inline constexpr std::size_t kRowOffTxd = 2;  // TXD to bus inactive
inline constexpr std::size_t kRowOnRxd = 3;   // bus active to RXD
inline constexpr std::size_t kRowOffRxd = 4;  // bus inactive to RXD

using RecordBytes = std::array<unsigned char, kRecordSize>;

// One delay row; times in ns.
struct DelayRow {
  std::string label;  // UTF-8, at most 9 characters
  std::int32_t min = 0;
  std::int32_t nom = 0;
  std::int32_t max = 0;
  std::int32_t r8c = 0;   // reserved
  std::int32_t ambc = 0;  // reserved
  friend bool operator==(const DelayRow&, const DelayRow&) = default;
};

struct trans {
  std::string name;         // UTF-8, at most 14 characters; the key of the file
  std::string description;  // UTF-8, at most 199 characters; line breaks as "\r\n"
  std::array<DelayRow, kRowCount> rows{};
  friend bool operator==(const trans&, const trans&) = default;
};

// Gives rows 1 to 4 the labels "tOnTXD", "tOffTXD", "tOnRXD" and "tOffRXD",
// which every record the editor writes carries.
void SetDelayRowLabels(trans& record);

// The two records a new, empty file receives, in file order.
std::array<trans, 2> DefaultRecords();

// Refuses a text longer than its field or without a Windows-1252 form, a
// text holding a zero character (it would end the stored text early) and a
// name holding any other control character (no record may have one, see
// WhyNotARecord). Bytes that carry no meaning (paddings, the rest of each text
// field) are zero.
StoreResult<RecordBytes> EncodeRecord(const trans& record);

// Why size bytes (a whole record, or what a torn write left of one at the end
// of a file) cannot be a transceiver record, or nothing when they can. Every
// writer ends a record's name or one of its labels with a zero byte, and no
// name holds a control character; text files and most other files fail one
// of the two within their first bytes.
std::optional<std::string> WhyNotARecord(const unsigned char* bytes, std::size_t size);

// Never fails. A text field without a zero byte is taken whole, never beyond.
trans DecodeRecord(const unsigned char* bytes);
inline trans DecodeRecord(const RecordBytes& bytes) { return DecodeRecord(bytes.data()); }

// The stored name as its 8-bit bytes: up to the first zero, at most 15 bytes.
std::string_view StoredName(const unsigned char* bytes);

}  // namespace kelvane
