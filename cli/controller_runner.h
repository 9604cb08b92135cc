#pragma once
// kelvane-calc for any controller profile: the exact settings for a rate with
// their registers and the kernel's own pick beside them, a decode of register
// values, a device's timing read from ip's JSON, and the list of controllers.

#include "calc_options.h"

#include <ostream>
#include <string_view>

namespace kelvane::cli {

int RunController(const CalcOptions& options, std::ostream& out, std::ostream& errors);

// True when name is the SJA1000 profile's name or one of its aliases: the
// window's own controller, which the SJA1000 search serves.
bool IsSja1000Profile(std::string_view name);

}  // namespace kelvane::cli
