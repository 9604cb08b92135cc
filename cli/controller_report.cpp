#include "controller_report.h"

#include "report_writers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <tuple>

namespace kelvane::cli {

namespace {

constexpr double kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// Writes "0x" and the value's hexadecimal digits, zero-padded to the
// register's width (at most 18 characters) at p; returns the end.
char* PutHex(char* p, std::uint64_t value, unsigned width) {
  static const char kHex[] = "0123456789ABCDEF";
  const unsigned digits = std::max(1u, std::min(16u, (width + 3) / 4));
  *p++ = '0';
  *p++ = 'x';
  for (unsigned i = 0; i < digits; ++i) *p++ = kHex[(value >> (4 * (digits - 1 - i))) & 15];
  return p;
}

void AppendHex(std::uint64_t value, unsigned width, std::string& out) {
  char text[18];
  out.append(text, static_cast<std::size_t>(PutHex(text, value, width) - text));
}

// The text of one value, without allocation.
struct Text {
  char data[48];
  std::size_t size = 0;
  CellKind kind = CellKind::Number;
  std::string_view view() const { return {data, size}; }
};

void Put(Text& t, std::string_view s, CellKind kind) {
  t.size = std::min(s.size(), sizeof t.data);
  std::copy_n(s.data(), t.size, t.data);
  t.kind = kind;
}

// Writes v at p (room for 20 digits); returns the end.
inline char* PutWhole(char* p, std::uint64_t v) {
  if (v < 10) {  // most counts of a bit: segments, sjw, small prescalers
    *p = static_cast<char>('0' + v);
    return p + 1;
  }
  if (v < 100) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    return p + 2;
  }
  if (v < 1000) {  // prescalers, tq in ns
    p[0] = static_cast<char>('0' + v / 100);
    p[1] = static_cast<char>('0' + v / 10 % 10);
    p[2] = static_cast<char>('0' + v % 10);
    return p + 3;
  }
  return std::to_chars(p, p + 20, v).ptr;
}

void PutWhole(Text& t, std::uint64_t v) {
  t.kind = CellKind::Number;
  t.size = static_cast<std::size_t>(PutWhole(t.data, v) - t.data);
}

// Fixed point through whole numbers (to_chars of a double costs several
// times more, and a long list formats five of them a row).
void PutDecimal(Text& t, double value, int decimals) {
  t.kind = CellKind::Number;
  // Halves away from zero, as std::round, without the library call.
  const double product = std::isfinite(value) ? value * kScale[decimals] : 0.0;
  const double scaled = std::trunc(product + (product < 0 ? -0.5 : 0.5));
  if (!(std::fabs(scaled) < 9e15)) {
    const double rounded = scaled / kScale[decimals];
    t.size = static_cast<std::size_t>(
        std::to_chars(t.data, t.data + sizeof t.data, rounded, std::chars_format::fixed).ptr - t.data);
    return;
  }
  auto units = static_cast<long long>(scaled);
  char* p = t.data;
  if (units < 0) {
    *p++ = '-';
    units = -units;
  }
  const auto scale = static_cast<long long>(kScale[decimals]);
  p = std::to_chars(p, t.data + sizeof t.data, units / scale).ptr;
  long long fraction = units % scale;
  if (fraction != 0) {
    int places = decimals;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --places;
    }
    *p++ = '.';
    char digits[8];
    for (int i = places - 1; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    p = std::copy_n(digits, places, p);
  }
  t.size = static_cast<std::size_t>(p - t.data);
}

void PutBool(Text& t, bool v) {
  std::memcpy(t.data, v ? "yes" : "no\0", 3);
  t.size = v ? 3 : 2;
  t.kind = CellKind::Bool;
}

struct Column {
  const char* key;
  const char* header;
};

constexpr Column kColumns[] = {
    {"source", "by"},          {"index", "#"},           {"recommended", "rec"},
    {"brp", "brp"},            {"tq_ns", "tq(ns)"},      {"ip_tq_ns", "ip tq"},
    {"prop_seg", "prop"},      {"phase_seg1", "ps1"},    {"phase_seg2", "ps2"},
    {"sjw", "sjw"},            {"triple_sampling", "3x"}, {"sample_point_pct", "SP%"},
    {"bitrate", "bit/s"},      {"error_ppm", "err(ppm)"}, {"tolerance_ppm", "tol(ppm)"},
    {"tolerance_ok", "tol ok"}, {"propagation_ok", "prop ok"},
};
constexpr std::size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];
using RowTexts = std::array<Text, kColumnCount>;

