#pragma once
// " Insert and Edit Transceivers": the editor of the transceiver file.

#include "dialog_template.h"

namespace kelvane::res {

const DialogTemplate& Dialog143();

// The delay grid: 7 rows by 5 columns of digit-only boxes; box (row, column)
// has the identifier kDelayGridFirstId + 5 * row + column.
inline constexpr int kDelayGridFirstId = 1061;
inline constexpr int kDelayGridRows = 7;
inline constexpr int kDelayGridColumns = 5;
constexpr int DelayBoxId(int row, int column) {
  return kDelayGridFirstId + kDelayGridColumns * row + column;
}

}  // namespace kelvane::res
