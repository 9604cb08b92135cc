#include "bit_picture.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace kelvane::cantiming {

namespace {

enum Segment { kSync, kProp, kPhase1, kPhase2 };

struct SegmentLook {
  char letter;
  const char* name;
  const char* ansi;       // background and text colour
  const char* ansiNear;   // the same, lighter, within sjw of the sample point
  const char* fill;       // SVG
  const char* ink;        // SVG text on the fill
};

constexpr std::array<SegmentLook, 4> kLooks{{
    {'S', "sync", "30;47", "30;47", "#8c8c8c", "#ffffff"},
    {'P', "prop-seg", "97;44", "30;104", "#4a78b5", "#ffffff"},
    {'A', "phase-seg1", "30;42", "30;102", "#7fb24a", "#1a1a1a"},
    {'B', "phase-seg2", "30;43", "30;103", "#e8b339", "#1a1a1a"},
}};

constexpr const char* kSampleAnsi = "1;31";
constexpr const char* kSampleStroke = "#c62828";

std::uint32_t Lengths(const BitRow& row, Segment s) {
  switch (s) {
    case kSync: return 1;
    case kProp: return row.propSeg;
    case kPhase1: return row.phaseSeg1;
    case kPhase2: return row.phaseSeg2;
  }
  return 0;
}

// Quanta k of n at width columns, rounded half up.
std::uint32_t Column(std::uint64_t k, std::uint64_t n, std::uint32_t width) {
  return static_cast<std::uint32_t>((2 * k * width + n) / (2 * n));
}

// Where each segment ends, in columns. The sample point comes from the
// share alone, so rows with equal sample points agree on it; a segment that
// has quanta keeps at least one column when the bit has more quanta than the
// picture has columns.
std::array<std::uint32_t, 4> Ends(const BitRow& row, std::uint32_t width) {
  const std::uint32_t n = QuantaPerBit(row);
  const std::uint32_t before = 1 + row.propSeg + row.phaseSeg1;
  const std::uint32_t needProp = row.propSeg > 0, need1 = row.phaseSeg1 > 0, need2 = row.phaseSeg2 > 0;
  std::uint32_t sample = Column(before, n, width);
  sample = std::clamp(sample, 1 + needProp + need1, width - need2);
  std::uint32_t sync = std::max<std::uint32_t>(1, Column(1, n, width));
  sync = std::min(sync, sample - needProp - need1);
  std::uint32_t prop = std::clamp(Column(1 + row.propSeg, n, width), sync + needProp, sample - need1);
  return {sync, prop, sample, width};
}

void AppendEscaped(std::string& out, const std::string& text) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  std::string text = buffer;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

bool Drawable(const BitRow& row) {
  // Overflow guard: a bit of more than 2^20 quanta is no controller's.
  return QuantaPerBit(row) < (1u << 20) && row.propSeg < (1u << 20) && row.phaseSeg1 < (1u << 20) &&
         row.phaseSeg2 < (1u << 20);
}

}  // namespace

std::string TextPicture(std::span<const BitRow> rows, const TextPictureStyle& style) {
  const std::uint32_t width = std::max<std::uint32_t>(style.width, 8);
  std::size_t labelWidth = 0;
  for (const BitRow& row : rows) labelWidth = std::max(labelWidth, row.label.size());
  // Colours change only between runs of one style, and every line ends reset.
  const char* current = nullptr;
  auto paint = [&](std::string& out, const char* ansi, char c) {
    if (style.colour && ansi != current) out += std::string("\x1b[0;") + ansi + "m";
    current = ansi;
    out += c;
  };
  auto plain = [&](std::string& out) {
    if (style.colour && current) out += "\x1b[0m";
    current = nullptr;
  };
  std::string out(labelWidth + 2, ' ');
  for (const SegmentLook& look : kLooks) {
    paint(out, look.ansi, look.letter);
    plain(out);
    out += std::string(" ") + look.name + "  ";
  }
  paint(out, kSampleAnsi, '|');
  plain(out);
  out += " sample point  lower case: within sjw of it\n";
  for (const BitRow& row : rows) {
    out += row.label;
    out += std::string(labelWidth + 2 - row.label.size(), ' ');
    if (!Drawable(row)) {
      out += "(no picture: too many quanta)\n";
      continue;
    }
    const std::uint32_t n = QuantaPerBit(row);
    const std::uint32_t before = 1 + row.propSeg + row.phaseSeg1;
    const std::array<std::uint32_t, 4> ends = Ends(row, width);
    // The resynchronisation range: sjw quanta either side of the sample point.
    const std::uint32_t nearLo =
        std::max(ends[kSync], Column(before - std::min(before, row.sjw), n, width));
    const std::uint32_t nearHi = Column(std::min(n, before + row.sjw), n, width);
    std::uint32_t segment = kSync;
    for (std::uint32_t col = 0; col < width; ++col) {
      while (col >= ends[segment]) ++segment;
      if (col == ends[kPhase1]) paint(out, kSampleAnsi, '|');
      const SegmentLook& look = kLooks[segment];
      const bool near = row.sjw > 0 && col >= nearLo && col < nearHi;
      paint(out, near ? look.ansiNear : look.ansi,
            near ? static_cast<char>(look.letter - 'A' + 'a') : look.letter);
    }
    if (ends[kPhase1] == width) paint(out, kSampleAnsi, '|');
    plain(out);
    if (!row.note.empty()) out += "  " + row.note;
    out += '\n';
  }
  return out;
}

