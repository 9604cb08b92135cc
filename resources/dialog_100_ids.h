#pragma once
// Control identifiers of dialog template 100, the About box.

#include "dialog_template.h"

namespace kelvane::res::about_ids {

inline constexpr int kIconPicture = 1121;       // empty picture beside the program name
inline constexpr int kLogo = 1116;              // the maker's logo
inline constexpr int kWebButton = 1119;         // the web address
inline constexpr int kMailButton = 1120;        // the support mail address
inline constexpr int kOk = kIdOk;               // "OK"

}  // namespace kelvane::res::about_ids