// The texts of the last row's decimals: a long list repeats most of them
// from row to row (the rate, the error, the tq of a prescaler).
struct DecimalMemo {
  std::array<double, kColumnCount> value{};
  std::array<bool, kColumnCount> known{};
  std::array<Text, kColumnCount> text{};
};

void PutDecimal(Text& t, double value, int decimals, DecimalMemo* memo, std::size_t column) {
  if (memo != nullptr && memo->known[column] && memo->value[column] == value) {
    t = memo->text[column];
    return;
  }
  PutDecimal(t, value, decimals);
  if (memo != nullptr) {
    memo->known[column] = true;
    memo->value[column] = value;
    memo->text[column] = t;
  }
}

void Format(const SettingRow& r, RowTexts& t, DecimalMemo* memo = nullptr) {
  const cantiming::Setting& s = r.setting;
  const cantiming::PhaseTiming& p = s.timing;
  Put(t[0], r.source, CellKind::Text);
  if (r.index) PutWhole(t[1], r.index); else Put(t[1], "", CellKind::Null);
  PutBool(t[2], r.recommended);
  PutWhole(t[3], p.brp);
  PutDecimal(t[4], s.tqNs, 3, memo, 4);
  if (s.kernelTqNs) PutWhole(t[5], *s.kernelTqNs); else Put(t[5], "", CellKind::Null);
  PutWhole(t[6], p.propSeg);
  PutWhole(t[7], p.phaseSeg1);
  PutWhole(t[8], p.phaseSeg2);
  PutWhole(t[9], p.sjw);
  PutBool(t[10], p.tripleSampling);
  PutDecimal(t[11], s.samplePointPct, 3, memo, 11);
  PutDecimal(t[12], cantiming::ToDouble(s.bitrate), 3, memo, 12);
  PutDecimal(t[13], s.errorPpm, 3, memo, 13);
  PutDecimal(t[14], s.tolerancePpm, 1, memo, 14);
  PutBool(t[15], r.toleranceOk);
  PutBool(t[16], r.propagationOk);
}

void JsonString(std::string_view text, std::string& out) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  out += '"';
}

void JsonValue(std::string_view text, CellKind kind, std::string& out) {
  switch (kind) {
    case CellKind::Number: out += text; break;
    case CellKind::Bool: out += text == "yes" ? "true" : "false"; break;
    case CellKind::Null: out += "null"; break;
    case CellKind::Text: JsonString(text, out); break;
  }
}

// The listed settings: those held, then those made as they are written.
template <typename Visit>
void EachListed(const ControllerReport& r, Visit visit) {
  for (const SettingRow& s : r.settings) visit(s);
  if (r.make) {
    SettingRow row;
    for (std::size_t i = 0; i < r.madeCount; ++i) {
      r.make(i, row);
      visit(row);
    }
  }
}

// `"key": ` for each column, built once, in blocks of a fixed size: copying
// a whole block (a few vector moves) and advancing by the text's length is
// cheaper than a copy of the exact length.
constexpr std::size_t kBlock = 32;
struct JsonPrefixes {
  std::array<std::array<char, kBlock>, kColumnCount> text{};
  std::array<std::size_t, kColumnCount> size{};
  JsonPrefixes() {
    for (std::size_t c = 0; c < kColumnCount; ++c) {
      const std::string prefix = std::string(c ? ", \"" : "{\"") + kColumns[c].key + "\": ";
      size[c] = std::min(prefix.size(), kBlock);
      std::copy_n(prefix.data(), size[c], text[c].data());
    }
  }
};

