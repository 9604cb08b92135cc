#pragma once
// Control identifiers of dialog template 143, the transceiver editor.

#include "dialog_template.h"

namespace kelvane::res::editor_ids {

inline constexpr int kName = 1060;
inline constexpr int kDescription = 1104;
inline constexpr int kCount = 1098;             // "Number of Records"
inline constexpr int kRecordNumber = 1100;      // " Record"
inline constexpr int kInsertMode = 1101;        // "Insert mode"
inline constexpr int kEditMode = 1099;          // "Edit Mode"
inline constexpr int kPrevious = 1097;          // "<<<<"
inline constexpr int kNext = 1096;              // ">>>>"
inline constexpr int kModify = 3;               // "Modify"
inline constexpr int kDelete = 4;               // "Delete"
inline constexpr int kAdd = 1103;               // "Add"
inline constexpr int kClose = 8;                // "Close"

// The delay grid: 7 rows by 5 columns of digit-only boxes; box (row, column)
// has the identifier kDelayGridFirstId + 5 * row + column.
inline constexpr int kDelayGridFirstId = 1061;
inline constexpr int kDelayGridRows = 7;
inline constexpr int kDelayGridColumns = 5;
constexpr int DelayBoxId(int row, int column) {
  return kDelayGridFirstId + kDelayGridColumns * row + column;
}

}  // namespace kelvane::res::editor_ids
