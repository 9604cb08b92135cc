#pragma once
// What kelvane-calc prints, as plain texts: the writers for the table, CSV and
// JSON forms all read this one structure, so the three always hold the same values.

#include <string>
#include <utility>
#include <vector>

namespace kelvane::cli {

struct ReportField {
  std::string key;     // stable name for CSV headers and JSON members
  std::string header;  // short caption for the table
  std::string text;    // the value as shown, in the window's text form
  bool integer = false;  // text is a decimal integer (a JSON number)
};

using ReportRow = std::vector<ReportField>;

// A field shown as its text stands, and one whose text is a decimal integer.
inline ReportField TextField(const char* key, const char* header, std::string text) {
  return {key, header, std::move(text), false};
}
inline ReportField IntegerField(const char* key, const char* header, std::string text) {
  return {key, header, std::move(text), true};
}

struct CalcReport {
  ReportRow request;            // the calculation's inputs and clock values, once
  std::vector<ReportRow> pairs; // in listing order
  std::vector<ReportRow> rules; // a decode's verdict on each rule; empty for a search
};

}  // namespace kelvane::cli