void JsonSetting(const std::vector<RegisterColumn>& columns, const SettingRow& row, std::string& out,
                 DecimalMemo* memo = nullptr) {
  static const JsonPrefixes prefixes;
  // One row is a few hundred bytes: composed in place, appended once. The
  // buffer has room for a whole block past the last text.
  char line[kColumnCount * (kBlock + sizeof(Text::data) + 2) + 64];
  char* p = line;
  const auto key = [&](std::size_t c) {
    std::memcpy(p, prefixes.text[c].data(), kBlock);
    p += prefixes.size[c];
  };
  const auto whole = [&](std::size_t c, std::uint64_t v) {
    key(c);
    p = PutWhole(p, v);
  };
  const auto null = [&](std::size_t c) {
    key(c);
    std::memcpy(p, "null", 4);
    p += 4;
  };
  const auto boolean = [&](std::size_t c, bool v) {
    key(c);
    std::memcpy(p, v ? "true\0" : "false", 5);
    p += v ? 4 : 5;
  };
  const auto decimal = [&](std::size_t c, double v, int decimals) {
    key(c);
    if (memo != nullptr && memo->known[c] && memo->value[c] == v) {
      std::memcpy(p, memo->text[c].data, sizeof(Text::data));
      p += memo->text[c].size;
      return;
    }
    Text t;
    PutDecimal(t, v, decimals, memo, c);
    std::memcpy(p, t.data, sizeof(Text::data));
    p += t.size;
  };
  const cantiming::Setting& s = row.setting;
  const cantiming::PhaseTiming& timing = s.timing;
  key(0);
  *p++ = '"';
  const std::size_t sourceSize = std::min(std::strlen(row.source), sizeof(Text::data));
  std::memcpy(p, row.source, sourceSize);  // the sources are plain words
  p += sourceSize;
  *p++ = '"';
  if (row.index) whole(1, row.index); else null(1);
  boolean(2, row.recommended);
  whole(3, timing.brp);
  decimal(4, s.tqNs, 3);
  if (s.kernelTqNs) whole(5, *s.kernelTqNs); else null(5);
  whole(6, timing.propSeg);
  whole(7, timing.phaseSeg1);
  whole(8, timing.phaseSeg2);
  whole(9, timing.sjw);
  boolean(10, timing.tripleSampling);
  decimal(11, s.samplePointPct, 3);
  decimal(12, cantiming::ToDouble(s.bitrate), 3);
  decimal(13, s.errorPpm, 3);
  decimal(14, s.tolerancePpm, 1);
  boolean(15, row.toleranceOk);
  boolean(16, row.propagationOk);
  if (row.registerCount == 0) {
    out.append(line, static_cast<std::size_t>(p - line));
    out.append(", \"registers\": null}");
    return;
  }
  // `, "registers": {"NAME": "` for the first register, `, "NAME": "` for the others.
  static thread_local std::vector<std::string> heads;
  static thread_local std::size_t headsSize = 0;
  static thread_local const std::vector<RegisterColumn>* headsOf = nullptr;
  if (headsOf != &columns || heads.size() != columns.size()) {
    heads.clear();
    headsSize = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      std::string head = i ? ", " : ", \"registers\": {";
      JsonString(columns[i].name, head);
      heads.push_back(head + ": \"");
      headsSize += heads.back().size();
    }
    headsOf = &columns;
  }
  const std::size_t count = std::min<std::size_t>(row.registerCount, columns.size());
  // Each value is at most "0x" and 16 digits and a quote; then "}}".
  const bool fits = headsSize + count * 19 + 2 <= sizeof line - static_cast<std::size_t>(p - line);
  if (!fits) {
    out.append(line, static_cast<std::size_t>(p - line));
    p = line;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!fits) {
      out.append(heads[i]);
      AppendHex(row.registers[i], columns[i].width, out);
      out += '"';
      continue;
    }
    std::memcpy(p, heads[i].data(), heads[i].size());
    p = PutHex(p + heads[i].size(), row.registers[i], columns[i].width);
    *p++ = '"';
  }
  std::memcpy(p, "}}", 2);
  p += 2;
  out.append(line, static_cast<std::size_t>(p - line));
}

void JsonLines(const std::vector<ReportLine>& lines, std::string& out, bool& first) {
  for (const ReportLine& l : lines) {
    out += first ? "\n  " : ",\n  ";
    first = false;
    JsonString(l.key, out);
    out += ": ";
    JsonValue(l.text, l.kind, out);
  }
}

void JsonCells(const std::vector<Cell>& cells, std::string& out) {
  out += '{';
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (k) out += ", ";
    JsonString(cells[k].key, out);
    out += ": ";
    JsonValue(cells[k].text, cells[k].kind, out);
  }
  out += '}';
}

void JsonTexts(const char* key, const std::vector<std::string>& texts, std::string& out) {
  out += ",\n  \"";
  out += key;
  out += "\": [";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i) out += ", ";
    JsonString(texts[i], out);
  }
  out += ']';
}

