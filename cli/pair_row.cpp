#include "pair_row.h"

#include "bus_timing.h"
#include "number_text.h"

#include <cmath>

namespace kelvane::cli {

ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText,
                      double timeQuantum, int propSegment) {
  const double tolerance = OscillatorToleranceLimit(c.sjw, c.tseg1, c.tseg2, propSegment);
  const SocketCanTiming can = ToSocketCan(c.sjw, c.tseg1, c.tseg2, c.sam, propSegment);
  return {
      IntegerField("index", "#", FormatD(index)),
      TextField("btr0", "BTR0", btr0),
      TextField("btr1", "BTR1", btr1),
      IntegerField("sjw", "SJW", fields.sjw),
      IntegerField("brp", "BRP", fields.brp),
      IntegerField("sam", "SAM", fields.sam),
      IntegerField("tseg2", "TSEG2", fields.tseg2),
      IntegerField("tseg1", "TSEG1", fields.tseg1),
      IntegerField("nbt", "NBT", fields.nbt),
      TextField("sample_point_pct", "SP%", fields.samplePoint),
      TextField("bit_time_us", "TNBT(us)", fields.bitDuration),
      IntegerField("tq_ns", "Tscl(ns)", fields.timeQuantum),
      TextField("rate_kbps", "kbit/s", fields.baudRate),
      TextField("prop_tq", "PROP", propText),
      TextField("tolerance_pct", "tol%", FormatF(tolerance * 100.0)),
      IntegerField("tolerance_ppm", "tol(ppm)", FormatFixed(tolerance * 1e6, 0)),
      // ip link takes whole nanoseconds; the nearest one.
      IntegerField("can_tq_ns", "tq(ns)", FormatDTruncated(std::round(timeQuantum))),
      IntegerField("can_prop_seg", "prop-seg", FormatD(can.propSeg)),
      IntegerField("can_phase_seg1", "phase-seg1", FormatD(can.phaseSeg1)),
      IntegerField("can_phase_seg2", "phase-seg2", FormatD(can.phaseSeg2)),
      IntegerField("can_sjw", "sjw", FormatD(can.sjw)),
      TextField("can_triple_sampling", "triple-sampling", can.tripleSampling ? "on" : "off"),
  };
}

}  // namespace kelvane::cli
