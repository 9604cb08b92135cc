#include "report_writers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cctype>

namespace kelvane::cli {

namespace {

bool LooksNumeric(const std::string& text) {
  return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-');
}

void WriteColumns(const std::vector<ReportRow>& rows, std::ostream& out) {
  if (rows.empty()) return;
  const ReportRow& first = rows.front();
  std::vector<std::size_t> width(first.size());
  std::vector<bool> numeric(first.size(), true);
  for (std::size_t c = 0; c < first.size(); ++c) {
    width[c] = first[c].header.size();
    for (const ReportRow& row : rows) {
      width[c] = std::max(width[c], row[c].text.size());
      numeric[c] = numeric[c] && LooksNumeric(row[c].text);
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
  for (const ReportRow& row : rows) line([&](std::size_t c) -> const std::string& { return row[c].text; });
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

void WriteCsvRows(const std::vector<ReportRow>& rows, std::ostream& out) {
  if (rows.empty()) return;
  for (std::size_t c = 0; c < rows.front().size(); ++c)
    out << (c ? "," : "") << CsvCell(rows.front()[c].key);
  out << "\r\n";
  for (const ReportRow& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "," : "") << CsvCell(row[c].text);
    out << "\r\n";
  }
}

QJsonObject ToJson(const ReportRow& row) {
  QJsonObject object;
  for (const ReportField& f : row) {
    const QString key = QString::fromStdString(f.key);
    if (f.integer)
      object.insert(key, static_cast<qint64>(std::stoll(f.text)));
    else
      object.insert(key, QString::fromStdString(f.text));
  }
  return object;
}

QJsonArray ToJson(const std::vector<ReportRow>& rows) {
  QJsonArray array;
  for (const ReportRow& row : rows) array.append(ToJson(row));
  return array;
}

}  // namespace

void WriteTable(const CalcReport& report, std::ostream& out) {
  std::size_t labelWidth = 0;
  for (const ReportField& f : report.request) labelWidth = std::max(labelWidth, f.header.size());
  for (const ReportField& f : report.request)
    out << f.header << ':' << std::string(labelWidth - f.header.size() + 1, ' ') << f.text << '\n';
  if (!report.pairs.empty()) {
    out << '\n';
    WriteColumns(report.pairs, out);
  }
  if (!report.rules.empty()) {
    out << '\n';
    WriteColumns(report.rules, out);
  }
}

void WriteCsv(const CalcReport& report, std::ostream& out) {
  out << "key,value\r\n";
  for (const ReportField& f : report.request) out << CsvCell(f.key) << ',' << CsvCell(f.text) << "\r\n";
  if (!report.pairs.empty()) {
    out << "\r\n";
    WriteCsvRows(report.pairs, out);
  }
  if (!report.rules.empty()) {
    out << "\r\n";
    WriteCsvRows(report.rules, out);
  }
}

void WriteJson(const CalcReport& report, std::ostream& out) {
  QJsonObject root;
  root.insert("request", ToJson(report.request));
  root.insert("pairs", ToJson(report.pairs));
  if (!report.rules.empty()) root.insert("rules", ToJson(report.rules));
  out << QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace kelvane::cli
