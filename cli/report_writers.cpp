#include "report_writers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace kelvane::cli {

namespace {

// A fixed-point value such as "87.500000"; register texts such as "80" are not.
bool LooksFixed(const std::string& text) {
  return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-') &&
         text.find('.') != std::string::npos;
}

// A missing value's table text.
const std::string kNoValue = "-";

const std::string& Shown(const ReportField& f) { return f.missing ? kNoValue : f.text; }

// The fields of a row a form shows: the table leaves out the wide ones too.
ReportRow Visible(const ReportRow& row, bool table) {
  ReportRow kept;
  kept.reserve(row.size());
  for (const ReportField& f : row)
    if (!f.jsonOnly && !(table && f.wide)) kept.push_back(f);
  return kept;
}

// The rows without their JSON-only and wide members, for the table.
std::vector<ReportRow> Columns(const std::vector<ReportRow>& rows) {
  std::vector<ReportRow> out;
  out.reserve(rows.size());
  for (const ReportRow& row : rows) out.push_back(Visible(row, true));
  return out;
}

void WriteColumns(const std::vector<ReportRow>& allRows, std::ostream& out) {
  if (allRows.empty()) return;
  const std::vector<ReportRow> rows = Columns(allRows);
  const ReportRow& first = rows.front();
  std::vector<std::size_t> width(first.size());
  std::vector<bool> numeric(first.size(), true);
  for (std::size_t c = 0; c < first.size(); ++c) {
    width[c] = first[c].header.size();
    for (const ReportRow& row : rows) {
      width[c] = std::max(width[c], Shown(row[c]).size());
      numeric[c] = numeric[c] && (row[c].missing || row[c].integer || LooksFixed(row[c].text));
    }
  }
  auto line = [&](auto cell) {
    std::string text;
    for (std::size_t c = 0; c < first.size(); ++c) {
      const std::string& value = cell(c);
      if (c > 0) text += "  ";
      // Numbers right-aligned, words left-aligned.
      const std::string pad(width[c] - value.size(), ' ');
      text += numeric[c] ? pad + value : value + pad;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out << text << '\n';
  };
  line([&](std::size_t c) -> const std::string& { return first[c].header; });
  for (const ReportRow& row : rows)
    line([&](std::size_t c) -> const std::string& { return Shown(row[c]); });
}

// A rule's name as part of a CSV key: "large-tolerance" as large_tolerance.
std::string KeyPart(std::string text) {
  std::replace(text.begin(), text.end(), '-', '_');
  return text;
}

void WriteCsvLine(const std::vector<std::string>& cells, std::ostream& out) {
  for (std::size_t c = 0; c < cells.size(); ++c) out << (c ? "," : "") << CsvCell(cells[c]);
  out << "\r\n";
}

// Members keep the report's order, so the JSON reads like the table.
using Json = nlohmann::ordered_json;

Json ToJson(const ReportRow& row) {
  Json object = Json::object();
  for (const ReportField& f : row) {
    if (f.missing)
      object[f.key] = nullptr;
    else if (f.boolean)
      object[f.key] = f.text == "yes";
    else if (f.integer)
      object[f.key] = std::stoll(f.text);
    else
      object[f.key] = f.text;
  }
  return object;
}

Json ToJson(const std::vector<ReportRow>& rows) {
  Json array = Json::array();
  for (const ReportRow& row : rows) array.push_back(ToJson(row));
  return array;
}

}  // namespace

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

void WriteTable(const CalcReport& report, std::ostream& out) {
  std::size_t labelWidth = 0;
  for (const ReportField& f : report.request) labelWidth = std::max(labelWidth, f.header.size());
  for (const ReportField& f : report.request)
    out << f.header << ':' << std::string(labelWidth - f.header.size() + 1, ' ') << Shown(f)
        << '\n';
  if (!report.pairs.empty()) {
    out << '\n';
    WriteColumns(report.pairs, out);
    if (!report.pairsNote.empty()) out << "\n# " << report.pairsNote << '\n';
  }
  if (!report.rules.empty()) {
    out << '\n';
    WriteColumns(report.rules, out);
  }
  if (report.pasteAsked && !report.pasteNote.empty()) {
    out << "\n# " << report.pasteNote << '\n';
    if (!report.ipLink.empty()) {
      out << report.ipLink << "\n# systemd-networkd, in the device's .network file:\n"
          << report.networkd;
    }
  }
}

void WriteCsv(const CalcReport& report, std::ostream& out) {
  // What every row repeats after the pair's own cells: a decode's rule
  // verdicts, the --ip-link block, then the request.
  std::vector<std::string> keys, shared;
  for (const ReportRow& rule : report.rules) {
    const std::string prefix = "rule_" + KeyPart(rule.empty() ? "" : rule.front().text) + "_";
    for (std::size_t i = 1; i < rule.size(); ++i) {
      keys.push_back(prefix + rule[i].key);
      shared.push_back(rule[i].text);
    }
  }
  if (report.pasteAsked && !report.pasteNote.empty()) {
    keys.insert(keys.end(), {"paste_pair", "paste_ip_link", "paste_networkd"});
    shared.insert(shared.end(), {report.pasteNote, report.ipLink, report.networkd});
  }
  for (const ReportField& f : Visible(report.request, false)) {
    keys.push_back("request_" + f.key);
    shared.push_back(f.text);
  }

  std::vector<std::string> header;
  for (const ReportField& f :
       Visible(report.pairs.empty() ? report.pairColumns : report.pairs.front(), false))
    header.push_back(f.key);
  header.insert(header.end(), keys.begin(), keys.end());
  WriteCsvLine(header, out);
  for (const ReportRow& row : report.pairs) {
    std::vector<std::string> cells;
    for (const ReportField& f : Visible(row, false)) cells.push_back(f.text);
    cells.insert(cells.end(), shared.begin(), shared.end());
    WriteCsvLine(cells, out);
  }
}

void WriteJson(const CalcReport& report, std::ostream& out) {
  Json root = Json::object();
  root["request"] = ToJson(report.request);
  root["pairs"] = ToJson(report.pairs);
  if (!report.rules.empty()) root["rules"] = ToJson(report.rules);
  if (report.pasteAsked && !report.pasteNote.empty()) {
    Json paste = Json::object();
    paste["pair"] = report.pasteNote;
    paste["ip_link"] = report.ipLink.empty() ? Json(nullptr) : Json(report.ipLink);
    paste["networkd"] = report.networkd.empty() ? Json(nullptr) : Json(report.networkd);
    root["paste"] = paste;
  }
  // Texts that are not UTF-8 (a name typed in another encoding) are replaced,
  // never a reason to fail.
  out << root.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace kelvane::cli