// Hands the buffer on whenever it grows past a chunk, so that a long list
// never sits in memory twice.
struct Sink {
  std::string& buffer;
  std::ostream& stream;
  void Flush(std::size_t above) {
    if (buffer.size() <= above) return;
    stream.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
  }
};
constexpr std::size_t kChunk = 1 << 18;

void WriteFdJson(const ControllerReport& r, std::string& out, Sink& sink);
void WriteFdCsv(const ControllerReport& r, std::string& out, Sink& sink);
void WriteFdTable(const ControllerReport& r, std::string& out);

void WriteJson(const ControllerReport& r, std::string& out, Sink& sink) {
  out += '{';
  bool first = true;
  JsonLines(r.request, out, first);
  if (!r.rows.empty()) {
    out += first ? "\n  \"" : ",\n  \"";
    first = false;
    out += r.rowsKey;
    out += "\": [";
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
      out += i ? ",\n    " : "\n    ";
      JsonCells(r.rows[i], out);
    }
    out += "\n  ]";
  }
  if (r.rowsKey == std::string_view("controllers")) {
    out += "\n}\n";
    return;
  }
  out += first ? "\n  \"settings\": [" : ",\n  \"settings\": [";
  std::size_t written = 0;
  DecimalMemo memo;
  EachListed(r, [&](const SettingRow& row) {
    out += written++ ? ",\n    " : "\n    ";
    JsonSetting(r.registerColumns, row, out, &memo);
    sink.Flush(kChunk);
  });
  out += written == 0 ? "]" : "\n  ]";
  if (r.hasKernelPick) {
    out += ",\n  \"kernel_pick\": ";
    if (r.kernelPick)
      JsonSetting(r.registerColumns, *r.kernelPick, out);
    else
      out += "null";
  }
  if (r.fd) WriteFdJson(r, out, sink);
  bool more = false;
  JsonLines(r.afterSettings, out, more);
  if (r.withProblems) JsonTexts("problems", r.problems, out);
  JsonTexts("notes", r.notes, out);
  if (r.pasteAsked) {
    out += ",\n  \"paste\": {\"setting\": ";
    JsonString(r.pasteNote, out);
    out += ", \"ip_link\": ";
    if (r.ipLink.empty()) out += "null"; else JsonString(r.ipLink, out);
    out += ", \"networkd\": ";
    if (r.networkd.empty()) out += "null"; else JsonString(r.networkd, out);
    out += '}';
  }
  out += "\n}\n";
}

// The settings and then the kernel's pick, as one list of rows.
template <typename Visit>
void EachSetting(const ControllerReport& r, Visit visit) {
  EachListed(r, visit);
  if (r.kernelPick) visit(*r.kernelPick);
}

std::string_view RequestText(const ControllerReport& r, std::string_view key) {
  for (const ReportLine& l : r.request)
    if (l.key == key) return l.kind == CellKind::Null ? std::string_view() : std::string_view(l.text);
  return {};
}

void CsvAdd(std::string_view text, bool& first, std::string& out) {
  if (!first) out += ',';
  first = false;
  out += CsvCell(std::string(text));
}

void WriteCsv(const ControllerReport& r, std::string& out, Sink& sink) {
  bool first = true;
  if (!r.rows.empty() && r.settings.empty() && r.madeCount == 0) {
    // The controllers, or a decode without settings: the rows' own columns.
    for (const Cell& c : r.rows.front()) CsvAdd(c.key, first, out);
    out += "\r\n";
    for (const auto& row : r.rows) {
      first = true;
      for (const Cell& c : row) CsvAdd(c.kind == CellKind::Null ? "" : c.text, first, out);
      out += "\r\n";
    }
    return;
  }
  // One table: the request's values that tell rows of several runs apart
  // repeat on every row.
  static constexpr std::pair<const char*, const char*> kRepeated[] = {
      {"controller", "controller"}, {"clock_hz", "clock_hz"}, {"bitrate", "asked_bitrate"}};
  for (const auto& [key, name] : kRepeated) CsvAdd(name, first, out);
  for (const Column& c : kColumns) CsvAdd(c.key, first, out);
  for (const RegisterColumn& reg : r.registerColumns) CsvAdd(reg.name, first, out);
  out += "\r\n";
  EachSetting(r, [&](const SettingRow& row) {
    RowTexts t;
    Format(row, t);
    first = true;
    for (const auto& [key, name] : kRepeated) CsvAdd(RequestText(r, key), first, out);
    for (const Text& text : t) CsvAdd(text.kind == CellKind::Null ? "" : text.view(), first, out);
    for (std::size_t i = 0; i < r.registerColumns.size(); ++i)
      CsvAdd(i < row.registerCount ? HexText(row.registers[i], r.registerColumns[i].width) : "",
             first, out);
    out += "\r\n";
    sink.Flush(kChunk);
  });
  if (r.fd) WriteFdCsv(r, out, sink);
}

