#pragma once
// Control identifiers of dialog template 141, the transceiver selection.

#include "dialog_template.h"

namespace kelvane::res::selection_ids {

inline constexpr int kOk = kIdOk;               // "OK"
inline constexpr int kCancel = kIdCancel;       // "Cancel"
inline constexpr int kList = 1055;              // the transceivers
inline constexpr int kInsertNew = 1059;         // "Insert New..."
inline constexpr int kRefresh = 1061;           // "Refresh"
inline constexpr int kDescription = 1109;
inline constexpr int kStandard = 1111;          // "Use Standard Values"
inline constexpr int kFromTransceiver = 1112;   // "Values From Transceiver"
inline constexpr int kLogicDelay = 1113;        // the controller's own loop delay, ns
inline constexpr int kLineDelay = 1030;         // "Specific Line Delay", ns/meters
inline constexpr int kLineLength = 1031;        // meters
inline constexpr int kTTx = 1114;               // "tTX"
inline constexpr int kTRx = 1026;               // "tRX"
inline constexpr int kTProp = 1027;             // "tPROP"
inline constexpr int kTLoopEffect = 1028;       // "tLoopEffect"
inline constexpr int kTBus = 1029;              // "tBus"

}  // namespace kelvane::res::selection_ids
