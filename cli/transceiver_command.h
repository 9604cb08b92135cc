#pragma once
// "kelvane-calc transceiver ...": the transceiver file for scripts, backups and
// version control. It keeps the editor's rules and takes the store's lock for
// every write, so that it can run beside the window.

#include <ostream>
#include <string>
#include <vector>

namespace kelvane::cli {

// Whether the arguments (the program name first) ask for this command.
bool IsTransceiverCommand(const std::vector<std::string>& arguments);

// Runs it, out flushed. Exit status 0 done, 2 refused or bad usage, 3 file
// error; errors receives one line, starting with the program's name, for 2
// and 3.
int RunTransceiverCommand(const std::vector<std::string>& arguments, std::ostream& out,
                          std::ostream& errors);

}  // namespace kelvane::cli