void WriteAligned(const std::vector<std::vector<std::string>>& table,
                  const std::vector<bool>& rightAligned, std::string& out) {
  if (table.empty()) return;
  std::vector<std::size_t> width(table.front().size(), 0);
  for (const auto& row : table)
    for (std::size_t c = 0; c < row.size() && c < width.size(); ++c)
      width[c] = std::max(width[c], row[c].size());
  for (const auto& row : table) {
    std::string line;
    for (std::size_t c = 0; c < row.size() && c < width.size(); ++c) {
      if (c) line += "  ";
      const std::string pad(width[c] - row[c].size(), ' ');
      line += rightAligned[c] ? pad + row[c] : row[c] + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
  }
}

// The settings' columns and their registers, aligned.
void SettingsTable(const std::vector<const SettingRow*>& rows,
                   const std::vector<RegisterColumn>& columns, std::string& out) {
  std::vector<std::vector<std::string>> table;
  std::vector<std::string> head;
  std::vector<bool> right;
  for (const Column& c : kColumns) {
    head.emplace_back(c.header);
    right.push_back(true);
  }
  right[0] = false;
  for (const RegisterColumn& reg : columns) {
    head.push_back(reg.name);
    right.push_back(true);
  }
  table.push_back(head);
  for (const SettingRow* row : rows) {
    RowTexts t;
    Format(*row, t);
    std::vector<std::string> cells;
    for (const Text& text : t) cells.emplace_back(text.kind == CellKind::Null ? "-" : text.view());
    for (std::size_t i = 0; i < columns.size(); ++i)
      cells.push_back(i < row->registerCount ? HexText(row->registers[i], columns[i].width) : "-");
    table.push_back(std::move(cells));
  }
  WriteAligned(table, right, out);
}

void WriteTable(const ControllerReport& r, std::string& out) {
  std::size_t labelWidth = 0;
  for (const ReportLine& l : r.request) labelWidth = std::max(labelWidth, l.label.size());
  for (const ReportLine& l : r.afterSettings) labelWidth = std::max(labelWidth, l.label.size());
  const auto lines = [&](const std::vector<ReportLine>& list) {
    for (const ReportLine& l : list) {
      out += l.label + ':' + std::string(labelWidth - l.label.size() + 1, ' ');
      out += l.kind == CellKind::Null && l.text.empty() ? "-" : l.text;
      out += '\n';
    }
  };
  lines(r.request);
  if (!r.rows.empty()) {
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> head;
    for (const Cell& c : r.rows.front()) head.emplace_back(c.header);
    table.push_back(head);
    for (const auto& f : r.rows) {
      std::vector<std::string> row;
      for (const Cell& c : f) row.push_back(c.kind == CellKind::Null ? "-" : c.text);
      table.push_back(std::move(row));
    }
    if (!r.request.empty()) out += '\n';
    WriteAligned(table, std::vector<bool>(head.size(), false), out);
  }
  if (!r.settings.empty() || r.madeCount != 0 || r.kernelPick) {
    std::vector<SettingRow> held;  // made rows reuse one object: copied
    EachSetting(r, [&](const SettingRow& row) { held.push_back(row); });
    std::vector<const SettingRow*> rows;
    for (const SettingRow& row : held) rows.push_back(&row);
    out += '\n';
    SettingsTable(rows, r.registerColumns, out);
  }
  if (r.fd) WriteFdTable(r, out);
  if (!r.afterSettings.empty()) {
    out += '\n';
    lines(r.afterSettings);
  }
  for (const std::string& p : r.problems) out += "problem: " + p + '\n';
  if (!r.notes.empty()) out += '\n';
  for (const std::string& n : r.notes) out += "# " + n + '\n';
  if (r.pasteAsked) {
    out += "\n# " + r.pasteNote + '\n';
    if (!r.ipLink.empty())
      out += r.ipLink + "\n# systemd-networkd, in the device's .network file:\n" + r.networkd;
  }
}

// --- CAN FD: the data phase, the pairs and TDC ---------------------------

struct ComboColumn {
  const char* key;
  const char* header;
};

constexpr ComboColumn kComboColumns[] = {
    {"index", "#"},          {"recommended", "rec"},       {"nominal_index", "N#"},
    {"data_index", "D#"},    {"brp", "brp"},               {"prop_seg", "prop"},
    {"phase_seg1", "ps1"},   {"phase_seg2", "ps2"},        {"sjw", "sjw"},
    {"data_brp", "dbrp"},    {"data_prop_seg", "dprop"},   {"data_phase_seg1", "dps1"},
    {"data_phase_seg2", "dps2"}, {"data_sjw", "dsjw"},     {"fd_tolerance_ppm", "FD tol(ppm)"},
    {"limiting_condition", "cond"}, {"tolerance_ok", "tol ok"}, {"settings_ok", "set ok"},
};
constexpr std::size_t kComboColumnCount = sizeof kComboColumns / sizeof kComboColumns[0];

std::array<Text, kComboColumnCount> ComboTexts(const FdComboRow& c) {
  std::array<Text, kComboColumnCount> t;
  PutWhole(t[0], c.index);
  PutBool(t[1], c.recommended);
  if (c.nominalIndex) PutWhole(t[2], c.nominalIndex); else Put(t[2], "", CellKind::Null);
  if (c.dataIndex) PutWhole(t[3], c.dataIndex); else Put(t[3], "", CellKind::Null);
  const cantiming::PhaseTiming* phases[] = {&c.nominal, &c.data};
  for (int p = 0; p < 2; ++p) {
    PutWhole(t[4 + 5 * p], phases[p]->brp);
    PutWhole(t[5 + 5 * p], phases[p]->propSeg);
    PutWhole(t[6 + 5 * p], phases[p]->phaseSeg1);
    PutWhole(t[7 + 5 * p], phases[p]->phaseSeg2);
    PutWhole(t[8 + 5 * p], phases[p]->sjw);
  }
  PutDecimal(t[14], c.tolerancePpm, 1);
  PutWhole(t[15], static_cast<std::uint64_t>(c.limitingCondition));
  PutBool(t[16], c.toleranceOk);
  PutBool(t[17], c.settingsOk);
  return t;
}

void JsonText(const Text& t, std::string& out) { JsonValue(t.view(), t.kind, out); }

void JsonTiming(const cantiming::PhaseTiming& p, std::string& out) {
  // Five keys and five numbers of at most ten digits each.
  char text[128];
  char* end = text;
  const auto put = [&end](std::string_view key, std::uint64_t value) {
    end = std::copy(key.begin(), key.end(), end);
    end = PutWhole(end, value);
  };
  put("{\"brp\": ", p.brp);
  put(", \"prop_seg\": ", p.propSeg);
  put(", \"phase_seg1\": ", p.phaseSeg1);
  put(", \"phase_seg2\": ", p.phaseSeg2);
  put(", \"sjw\": ", p.sjw);
  *end++ = '}';
  out.append(text, static_cast<std::size_t>(end - text));
}

void JsonTdc(const char* key, const std::vector<ReportLine>& lines,
             const std::vector<std::pair<std::string, std::string>>& registers, std::string& out) {
  out += ",\n  \"";
  out += key;
  out += "\": ";
  if (lines.empty()) {
    out += "null";
    return;
  }
  out += '{';
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) out += ", ";
    JsonString(lines[i].key, out);
    out += ": ";
    JsonValue(lines[i].text, lines[i].kind, out);
  }
  out += ", \"registers\": {";
  for (std::size_t i = 0; i < registers.size(); ++i) {
    if (i) out += ", ";
    JsonString(registers[i].first, out);
    out += ": ";
    JsonString(registers[i].second, out);
  }
  out += "}}";
}

