#include "pair_row.h"

#include <cmath>

#include "bus_timing.h"
#include "number_text.h"

namespace kelvane::cli {

ReportRow MakePairRow(int index, const std::string& btr0, const std::string& btr1,
                      const Combination& c, const CombinationFieldTexts& fields,
                      const std::string& propText, int propSegment, const PairContext& context,
                      const PairVerdict& verdict) {
  const double tolerance = OscillatorToleranceLimit(c.sjw, c.tseg1, c.tseg2, propSegment);
  const SocketCanResult can = context.inUse ? SocketCanResult{context.inUse, {}}
                                            : ToSocketCan(c, propSegment, context.socketCanClock);
  ReportRow row = {
      IntegerField("index", "#", FormatD(index)),
      TextField("btr0", "BTR0(hex)", btr0),
      TextField("btr1", "BTR1(hex)", btr1),
      IntegerField("sjw", "SJW(tq)", fields.sjw),
      IntegerField("brp", "BRP", fields.brp),
      IntegerField("sam", "SAM", fields.sam),
      IntegerField("tseg2", "TSEG2(tq)", fields.tseg2),
      IntegerField("tseg1", "TSEG1(tq)", fields.tseg1),
      IntegerField("nbt", "NBT(tq)", fields.nbt),
      TextField("sample_point_pct", "SP%", fields.samplePoint),
      TextField("bit_time_us", "TNBT(us)", fields.bitDuration),
      IntegerField("tq_ns", "Tscl(ns)", fields.timeQuantum),
      TextField("rate_kbps", "kbit/s", fields.baudRate),
  };
  if (verdict.rateError) {
    const double ppm = std::round(*verdict.rateError * 1e6);
    row.push_back(TextField("rate_error_pct", "err%", FormatF(*verdict.rateError * 100.0)));
    row.push_back(IntegerField("rate_error_ppm", "err(ppm)", FormatFixed(ppm == 0 ? 0.0 : ppm, 0)));
  } else {
    row.push_back(MissingField("rate_error_pct", "err%", false));
    row.push_back(MissingField("rate_error_ppm", "err(ppm)", true));
  }
  row.push_back(TextField("prop_tq", "PROP(tq)", propText));
  row.push_back(TextField("tolerance_pct", "tol%", FormatF(tolerance * 100.0)));
  row.push_back(IntegerField("tolerance_ppm", "tol(ppm)", FormatFixed(tolerance * 1e6, 0)));
  row.push_back(verdict.toleranceOk ? BooleanField("tolerance_ok", "tol ok", *verdict.toleranceOk)
                                    : MissingField("tolerance_ok", "tol ok", false));
  if (can.timing) {
    const SocketCanTiming& t = *can.timing;
    row.push_back(IntegerField("can_tq_ns", "tq(ns)", FormatD(t.tq)));
    row.push_back(IntegerField("can_prop_seg", "prop-seg(tq)", FormatD(t.propSeg)));
    row.push_back(IntegerField("can_phase_seg1", "phase-seg1(tq)", FormatD(t.phaseSeg1)));
    row.push_back(IntegerField("can_phase_seg2", "phase-seg2(tq)", FormatD(t.phaseSeg2)));
    row.push_back(IntegerField("can_sjw", "sjw(tq)", FormatD(t.sjw)));
    row.push_back(TextField("can_triple_sampling", "triple-sampling",
                            t.tripleSampling ? "on" : "off"));
    row.push_back(MissingField("can_reason", "can_reason", false));
    row.back().wide = true;
    row.push_back(JsonOnlyField("ip_link", IpLinkCommand(context.device, t)));
    row.push_back(JsonOnlyField("networkd", NetworkdSection(t)));
  } else {
    row.push_back(MissingField("can_tq_ns", "tq(ns)", true));
    row.push_back(MissingField("can_prop_seg", "prop-seg(tq)", true));
    row.push_back(MissingField("can_phase_seg1", "phase-seg1(tq)", true));
    row.push_back(MissingField("can_phase_seg2", "phase-seg2(tq)", true));
    row.push_back(MissingField("can_sjw", "sjw(tq)", true));
    row.push_back(MissingField("can_triple_sampling", "triple-sampling", false));
    row.push_back(WideField("can_reason", "not settable through SocketCAN: " + can.reason));
    for (const char* key : {"ip_link", "networkd"}) {
      row.push_back(MissingField(key, key, false));
      row.back().jsonOnly = true;
    }
  }
  return row;
}

}  // namespace kelvane::cli
