#pragma once
// What a --controller run prints. The settings are kept as numbers and
// formatted straight into one output buffer, column by column from one list
// of columns, so the table, CSV and JSON carry the same columns and a run of
// tens of thousands of settings stays fast.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc_options.h"
#include "registers.h"
#include "timing.h"

namespace kelvane::cli {

enum class CellKind { Text, Number, Bool, Null };

// A value of a small table (a decode's fields, the list of controllers).
struct Cell {
  std::string_view key;     // CSV header and JSON member
  std::string_view header;  // table caption
  std::string text;         // the value; for Bool "yes" or "no"
  CellKind kind = CellKind::Text;
};

struct ReportLine {
  std::string key;
  std::string label;
  std::string text;         // for Null: what the table shows ("-" when empty)
  CellKind kind = CellKind::Text;
};

inline constexpr std::size_t kMostRegisters = 8;

// One setting as listed: its figures, checks and register values.
struct SettingRow {
  const char* source = "kelvane";  // kelvane, kernel, registers
  std::size_t index = 0;           // 0: none
  bool recommended = false;
  cantiming::Setting setting;
  bool toleranceOk = true;
  bool propagationOk = true;
  std::uint8_t registerCount = 0;  // 0: no registers (unknown layout, or they cannot hold it)
  std::array<std::uint64_t, kMostRegisters> registers{};
};

struct RegisterColumn {
  std::string name;
  unsigned width = 8;
};

// A CAN FD pair as listed: the two timings, the five-condition tolerance.
struct FdComboRow {
  std::size_t index = 0;
  bool recommended = false;
  std::size_t nominalIndex = 0;  // the row of each list that holds it; 0: not listed
  std::size_t dataIndex = 0;
  cantiming::PhaseTiming nominal;
  cantiming::PhaseTiming data;
  double tolerancePpm = 0.0;
  int limitingCondition = 0;
  bool toleranceOk = true;   // largest rate error + oscillator tolerance within it
  bool settingsOk = true;    // neither setting marked in its own list
};

struct ControllerReport {
  std::vector<ReportLine> request;       // top-level members, in order
  std::vector<SettingRow> settings;
  // More settings after those, made one at a time as they are written, so
  // that a list of tens of thousands is never held whole: make(i, row) fills
  // the i-th of madeCount.
  std::size_t madeCount = 0;
  std::function<void(std::size_t, SettingRow&)> make;
  std::vector<RegisterColumn> registerColumns;  // in layout order
  bool hasKernelPick = false;            // the member is written (null when empty)
  std::optional<SettingRow> kernelPick;
  std::vector<ReportLine> afterSettings; // the kernel's pick explained, ...
  std::vector<std::vector<Cell>> rows;   // a decode's fields, or the controllers
  const char* rowsKey = "fields";
  std::vector<std::string> problems;     // what the registers or limits do not allow
  bool withProblems = false;             // the member is written
  std::vector<std::string> notes;        // sentences: "# ..." in the table
  bool pasteAsked = false;
  std::string pasteNote, ipLink, networkd;

  // CAN FD: the data phase listed as the nominal one, the kernel's pick for
  // it, the pairs, and TDC (members of "tdc" and "kernel_tdc").
  bool fd = false;
  std::vector<SettingRow> dataSettings;
  std::vector<RegisterColumn> dataRegisterColumns;
  bool hasDataKernelPick = false;
  std::optional<SettingRow> dataKernelPick;
  std::vector<FdComboRow> combinations;
  std::vector<ReportLine> tdc;
  std::vector<ReportLine> kernelTdc;
  std::vector<std::pair<std::string, std::string>> tdcRegisters;  // name, "0x.."
  std::vector<std::pair<std::string, std::string>> kernelTdcRegisters;
};

void WriteControllerReport(const ControllerReport& report, OutputFormat format, std::ostream& out);

// A number as JSON and the table show it: at most `decimals` places (0 to
// 6), no trailing zeros ("87.5", "125000", "-4.167").
std::string Decimal(double value, int decimals);

// "0x1C", zero-padded to the register's width.
std::string HexText(std::uint64_t value, unsigned width);

// One row per field of layout as d decoded it: the field, its register and
// bits, the raw bits, what it holds, its coding and the value it gives (null
// for constant and other bits).
std::vector<std::vector<Cell>> DecodedFieldRows(const cantiming::RegisterLayout& layout,
                                                const cantiming::Decoded& d);

}  // namespace kelvane::cli
