#include "transceiver_forms.h"

#include <algorithm>
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

// The editor's delay boxes, and add, take whole ns of at most nine digits;
// an import takes what they take, no sign and no more.
constexpr std::int64_t kLargestDelay = 999999999;

bool ReadDelay(const std::string& text, std::int32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  std::int64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
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

namespace {

std::string RecordNumber(std::size_t number) { return "record " + std::to_string(number); }

// The record of a CSV row of 14 cells, or the reason why not.
std::optional<std::string> RecordFromRow(const std::vector<std::string>& row, trans& r) {
  if (row.size() != 14) return std::to_string(row.size()) + " fields instead of 14";
  r.name = row[0];
  r.description = row[1];
  for (std::size_t k = 0; k < 4; ++k) {
    DelayRow& delays = r.rows[kDelayKinds[k].row];
    std::int32_t* values[3] = {&delays.min, &delays.nom, &delays.max};
    for (std::size_t c = 0; c < 3; ++c) {
      const std::string& cell = row[2 + 3 * k + c];
      if (!ReadDelay(cell, *values[c])) {
        return CsvHeader()[2 + 3 * k + c] + " " + QuotedLine(cell) +
               " is not a delay in whole ns of at most 9 digits";
      }
    }
  }
  return std::nullopt;
}

}  // namespace

bool ReadCsvRecords(std::istream& in, const RecordSink& take, std::string& error) {
  std::streambuf& from = *in.rdbuf();
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false, wasQuoted = false, header = true;
  std::size_t line = 1, number = 0;
  // Ends a row: the header first, then one record each; false with error set.
  const auto endRow = [&] {
    row.push_back(cell);
    cell.clear();
    const bool blank = row.size() == 1 && row[0].empty() && !wasQuoted;
    wasQuoted = false;
    if (blank) {
      row.clear();
      return true;
    }
    if (header) {
      header = false;
      if (row != CsvHeader()) error = "the first line is not the header that export writes";
    } else {
      trans record;
      ++number;
      std::optional<std::string> why = RecordFromRow(row, record);
      if (!why) why = take(record, number);
      if (why) error = RecordNumber(number) + ": " + *why;
    }
    row.clear();
    return error.empty();
  };
  for (int got = from.sbumpc(); got != std::char_traits<char>::eof(); got = from.sbumpc()) {
    const char ch = static_cast<char>(got);
    if (ch == '\n') ++line;
    if (quoted) {
      if (ch == '"' && from.sgetc() == '"') {
        cell += '"';
        from.sbumpc();
      } else if (ch == '"') {
        quoted = false;
      } else {
        cell += ch;
      }
    } else if (ch == '"' && cell.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (ch == ',') {
      if (row.size() == 14) {
        error = RecordNumber(number + 1) + ": more than 14 fields";
        return false;
      }
      row.push_back(cell);
      cell.clear();
      wasQuoted = false;
    } else if (ch == '\r' && from.sgetc() == '\n') {
      // the line feed ends the row
    } else if (ch == '\n') {
      if (!endRow()) return false;
    } else if (wasQuoted) {
      error = "line " + std::to_string(line) + ": text after a closing quote";
      return false;
    } else {
      cell += ch;
    }
    if (cell.size() > kMaxFieldBytes) {
      error = "line " + std::to_string(line) + ": a field longer than any export writes";
      return false;
    }
  }
  if (quoted) {
    error = "a quoted text is not closed";
    return false;
  }
  if ((!cell.empty() || !row.empty() || wasQuoted) && !endRow()) return false;
  if (header) error = "the first line is not the header that export writes";
  return error.empty();
}

namespace {

// Builds the records of export's JSON as the parser meets its parts, one
// record at a time: an array of objects whose delays are objects of three
// numbers. Anything else, deeper or repeated stops it at once.
class RecordsSax : public nlohmann::json::json_sax_t {
 public:
  explicit RecordsSax(const RecordSink& take) : take_(take) {}
  const std::string& error() const { return error_; }

  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(std::int64_t value) override { return Number(value); }
  bool number_unsigned(std::uint64_t value) override {
    return Number(value > INT32_MAX ? std::int64_t{INT32_MAX} + 1
                                    : static_cast<std::int64_t>(value));
  }
  bool number_float(double, const std::string&) override { return Value(); }
  bool string(std::string& value) override {
    if (depth_ != 2 || (key_ != "name" && key_ != "description")) return Value();
    (key_ == "name" ? record_.name : record_.description) = value;
    return true;
  }
  bool binary(binary_t&) override { return Value(); }
  bool start_object(std::size_t) override {
    if (depth_ == 1) {
      ++number_;
      record_ = trans{};
      record_.description = " ";
      keys_.clear();
    } else if (depth_ != 2 || kind_ == nullptr) {
      return Value();
    } else {
      columns_.clear();
    }
    ++depth_;
    return true;
  }
  bool key(std::string& key) override {
    std::vector<std::string>& seen = depth_ == 2 ? keys_ : columns_;
    const std::string full = depth_ == 2 ? key : std::string(kind_->key) + "." + key;
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
      return Fail("the key " + QuotedLine(full) + " is there twice");
    }
    seen.push_back(key);
    key_ = key;
    if (depth_ == 2) {
      kind_ = nullptr;
      for (const DelayKind& k : kDelayKinds) {
        if (key == k.key) kind_ = &k;
      }
      if (kind_ == nullptr && key != "name" && key != "description") {
        return Fail("unknown or malformed field " + QuotedLine(key));
      }
    } else if (std::find(std::begin(kColumns), std::end(kColumns), key) == std::end(kColumns)) {
      return Fail(full + " is not a delay in whole ns of at most 9 digits");
    }
    return true;
  }
  bool end_object() override {
    --depth_;
    if (depth_ == 2) {
      for (const char* column : kColumns) {
        if (std::find(columns_.begin(), columns_.end(), column) == columns_.end()) {
          return Fail("the delay " + std::string(kind_->key) + "." + column + " is missing");
        }
      }
      kind_ = nullptr;
      return true;
    }
    if (std::find(keys_.begin(), keys_.end(), "name") == keys_.end())
      return Fail("no \"name\" text");
    for (const DelayKind& k : kDelayKinds) {
      if (std::find(keys_.begin(), keys_.end(), k.key) == keys_.end()) {
        return Fail("the delays " + std::string(k.key) + " are missing");
      }
    }
    if (std::optional<std::string> why = take_(record_, number_)) return Fail(*why);
    return true;
  }
  bool start_array(std::size_t) override {
    if (depth_ != 0) return Value();
    ++depth_;
    return true;
  }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::json::exception&) override {
    if (error_.empty()) {
      error_ = "it is not a JSON array of transceivers as export writes it (byte " +
               std::to_string(position) + ")";
    }
    return false;
  }

 private:
  bool Fail(const std::string& why) {
    error_ = RecordNumber(number_) + ": " + why;
    return false;
  }
  // A value where export writes none of its kind.
  bool Value() {
    if (depth_ == 0) {
      error_ = "it is not a JSON array of transceivers as export writes it";
      return false;
    }
    if (depth_ == 1) {
      ++number_;
      return Fail("not an object of name, description and delays");
    }
    if (depth_ == 2 && key_ == "name") return Fail("no \"name\" text");
    if (depth_ == 2) return Fail("unknown or malformed field " + QuotedLine(key_));
    return Fail(std::string(kind_->key) + "." + key_ + " is not a delay in whole ns of at most 9 digits");
  }
  bool Number(std::int64_t value) {
    if (depth_ != 3) return Value();
    if (value < 0 || value > kLargestDelay) return Value();
    DelayRow& delays = record_.rows[kind_->row];
    const std::size_t c = static_cast<std::size_t>(
        std::find(std::begin(kColumns), std::end(kColumns), key_) - std::begin(kColumns));
    (c == 0 ? delays.min : c == 1 ? delays.nom : delays.max) = static_cast<std::int32_t>(value);
    return true;
  }

  const RecordSink& take_;
  std::string error_;
  int depth_ = 0;
  std::size_t number_ = 0;
  trans record_;
  std::vector<std::string> keys_, columns_;
  std::string key_;
  const DelayKind* kind_ = nullptr;
};

// Passes a JSON text on until one string, number or gap between them is
// longer than any export writes: the parser keeps each whole in memory.
class TokenLimit : public std::streambuf {
 public:
  explicit TokenLimit(std::streambuf& from) : from_(from) {}
  bool exceeded() const { return exceeded_; }

 protected:
  int_type underflow() override {
    if (exceeded_) return traits_type::eof();
    const std::streamsize got = from_.sgetn(buffer_, sizeof buffer_);
    if (got <= 0) return traits_type::eof();
    std::streamsize passed = 0;
    for (; passed < got; ++passed) {
      const char c = buffer_[passed];
      if (inString_) {
        if (escaped_) {
          escaped_ = false;
        } else if (c == '\\') {
          escaped_ = true;
        } else if (c == '"') {
          inString_ = false;
          run_ = 0;
        }
      } else if (c == '"') {
        inString_ = true;
        run_ = 0;
      } else if (c == '{' || c == '}' || c == '[' || c == ']' || c == ',' || c == ':') {
        run_ = 0;
      }
      if (++run_ > kMaxFieldBytes) {
        exceeded_ = true;
        break;
      }
    }
    if (passed == 0) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + passed);
    return traits_type::to_int_type(buffer_[0]);
  }

 private:
  std::streambuf& from_;
  char buffer_[16 * 1024];
  bool inString_ = false, escaped_ = false, exceeded_ = false;
  std::size_t run_ = 0;
};

}  // namespace

bool ReadJsonRecords(std::istream& in, const RecordSink& take, std::string& error) {
  TokenLimit limited(*in.rdbuf());
  std::istream text(&limited);
  RecordsSax sax(take);
  if (nlohmann::json::sax_parse(text, &sax)) return true;
  error = limited.exceeded() ? "it holds a text, number or space longer than any export writes"
                             : sax.error();
  return false;
}

}  // namespace kelvane::cli
