#pragma once
// Control identifiers of dialog template 137, the rule dialog.

#include "dialog_template.h"

namespace kelvane::res::rule_ids {

inline constexpr int kOk = kIdOk;               // "OK"
inline constexpr int kCancel = kIdCancel;       // "Cancel"
inline constexpr int kRule1 = 1052;
inline constexpr int kRule2 = 1061;
inline constexpr int kRule3 = 1062;
inline constexpr int kRule4 = 1063;
inline constexpr int kRule5 = 1064;
inline constexpr int kRule6 = 1067;
inline constexpr int kRule7 = 1068;
inline constexpr int kRule8 = 1065;
inline constexpr int kRule9 = 1066;
inline constexpr int kRule10 = 1070;
inline constexpr int kRule11 = 1071;

}  // namespace kelvane::res::rule_ids
