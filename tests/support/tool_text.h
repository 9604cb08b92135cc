#pragma once
// The text a dialog registered with its tooltip control for one control.

#include <QString>
#include <QWidget>

#include "ox_tooltip_ctrl.h"

namespace kelvane::testing {

inline QString ToolTextOf(const COXToolTipCtrl& tip, const QWidget* window) {
  for (const auto& tool : tip.Tools()) {
    if (tool->window == window) return tool->text;
  }
  return {};
}

inline int ToolCount(const COXToolTipCtrl& tip) { return static_cast<int>(tip.Tools().size()); }

}  // namespace kelvane::testing
