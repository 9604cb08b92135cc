#pragma once
// The text a dialog registered with its tooltip control for one control.

#include <QString>
#include <QWidget>

#include "multi_tip_ctrl.h"

namespace kelvane::testing {

inline QString ToolTextOf(const CMultiTipCtrl& tip, const QWidget* window) {
  for (const auto& tool : tip.Tools()) {
    if (tool->window == window) return tool->text;
  }
  return {};
}

inline int ToolCount(const CMultiTipCtrl& tip) { return static_cast<int>(tip.Tools().size()); }

}  // namespace kelvane::testing
