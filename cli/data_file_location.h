#pragma once
// Where kelvane-calc finds DataTran.Dat, so that it shares the window's file:
// the path given with --data-file; else ./DataTran.Dat when there is one;
// else the per-user folder where the desktop entry starts the window,
// ${XDG_DATA_HOME:-$HOME/.local/share}/kelvane/DataTran.Dat.

#include <optional>
#include <string>

namespace kelvane::cli {

// The per-user data folder, without a trailing slash; empty when neither
// XDG_DATA_HOME (absolute) nor HOME is set.
std::string UserDataFolder();

// The transceiver file to use. Never empty: with no per-user folder known it
// is "DataTran.Dat" in the working directory.
std::string DataFilePath(const std::optional<std::string>& explicitPath);

}  // namespace kelvane::cli
