#pragma once
// The program's string table: the system-menu About caption and the prompts
// of menu 133's commands (kept with their commands; no status bar shows them).

#include <span>

namespace kelvane::res {

struct StringEntry {
  int id;
  const char* text;  // UTF-8
};

inline constexpr int kIdsAboutBox = 101;  // caption of the system menu's About entry

std::span<const StringEntry> StringTable();

// The string with this identifier, or "" when the table has none.
const char* LoadString(int id);

}  // namespace kelvane::res