void WriteFdJson(const ControllerReport& r, std::string& out, Sink& sink) {
  out += ",\n  \"data_settings\": [";
  for (std::size_t i = 0; i < r.dataSettings.size(); ++i) {
    out += i ? ",\n    " : "\n    ";
    JsonSetting(r.dataRegisterColumns, r.dataSettings[i], out);
    sink.Flush(kChunk);
  }
  out += r.dataSettings.empty() ? "]" : "\n  ]";
  if (r.hasDataKernelPick) {
    out += ",\n  \"data_kernel_pick\": ";
    if (r.dataKernelPick)
      JsonSetting(r.dataRegisterColumns, *r.dataKernelPick, out);
    else
      out += "null";
  }
  out += ",\n  \"combinations\": [";
  for (std::size_t i = 0; i < r.combinations.size(); ++i) {
    const FdComboRow& c = r.combinations[i];
    const auto t = ComboTexts(c);
    out += i ? ",\n    {" : "\n    {";
    for (std::size_t k = 0; k < 4; ++k) {
      if (k) out += ", ";
      JsonString(kComboColumns[k].key, out);
      out += ": ";
      JsonText(t[k], out);
    }
    out += ", \"nominal\": ";
    JsonTiming(c.nominal, out);
    out += ", \"data\": ";
    JsonTiming(c.data, out);
    for (std::size_t k = 14; k < kComboColumnCount; ++k) {
      out += ", ";
      JsonString(kComboColumns[k].key, out);
      out += ": ";
      JsonText(t[k], out);
    }
    out += ", \"same_brp\": ";
    out += c.nominal.brp == c.data.brp ? "true" : "false";
    out += '}';
  }
  out += r.combinations.empty() ? "]" : "\n  ]";
  JsonTdc("tdc", r.tdc, r.tdcRegisters, out);
  if (r.hasDataKernelPick) JsonTdc("kernel_tdc", r.kernelTdc, r.kernelTdcRegisters, out);
}

