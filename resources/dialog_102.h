#pragma once
// Template 102: the main window, its 96 controls in creation and tab order.

#include "dialog_template.h"

namespace kelvane::res {

extern const DialogTemplate kDialog102;

}  // namespace kelvane::res
