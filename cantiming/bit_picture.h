#pragma once
// A picture of the bit: one row per setting or node, from the sync segment to
// the end of the bit, every row scaled to the same width so that equal sample
// points fall in the same column. As text for terminals and as SVG for
// browsers and documents.

#include <cstdint>
#include <span>
#include <string>

namespace kelvane::cantiming {

struct BitRow {
  std::string label;
  std::uint32_t propSeg = 0;    // in time quanta; the sync segment is one
  std::uint32_t phaseSeg1 = 0;
  std::uint32_t phaseSeg2 = 0;
  std::uint32_t sjw = 0;
  std::string note;             // printed after the row, e.g. its sample point
};

inline std::uint32_t QuantaPerBit(const BitRow& row) {
  return 1 + row.propSeg + row.phaseSeg1 + row.phaseSeg2;
}

struct TextPictureStyle {
  std::uint32_t width = 64;  // columns for one bit
  bool colour = false;       // ANSI colours; the caller decides (terminal, NO_COLOR)
};

// A legend line, then one line per row: its label, the bit with S (sync),
// P (prop-seg), A (phase-seg1) and B (phase-seg2), a '|' before the sample
// point, and in lower case the quanta within sjw of the sample point, the
// range by which resynchronisation may move it.
std::string TextPicture(std::span<const BitRow> rows, const TextPictureStyle& style = {});

// The same as a standalone SVG document: per row a group of labelled
// rectangles, the sample point line and the sjw range, then a legend.
std::string SvgPicture(std::span<const BitRow> rows, const std::string& title);

}  // namespace kelvane::cantiming
