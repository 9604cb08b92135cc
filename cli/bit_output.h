#pragma once
// The picture of the bit after a list or a plan: as text on standard output
// (in colour only on a terminal, and not when NO_COLOR is set) and as an SVG
// file.

#include "bit_picture.h"
#include "controller_report.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelvane::cli {

// Colours for a terminal, unless NO_COLOR is set to anything.
bool ColourWanted(bool terminal);

struct BitBlock {
  std::string heading;  // "The bit at 500 kbit/s"
  std::vector<cantiming::BitRow> rows;
};

// Writes the blocks as text when `text`, and all their rows into one SVG at
// svgPath when given. 0, or 3 with one line on errors when the SVG cannot be written.
int DrawBits(const std::vector<BitBlock>& blocks, bool text, bool colour, const std::optional<std::string>& svgPath,
             const std::string& svgTitle, std::ostream& out, std::ostream& errors);

// The rows of a --controller list: each listed setting, then the kernel's
// pick; of the nominal phase or of the data phase.
std::vector<cantiming::BitRow> SettingBitRows(const ControllerReport& report, bool dataPhase);

}  // namespace kelvane::cli
