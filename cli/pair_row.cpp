#include "pair_row.h"

#include "bus_timing.h"
#include "number_text.h"

#include <cmath>

namespace kelvane::cli {

namespace {
ReportField Text(const char* key, const char* header, std::string text) {
  return {key, header, std::move(text), false};
}
ReportField Integer(const char* key, const char* header, std::string text) {
  return {key, header, std::move(text), true};
}
}  // namespace

ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText,
                      double timeQuantum, int propSegment) {
  const double tolerance = OscillatorToleranceLimit(c.sjw, c.tseg1, c.tseg2, propSegment);
  const SocketCanTiming can = ToSocketCan(c.sjw, c.tseg1, c.tseg2, c.sam, propSegment);
  return {
      Integer("index", "#", FormatD(index)),
      Text("btr0", "BTR0", btr0),
      Text("btr1", "BTR1", btr1),
      Integer("sjw", "SJW", fields.sjw),
      Integer("brp", "BRP", fields.brp),
      Integer("sam", "SAM", fields.sam),
      Integer("tseg2", "TSEG2", fields.tseg2),
      Integer("tseg1", "TSEG1", fields.tseg1),
      Integer("nbt", "NBT", fields.nbt),
      Text("sample_point_pct", "SP%", fields.samplePoint),
      Text("bit_time_us", "TNBT(us)", fields.bitDuration),
      Integer("tq_ns", "Tscl(ns)", fields.timeQuantum),
      Text("rate_kbps", "kbit/s", fields.baudRate),
      Text("prop_tq", "PROP", propText),
      Text("tolerance_pct", "tol%", FormatF(tolerance * 100.0)),
      Integer("tolerance_ppm", "tol(ppm)", FormatFixed(tolerance * 1e6, 0)),
      // ip link takes whole nanoseconds; the nearest one.
      Integer("can_tq_ns", "tq(ns)", FormatDTruncated(std::round(timeQuantum))),
      Integer("can_prop_seg", "prop-seg", FormatD(can.propSeg)),
      Integer("can_phase_seg1", "phase-seg1", FormatD(can.phaseSeg1)),
      Integer("can_phase_seg2", "phase-seg2", FormatD(can.phaseSeg2)),
      Integer("can_sjw", "sjw", FormatD(can.sjw)),
      Text("can_triple_sampling", "triple-sampling", can.tripleSampling ? "on" : "off"),
  };
}

}  // namespace kelvane::cli
