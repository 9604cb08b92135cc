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

// path made absolute, so that a message names the very file tried.
std::string FullPath(const std::string& path);

// The message for a transceiver file that is not there, at its full path; the
// working directory's file too when none was given (explicitPath empty).
std::string MissingDataFileMessage(const std::string& fullPath,
                                   const std::optional<std::string>& explicitPath);

}  // namespace kelvane::cli
