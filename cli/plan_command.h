#pragma once
// kelvane-calc plan: one bit timing for every node of a bus.

#include <ostream>
#include <string>
#include <vector>

namespace kelvane::cli {

// The arguments start with "plan" (after the program's name).
bool IsPlanCommand(const std::vector<std::string>& arguments);

// 0 a plan, 1 no plan (why, and what would make one), 2 bad usage or input,
// 3 a file that cannot be read or written.
int RunPlanCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors,
                   bool outIsTerminal);

}  // namespace kelvane::cli
