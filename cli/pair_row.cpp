#include "pair_row.h"

#include "bus_timing.h"
#include "number_text.h"

namespace kelvane::cli {

ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText, int propSegment, const PairContext& context) {
  const double tolerance = OscillatorToleranceLimit(c.sjw, c.tseg1, c.tseg2, propSegment);
  const SocketCanResult can = ToSocketCan(c, propSegment, context.socketCanClock);
  ReportRow row = {
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
  };
  if (can.timing) {
    const SocketCanTiming& t = *can.timing;
    row.push_back(IntegerField("can_tq_ns", "tq(ns)", FormatD(t.tq)));
    row.push_back(IntegerField("can_prop_seg", "prop-seg", FormatD(t.propSeg)));
    row.push_back(IntegerField("can_phase_seg1", "phase-seg1", FormatD(t.phaseSeg1)));
    row.push_back(IntegerField("can_phase_seg2", "phase-seg2", FormatD(t.phaseSeg2)));
    row.push_back(IntegerField("can_sjw", "sjw", FormatD(t.sjw)));
    row.push_back(TextField("can_triple_sampling", "triple-sampling",
                            t.tripleSampling ? "on" : "off"));
    row.push_back(MissingField("can_reason", "can_reason", false));
    row.back().jsonOnly = true;
    row.push_back(JsonOnlyField("ip_link", IpLinkCommand(context.device, t)));
    row.push_back(JsonOnlyField("networkd", NetworkdSection(t)));
  } else {
    row.push_back(MissingField("can_tq_ns", "tq(ns)", true));
    row.push_back(MissingField("can_prop_seg", "prop-seg", true));
    row.push_back(MissingField("can_phase_seg1", "phase-seg1", true));
    row.push_back(MissingField("can_phase_seg2", "phase-seg2", true));
    row.push_back(MissingField("can_sjw", "sjw", true));
    row.push_back(MissingField("can_triple_sampling", "triple-sampling", false));
    row.push_back(JsonOnlyField("can_reason", "not settable through SocketCAN: " + can.reason));
    for (const char* key : {"ip_link", "networkd"}) {
      row.push_back(MissingField(key, key, false));
      row.back().jsonOnly = true;
    }
  }
  return row;
}

}  // namespace kelvane::cli
