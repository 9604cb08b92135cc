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
  bool boolean = false;  // text is "yes" or "no" (a JSON true or false)
  bool missing = false;  // no value: "-" in the table, empty in CSV, null in JSON
  bool jsonOnly = false; // several lines: JSON members only
  bool wide = false;     // too long for a table column: CSV and JSON only
};

using ReportRow = std::vector<ReportField>;

// A field shown as its text stands, and one whose text is a decimal integer.
inline ReportField TextField(const char* key, const char* header, std::string text) {
  return {key, header, std::move(text), false};
}
inline ReportField IntegerField(const char* key, const char* header, std::string text) {
  return {key, header, std::move(text), true};
}

inline ReportField BooleanField(const char* key, const char* header, bool value) {
  ReportField f{key, header, value ? "yes" : "no", false};
  f.boolean = true;
  return f;
}
inline ReportField MissingField(const char* key, const char* header, bool integer) {
  ReportField f{key, header, "", integer};
  f.missing = true;
  return f;
}
inline ReportField JsonOnlyField(const char* key, std::string text) {
  ReportField f{key, key, std::move(text), false};
  f.jsonOnly = true;
  return f;
}
inline ReportField WideField(const char* key, std::string text) {
  ReportField f{key, key, std::move(text), false};
  f.wide = true;
  return f;
}

struct CalcReport {
  ReportRow request;            // the calculation's inputs and clock values, once
  std::vector<ReportRow> pairs; // in listing order
  ReportRow pairColumns;        // a row of the pairs' form, for CSV's header when none is listed
  std::string pairsNote;        // the table's line under the pairs, or empty
  std::vector<ReportRow> rules; // a decode's verdict on each rule; empty for a search
  // --ip-link: the command and the networkd section for one pair, after the
  // lists; empty when not asked for. pasteNote says which pair, or why none.
  std::string ipLink;
  std::string networkd;
  std::string pasteNote;
  bool pasteAsked = false;
};

}  // namespace kelvane::cli
