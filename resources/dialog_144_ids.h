#pragma once
// Control identifiers of dialog template 144, the thank-you window.

#include "dialog_template.h"

namespace kelvane::res::thanks_ids {

inline constexpr int kClose = 1123;             // "Close"

}  // namespace kelvane::res::thanks_ids
