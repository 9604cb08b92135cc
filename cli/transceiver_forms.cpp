#include "transceiver_forms.h"

#include <nlohmann/json.hpp>

#include "calc_options.h"
#include "report_writers.h"

namespace kelvane::cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kColumns[3] = {"min", "nom", "max"};

std::vector<std::string> CsvHeader() {
  std::vector<std::string> header = {"name", "description"};
  for (const DelayKind& kind : kDelayKinds) {
    for (const char* column : kColumns) header.push_back(std::string(kind.key) + "_" + column);
  }
  return header;
}

// Rows of cells; a quoted cell may hold commas, doubled quotes and line breaks.
std::optional<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text,
                                                              std::string& error) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false, wasQuoted = false;
  std::size_t line = 1;
  const auto endRow = [&] {
    row.push_back(cell);
    if (!(row.size() == 1 && row[0].empty() && !wasQuoted)) rows.push_back(row);
    row.clear();
    cell.clear();
    wasQuoted = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\n') ++line;
    if (quoted) {
      if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        cell += ch;
      }
    } else if (ch == '"' && cell.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (ch == ',') {
      row.push_back(cell);
      cell.clear();
      wasQuoted = false;
    } else if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      // the line feed ends the row
    } else if (ch == '\n') {
      endRow();
    } else if (wasQuoted) {
      error = "line " + std::to_string(line) + ": text after a closing quote";
      return std::nullopt;
    } else {
      cell += ch;
    }
  }
  if (quoted) {
    error = "a quoted text is not closed";
    return std::nullopt;
  }
  if (!cell.empty() || !row.empty() || wasQuoted) endRow();
  return rows;
}

bool ReadInt32(const std::string& text, std::int32_t& value) {
  if (text.empty() || text.size() > 11) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (text[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

std::int32_t Delay(const trans& record, std::size_t kind, std::size_t column) {
  const DelayRow& row = record.rows[kDelayKinds[kind].row];
  return column == 0 ? row.min : column == 1 ? row.nom : row.max;
}

void WriteCsv(const std::vector<trans>& records, std::ostream& out) {
  const std::vector<std::string> header = CsvHeader();
  for (std::size_t c = 0; c < header.size(); ++c) out << (c ? "," : "") << header[c];
  out << "\r\n";
  for (const trans& r : records) {
    out << CsvCell(r.name) << ',' << CsvCell(r.description);
    for (std::size_t k = 0; k < 4; ++k) {
      for (std::size_t c = 0; c < 3; ++c) out << ',' << Delay(r, k, c);
    }
    out << "\r\n";
  }
}

void WriteJson(const std::vector<trans>& records, std::ostream& out) {
  Json all = Json::array();
  for (const trans& r : records) {
    Json item = Json::object();
    item["name"] = r.name;
    item["description"] = r.description;
    for (std::size_t k = 0; k < 4; ++k) {
      Json delays = Json::object();
      for (std::size_t c = 0; c < 3; ++c) delays[kColumns[c]] = Delay(r, k, c);
      item[kDelayKinds[k].key] = delays;
    }
    all.push_back(item);
  }
  out << all.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

std::optional<std::vector<trans>> RecordsFromCsv(const std::string& text, std::string& error) {
  const auto rows = ParseCsv(text, error);
  if (!rows) return std::nullopt;
  if (rows->empty() || (*rows)[0] != CsvHeader()) {
    error = "the first line is not the header that export writes";
    return std::nullopt;
  }
  std::vector<trans> records;
  for (std::size_t n = 1; n < rows->size(); ++n) {
    const std::vector<std::string>& row = (*rows)[n];
    const std::string where = "record " + std::to_string(n);
    if (row.size() != 14) {
      error = where + ": " + std::to_string(row.size()) + " fields instead of 14";
      return std::nullopt;
    }
    trans r;
    r.name = row[0];
    r.description = row[1];
    for (std::size_t k = 0; k < 4; ++k) {
      DelayRow& delays = r.rows[kDelayKinds[k].row];
      std::int32_t* values[3] = {&delays.min, &delays.nom, &delays.max};
      for (std::size_t c = 0; c < 3; ++c) {
        if (!ReadInt32(row[2 + 3 * k + c], *values[c])) {
          error = where + ": " + CsvHeader()[2 + 3 * k + c] + " " +
                  QuotedLine(row[2 + 3 * k + c]) + " is not a whole number of 32 bits";
          return std::nullopt;
        }
      }
    }
    records.push_back(r);
  }
  return records;
}

std::optional<std::vector<trans>> RecordsFromJson(const std::string& text, std::string& error) {
  const Json all = Json::parse(text, nullptr, false);
  if (all.is_discarded() || !all.is_array()) {
    error = "it is not a JSON array of transceivers as export writes it";
    return std::nullopt;
  }
  std::vector<trans> records;
  for (std::size_t n = 0; n < all.size(); ++n) {
    const Json& item = all[n];
    const std::string where = "record " + std::to_string(n + 1);
    if (!item.is_object() || !item.contains("name") || !item["name"].is_string()) {
      error = where + ": no \"name\" text";
      return std::nullopt;
    }
    trans r;
    r.description = " ";
    for (const auto& [key, value] : item.items()) {
      if (key == "name") {
        r.name = value.get<std::string>();
        continue;
      }
      if (key == "description" && value.is_string()) {
        r.description = value.get<std::string>();
        continue;
      }
      const DelayKind* kind = nullptr;
      for (const DelayKind& k : kDelayKinds) {
        if (key == k.key) kind = &k;
      }
      if (kind == nullptr || !value.is_object()) {
        error = where + ": unknown or malformed field " + QuotedLine(key);
        return std::nullopt;
      }
      DelayRow& delays = r.rows[kind->row];
      std::int32_t* values[3] = {&delays.min, &delays.nom, &delays.max};
      for (const auto& [column, number] : value.items()) {
        std::size_t c = 0;
        while (c < 3 && column != kColumns[c]) ++c;
        // An unsigned number past INT64_MAX would wrap to a negative one when read as signed.
        if (c == 3 || !number.is_number_integer() ||
            (number.is_number_unsigned() && number.get<std::uint64_t>() > INT32_MAX) ||
            number.get<std::int64_t>() < INT32_MIN || number.get<std::int64_t>() > INT32_MAX) {
          error = where + ": " + key + "." + column + " is not a whole number of 32 bits";
          return std::nullopt;
        }
        *values[c] = static_cast<std::int32_t>(number.get<std::int64_t>());
      }
    }
    records.push_back(r);
  }
  return records;
}

}  // namespace kelvane::cli
