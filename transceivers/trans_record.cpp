#include "trans_record.h"

#include <algorithm>
#include <optional>

#include "windows1252.h"

namespace kelvane {
namespace {

constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kDescriptionOffset = 15;
constexpr std::size_t kRowsOffset = 216;
constexpr std::size_t kRowSize = 32;
// Offsets inside a row.
constexpr std::size_t kLabelOffset = 0;
constexpr std::size_t kMinOffset = 12;
constexpr std::size_t kNomOffset = 16;
constexpr std::size_t kMaxOffset = 20;
constexpr std::size_t kR8cOffset = 24;
constexpr std::size_t kAmbcOffset = 28;

static_assert(kRowsOffset + kRowCount * kRowSize == kRecordSize);
static_assert(kDescriptionOffset + kDescriptionFieldSize < kRowsOffset);

void PutInt32(unsigned char* at, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  at[0] = static_cast<unsigned char>(u);
  at[1] = static_cast<unsigned char>(u >> 8);
  at[2] = static_cast<unsigned char>(u >> 16);
  at[3] = static_cast<unsigned char>(u >> 24);
}

std::int32_t GetInt32(const unsigned char* at) {
  const std::uint32_t u = std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) |
                          (std::uint32_t{at[2]} << 16) | (std::uint32_t{at[3]} << 24);
  return static_cast<std::int32_t>(u);  // two's complement, defined since C++20
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string_view TextField(const unsigned char* at, std::size_t fieldSize) {
  const auto* begin = reinterpret_cast<const char*>(at);
  const auto* end = std::find(begin, begin + fieldSize, '\0');
  return {begin, static_cast<std::size_t>(end - begin)};
}

// Empty when the text was stored; otherwise the reason it cannot be.
std::optional<std::string> PutText(unsigned char* at, std::size_t fieldSize,
                                   std::string_view text, std::string_view what) {
  const std::optional<std::string> bytes = Utf8ToWindows1252(text);
  if (!bytes) {
    return "The " + std::string(what) +
           " holds a character that cannot be stored (only Western European letters and signs can).";
  }
  if (bytes->find('\0') != std::string::npos) {
    return "The " + std::string(what) + " holds a zero character, which cannot be stored.";
  }
  if (what == "name" && std::any_of(bytes->begin(), bytes->end(), [](char c) {
        return IsControl(static_cast<unsigned char>(c));
      })) {
    return std::string("The name holds a control character, which cannot be stored.");
  }
  if (bytes->size() > fieldSize - 1) {
    return "The " + std::string(what) + " is longer than " + std::to_string(fieldSize - 1) +
           " characters.";
  }
  std::copy(bytes->begin(), bytes->end(), at);
  return std::nullopt;
}

trans MakeDefault(std::string name, std::string description,
                  std::array<std::int32_t, 3> onTxd, std::array<std::int32_t, 3> offTxd,
                  std::array<std::int32_t, 3> onRxd, std::array<std::int32_t, 3> offRxd) {
  trans r;
  r.name = std::move(name);
  r.description = std::move(description);
  auto set = [&r](std::size_t row, const std::array<std::int32_t, 3>& v) {
    r.rows[row].min = v[0];
    r.rows[row].nom = v[1];
    r.rows[row].max = v[2];
  };
  set(kRowOnTxd, onTxd);
  set(kRowOffTxd, offTxd);
  set(kRowOnRxd, onRxd);
  set(kRowOffRxd, offRxd);
  return r;
}

}  // namespace

void SetDelayRowLabels(trans& record) {
  record.rows[kRowOnTxd].label = "tOnTXD";
  record.rows[kRowOffTxd].label = "tOffTXD";
  record.rows[kRowOnRxd].label = "tOnRXD";
  record.rows[kRowOffRxd].label = "tOffRXD";
}

std::array<trans, 2> DefaultRecords() {
  const std::string common =
      "Interface between the CAN protocol controller and the physical bus.  It is primarily "
      "intented for applications in Trucks and buses";
  return {
      MakeDefault("PCA82C251", common, {0, 0, 50}, {0, 40, 80}, {0, 55, 120}, {0, 90, 190}),
      MakeDefault("PCA82C251-47", common + ". Condition R8 = 47Ohm", {0, 0, 50}, {0, 40, 80},
                  {0, 290, 400}, {0, 440, 550}),
  };
}

StoreResult<RecordBytes> EncodeRecord(const trans& record) {
  RecordBytes bytes{};
  std::optional<std::string> problem =
      PutText(bytes.data() + kNameOffset, kNameFieldSize, record.name, "name");
  if (!problem) {
    problem = PutText(bytes.data() + kDescriptionOffset, kDescriptionFieldSize,
                      record.description, "description");
  }
  for (std::size_t r = 0; r < kRowCount && !problem; ++r) {
    unsigned char* row = bytes.data() + kRowsOffset + r * kRowSize;
    const DelayRow& d = record.rows[r];
    problem = PutText(row + kLabelOffset, kLabelFieldSize, d.label, "row label");
    PutInt32(row + kMinOffset, d.min);
    PutInt32(row + kNomOffset, d.nom);
    PutInt32(row + kMaxOffset, d.max);
    PutInt32(row + kR8cOffset, d.r8c);
    PutInt32(row + kAmbcOffset, d.ambc);
  }
  if (problem) return StoreError{StoreErrc::BadText, *problem, 0};
  return bytes;
}

trans DecodeRecord(const unsigned char* bytes) {
  trans record;
  record.name = Windows1252ToUtf8(TextField(bytes + kNameOffset, kNameFieldSize));
  record.description =
      Windows1252ToUtf8(TextField(bytes + kDescriptionOffset, kDescriptionFieldSize));
  for (std::size_t r = 0; r < kRowCount; ++r) {
    const unsigned char* row = bytes + kRowsOffset + r * kRowSize;
    DelayRow& d = record.rows[r];
    d.label = Windows1252ToUtf8(TextField(row + kLabelOffset, kLabelFieldSize));
    d.min = GetInt32(row + kMinOffset);
    d.nom = GetInt32(row + kNomOffset);
    d.max = GetInt32(row + kMaxOffset);
    d.r8c = GetInt32(row + kR8cOffset);
    d.ambc = GetInt32(row + kAmbcOffset);
  }
  return record;
}

std::optional<std::string> WhyNotARecord(const unsigned char* bytes, std::size_t size) {
  const std::string_view name = TextField(bytes + kNameOffset, std::min(size, kNameFieldSize));
  if (std::any_of(name.begin(), name.end(),
                  [](char c) { return IsControl(static_cast<unsigned char>(c)); })) {
    return std::string("its name holds a control character");
  }
  // A fragment no longer than the name may still be waiting for its zero.
  if (size > kNameFieldSize && std::find(bytes, bytes + size, 0) == bytes + size) {
    return std::string("it holds no zero byte, as text does");
  }
  return std::nullopt;
}

std::string_view StoredName(const unsigned char* bytes) {
  return TextField(bytes + kNameOffset, kNameFieldSize);
}

}  // namespace kelvane
