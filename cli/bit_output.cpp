#include "bit_output.h"

#include "calc_options.h"
#include "calc_runner.h"
#include "data_file_location.h"

#include <cstdlib>
#include <fstream>

namespace kelvane::cli {

bool ColourWanted(bool terminal) {
  const char* noColor = std::getenv("NO_COLOR");
  return terminal && (noColor == nullptr || *noColor == '\0');
}

int DrawBits(const std::vector<BitBlock>& blocks, bool text, bool colour, const std::optional<std::string>& svgPath,
             const std::string& svgTitle, std::ostream& out, std::ostream& errors) {
  if (text) {
    cantiming::TextPictureStyle style;
    style.colour = colour;
    for (const BitBlock& b : blocks)
      if (!b.rows.empty()) out << '\n' << b.heading << ":\n" << cantiming::TextPicture(b.rows, style);
  }
  if (svgPath) {
    std::vector<cantiming::BitRow> all;
    for (const BitBlock& b : blocks) all.insert(all.end(), b.rows.begin(), b.rows.end());
    const std::string full = FullPath(*svgPath);
    std::ofstream file(full, std::ios::binary | std::ios::trunc);
    if (file) file << cantiming::SvgPicture(all, svgTitle);
    if (file) file.close();
    if (!file) {
      errors << "kelvane-calc: cannot write " << QuotedLine(full) << '\n';
      return kExitFile;
    }
  }
  return kExitListed;
}

std::vector<cantiming::BitRow> SettingBitRows(const ControllerReport& report, bool dataPhase) {
  std::vector<cantiming::BitRow> rows;
  auto add = [&](const SettingRow& s, std::string label) {
    const cantiming::PhaseTiming& t = s.setting.timing;
    rows.push_back({std::move(label), t.propSeg, t.phaseSeg1, t.phaseSeg2, t.sjw,
                    Decimal(s.setting.samplePointPct, 3) + " %  sjw " + std::to_string(t.sjw) + "  brp " +
                        std::to_string(t.brp) + "  " + std::to_string(t.QuantaPerBit()) + " tq"});
  };
  auto addListed = [&](const SettingRow& s) {
    // Built by appending: GCC 12 warns (-Wrestrict, wrongly) on "#" + a temporary.
    std::string label("#");
    label += std::to_string(s.index);
    if (s.recommended) label += " recommended";
    add(s, std::move(label));
  };
  for (const SettingRow& s : dataPhase ? report.dataSettings : report.settings) addListed(s);
  if (!dataPhase && report.make) {
    // A long list is made row by row as it is written; draw those rows too.
    SettingRow made;
    for (std::size_t i = 0; i < report.madeCount; ++i) {
      report.make(i, made);
      addListed(made);
    }
  }
  const std::optional<SettingRow>& kernel = dataPhase ? report.dataKernelPick : report.kernelPick;
  if (kernel) add(*kernel, "kernel's pick");
  return rows;
}

}  // namespace kelvane::cli