std::string SvgPicture(std::span<const BitRow> rows, const std::string& title) {
  constexpr double kBitWidth = 640, kRowHeight = 24, kRowStep = 40, kCharWidth = 7.2, kTop = 34;
  std::size_t labelChars = 0, noteChars = 0;
  for (const BitRow& row : rows) {
    labelChars = std::max(labelChars, row.label.size());
    noteChars = std::max(noteChars, row.note.size());
  }
  const double left = 10 + kCharWidth * static_cast<double>(labelChars) + 10;
  const double width = left + kBitWidth + 12 + kCharWidth * static_cast<double>(noteChars) + 10;
  const double legendTop = kTop + kRowStep * static_cast<double>(rows.size()) + 6;
  const double height = legendTop + 30;

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" +
         Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>";
  AppendEscaped(out, title);
  out += "</title>\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n<text x=\"10\" y=\"18\" "
         "font-size=\"14\" font-weight=\"bold\">";
  AppendEscaped(out, title);
  out += "</text>\n";

  for (std::size_t r = 0; r < rows.size(); ++r) {
    const BitRow& row = rows[r];
    const double y = kTop + kRowStep * static_cast<double>(r);
    out += "<g class=\"row\" data-label=\"";
    AppendEscaped(out, row.label);
    out += "\">\n<text class=\"label\" x=\"10\" y=\"" + Number(y + 16) + "\">";
    AppendEscaped(out, row.label);
    out += "</text>\n";
    if (!Drawable(row)) {
      out += "</g>\n";
      continue;
    }
    const double n = QuantaPerBit(row);
    const double tq = kBitWidth / n;
    double x = left;
    for (int s = kSync; s <= kPhase2; ++s) {
      const std::uint32_t quanta = Lengths(row, static_cast<Segment>(s));
      if (quanta == 0) continue;
      const SegmentLook& look = kLooks[static_cast<std::size_t>(s)];
      const double w = tq * quanta;
      out += std::string("<rect class=\"segment ") + look.name + "\" data-tq=\"" +
             std::to_string(quanta) + "\" x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" +
             Number(w) + "\" height=\"" + Number(kRowHeight) + "\" fill=\"" + look.fill +
             "\" stroke=\"#ffffff\" stroke-width=\"1\"><title>" + look.name + ": " +
             std::to_string(quanta) + " tq</title></rect>\n";
      const std::string text = w >= 40   ? std::string(1, look.letter) + " " + std::to_string(quanta)
                               : w >= 10 ? std::string(1, look.letter)
                                         : std::string();
      if (!text.empty())
        out += "<text x=\"" + Number(x + w / 2) + "\" y=\"" + Number(y + 16) +
               "\" text-anchor=\"middle\" fill=\"" + look.ink + "\">" + text + "</text>\n";
      x += w;
    }
    const double before = 1.0 + row.propSeg + row.phaseSeg1;
    const double sampleX = left + tq * before;
    if (row.sjw > 0) {
      const double lo = std::max(left + tq, sampleX - tq * row.sjw);
      const double hi = std::min(left + kBitWidth, sampleX + tq * row.sjw);
      out += "<rect class=\"sjw\" x=\"" + Number(lo) + "\" y=\"" + Number(y + kRowHeight + 3) +
             "\" width=\"" + Number(hi - lo) + "\" height=\"5\" fill=\"" + kSampleStroke +
             "\" fill-opacity=\"0.45\"><title>sjw: " + std::to_string(row.sjw) + " tq</title></rect>\n";
    }
    out += "<line class=\"sample-point\" x1=\"" + Number(sampleX) + "\" y1=\"" + Number(y - 4) +
           "\" x2=\"" + Number(sampleX) + "\" y2=\"" + Number(y + kRowHeight + 9) + "\" stroke=\"" +
           kSampleStroke + "\" stroke-width=\"2\"/>\n";
    if (!row.note.empty()) {
      out += "<text class=\"note\" x=\"" + Number(left + kBitWidth + 12) + "\" y=\"" + Number(y + 16) + "\">";
      AppendEscaped(out, row.note);
      out += "</text>\n";
    }
    out += "</g>\n";
  }

  out += "<g class=\"legend\">\n";
  double x = 10;
  for (const SegmentLook& look : kLooks) {
    out += "<rect x=\"" + Number(x) + "\" y=\"" + Number(legendTop) + "\" width=\"14\" height=\"14\" fill=\"" +
           look.fill + "\"/>\n<text x=\"" + Number(x + 19) + "\" y=\"" + Number(legendTop + 11) + "\">" +
           look.letter + " " + look.name + "</text>\n";
    x += 19 + kCharWidth * (3 + static_cast<double>(std::char_traits<char>::length(look.name))) + 12;
  }
  out += "<line x1=\"" + Number(x + 7) + "\" y1=\"" + Number(legendTop - 2) + "\" x2=\"" + Number(x + 7) +
         "\" y2=\"" + Number(legendTop + 16) + "\" stroke=\"" + kSampleStroke +
         "\" stroke-width=\"2\"/>\n<text x=\"" + Number(x + 19) + "\" y=\"" + Number(legendTop + 11) +
         "\">sample point</text>\n";
  x += 19 + kCharWidth * 12 + 12;
  out += "<rect x=\"" + Number(x) + "\" y=\"" + Number(legendTop + 5) + "\" width=\"14\" height=\"5\" fill=\"" +
         kSampleStroke + "\" fill-opacity=\"0.45\"/>\n<text x=\"" + Number(x + 19) + "\" y=\"" +
         Number(legendTop + 11) + "\">sjw: how far resynchronisation may move it</text>\n</g>\n</svg>\n";
  return out;
}

}  // namespace kelvane::cantiming
