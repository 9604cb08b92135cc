#pragma once
// Menu 133, the main window's menu bar, as data: one row per item, nested by depth.

#include <span>

namespace kelvane::res {

enum class MenuItemKind {
  Popup,      // opens the rows of the next depth that follow it
  Command,    // sends its command identifier
  Separator,
};

struct MenuItemTemplate {
  int depth;  // 0: on the menu bar
  MenuItemKind kind;
  const char* caption;  // "" for separators
  int command;          // 0 for popups and separators
  bool checked;         // the resource's initial check mark
};

struct MenuTemplate {
  int id;
  std::span<const MenuItemTemplate> items;  // in menu order, depth first
};

extern const MenuTemplate kMenu133;

// Command identifiers of menu 133.
namespace Cmd {
inline constexpr int Exit = 32775;
inline constexpr int RulesStandard = 32776;
inline constexpr int RulesEnableAll = 32778;
inline constexpr int RulesCustomize = 32779;
inline constexpr int About = 32780;
inline constexpr int WebPage = 32781;
inline constexpr int Transceiver = 32783;
inline constexpr int RulesDisableAll = 32784;
}  // namespace Cmd

}  // namespace kelvane::res