void CsvSection(const std::vector<std::pair<std::string, std::string>>& rows, std::string& out) {
  out += "\r\n";
  bool first = true;
  CsvAdd("key", first, out);
  CsvAdd("value", first, out);
  out += "\r\n";
  for (const auto& [key, value] : rows) {
    first = true;
    CsvAdd(key, first, out);
    CsvAdd(value, first, out);
    out += "\r\n";
  }
}

void WriteFdCsv(const ControllerReport& r, std::string& out, Sink& sink) {
  // The data phase: the nominal table's columns, its own registers.
  out += "\r\n";
  bool first = true;
  static constexpr std::pair<const char*, const char*> kRepeated[] = {
      {"controller", "controller"}, {"clock_hz", "clock_hz"}, {"data_bitrate", "asked_bitrate"}};
  for (const auto& [key, name] : kRepeated) CsvAdd(name, first, out);
  for (const Column& c : kColumns) CsvAdd(c.key, first, out);
  for (const RegisterColumn& reg : r.dataRegisterColumns) CsvAdd(reg.name, first, out);
  out += "\r\n";
  const auto row = [&](const SettingRow& s) {
    RowTexts t;
    Format(s, t);
    first = true;
    for (const auto& [key, name] : kRepeated) CsvAdd(RequestText(r, key), first, out);
    for (const Text& text : t) CsvAdd(text.kind == CellKind::Null ? "" : text.view(), first, out);
    for (std::size_t i = 0; i < r.dataRegisterColumns.size(); ++i)
      CsvAdd(i < s.registerCount ? HexText(s.registers[i], r.dataRegisterColumns[i].width) : "",
             first, out);
    out += "\r\n";
    sink.Flush(kChunk);
  };
  for (const SettingRow& s : r.dataSettings) row(s);
  if (r.dataKernelPick) row(*r.dataKernelPick);
  // The pairs.
  out += "\r\n";
  first = true;
  for (const ComboColumn& c : kComboColumns) CsvAdd(c.key, first, out);
  out += "\r\n";
  for (const FdComboRow& c : r.combinations) {
    first = true;
    for (const Text& text : ComboTexts(c)) CsvAdd(text.kind == CellKind::Null ? "" : text.view(), first, out);
    out += "\r\n";
  }
  // TDC, as key and value.
  std::vector<std::pair<std::string, std::string>> tdc;
  const auto add = [&](const char* prefix, const std::vector<ReportLine>& lines,
                       const std::vector<std::pair<std::string, std::string>>& registers) {
    for (const ReportLine& l : lines) tdc.emplace_back(prefix + l.key, l.kind == CellKind::Null ? "" : l.text);
    for (const auto& [name, value] : registers) tdc.emplace_back(prefix + std::string("register_") + name, value);
  };
  add("tdc_", r.tdc, r.tdcRegisters);
  add("kernel_tdc_", r.kernelTdc, r.kernelTdcRegisters);
  if (!tdc.empty()) CsvSection(tdc, out);
}

