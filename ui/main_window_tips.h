#pragma once
// The tips of the main window's controls, in the order they are registered.

#include <span>

namespace kelvane::ui {

struct ControlTip {
  int id;
  const char* text;  // \n breaks a line; \r starts the text shown after a click
};

std::span<const ControlTip> MainWindowTips();

}  // namespace kelvane::ui