void WriteFdTable(const ControllerReport& r, std::string& out) {
  std::vector<const SettingRow*> rows;
  for (const SettingRow& s : r.dataSettings) rows.push_back(&s);
  if (r.dataKernelPick) rows.push_back(&*r.dataKernelPick);
  if (!rows.empty()) {
    out += '\n';
    SettingsTable(rows, r.dataRegisterColumns, out);
  }
  if (!r.combinations.empty()) {
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> head;
    for (const ComboColumn& c : kComboColumns) head.emplace_back(c.header);
    table.push_back(head);
    for (const FdComboRow& c : r.combinations) {
      std::vector<std::string> cells;
      for (const Text& text : ComboTexts(c)) cells.emplace_back(text.kind == CellKind::Null ? "-" : text.view());
      table.push_back(std::move(cells));
    }
    out += '\n';
    WriteAligned(table, std::vector<bool>(head.size(), true), out);
  }
  std::size_t width = 0;
  for (const auto* list : {&r.tdc, &r.kernelTdc})
    for (const ReportLine& l : *list) width = std::max(width, l.label.size());
  for (const auto& [lines, registers, title] :
       {std::tuple{&r.tdc, &r.tdcRegisters, "TDC"}, std::tuple{&r.kernelTdc, &r.kernelTdcRegisters, "Kernel's TDC"}}) {
    if (lines->empty()) continue;
    out += '\n';
    for (const ReportLine& l : *lines)
      out += l.label + ':' + std::string(width - l.label.size() + 1, ' ') +
             (l.kind == CellKind::Null && l.text.empty() ? "-" : l.text) + '\n';
    std::string regs;
    for (const auto& [name, value] : *registers) regs += (regs.empty() ? "" : " ") + name + "=" + value;
    if (!regs.empty()) {
      const std::string label = std::string(title) + " registers";
      out += label + ':' + std::string(width > label.size() ? width - label.size() + 1 : 1, ' ') + regs + '\n';
    }
  }
}

}  // namespace

std::string Decimal(double value, int decimals) {
  Text t;
  PutDecimal(t, value, std::clamp(decimals, 0, 6));
  return std::string(t.view());
}

std::string HexText(std::uint64_t value, unsigned width) {
  std::string text;
  AppendHex(value, width, text);
  return text;
}

std::vector<std::vector<Cell>> DecodedFieldRows(const cantiming::RegisterLayout& layout,
                                                const cantiming::Decoded& d) {
  using cantiming::Quantity;
  const auto num = [](std::uint64_t v) { return std::to_string(v); };
  std::vector<std::vector<Cell>> rows;
  for (const cantiming::Field& field : layout.fields) {
    const auto& decoded = *std::find_if(d.fields.begin(), d.fields.end(), [&](const auto& x) {
      return x.name == field.name && x.reg == field.reg;
    });
    std::vector<Cell> cells;
    cells.push_back({"field", "field", field.name, CellKind::Text});
    cells.push_back({"register", "register", field.reg, CellKind::Text});
    cells.push_back({"bits", "bits",
                     field.width == 1 ? num(field.lsb)
                                      : num(field.lsb + field.width - 1) + ".." + num(field.lsb),
                     CellKind::Text});
    cells.push_back({"raw", "raw", HexText(decoded.bits, field.width), CellKind::Text});
    cells.push_back({"holds", "holds", std::string(QuantityName(field.quantity)), CellKind::Text});
    cells.push_back({"coding", "coding", std::string(CodingName(field.coding)), CellKind::Text});
    const std::optional<std::uint64_t>& value = At(d.values, field.quantity);
    const bool holdsValue = field.quantity != Quantity::Other && field.quantity != Quantity::Constant;
    cells.push_back(holdsValue && value ? Cell{"value", "value", num(*value), CellKind::Number}
                                        : Cell{"value", "value", "", CellKind::Null});
    rows.push_back(std::move(cells));
  }
  return rows;
}

void WriteControllerReport(const ControllerReport& report, OutputFormat format,
                           std::ostream& out) {
  std::string buffer;
  buffer.reserve(kChunk + 8192);
  Sink sink{buffer, out};
  switch (format) {
    case OutputFormat::Json: WriteJson(report, buffer, sink); break;
    case OutputFormat::Csv: WriteCsv(report, buffer, sink); break;
    case OutputFormat::Table: WriteTable(report, buffer); break;
  }
  sink.Flush(0);
}

}  // namespace kelvane::cli
