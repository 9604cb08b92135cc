#include "fd_phase.h"

#include <algorithm>

namespace kelvane::cantiming {

namespace {

const Field* ModeField(const RegisterLayout& layout) {
  for (const Field& f : layout.fields)
    if (f.quantity == Quantity::TdcMode) return &f;
  return nullptr;
}

std::uint64_t AutoValue(const Field& mode) { return mode.constant == 0 ? 1 : mode.constant; }

}  // namespace

TdcChoice DriverTdc(const ControllerProfile& profile, std::uint32_t clockHz,
                    const PhaseTiming& data) {
  switch (profile.tdcRule) {
    case TdcRule::None: return {};
    case TdcRule::Kernel:
      if (!profile.tdc) return {};
      return KernelCalcTdco(data, profile.tdc->tdcoMin, profile.tdc->tdcoMax);
    case TdcRule::MCan: return MCanDriverTdc(clockHz, data);
    case TdcRule::Flexcan: return FlexcanDriverTdc(data);
  }
  return {};
}

RegisterLayout DataAsNominal(const RegisterLayout& dataLayout) {
  RegisterLayout l = dataLayout;
  for (Field& f : l.fields) {
    switch (f.quantity) {
      case Quantity::DataBrp: f.quantity = Quantity::Brp; break;
      case Quantity::DataSjw: f.quantity = Quantity::Sjw; break;
      case Quantity::DataTseg1: f.quantity = Quantity::Tseg1; break;
      case Quantity::DataPropSeg: f.quantity = Quantity::PropSeg; break;
      case Quantity::DataPhaseSeg1: f.quantity = Quantity::PhaseSeg1; break;
      case Quantity::DataPhaseSeg2: f.quantity = Quantity::PhaseSeg2; break;
      case Quantity::Constant: break;
      default: f.quantity = Quantity::Other; break;
    }
  }
  return l;
}

QuantityValues DataValues(const RegisterLayout& layout, const PhaseTiming& data,
                          const TdcChoice& tdc) {
  QuantityValues v;
  At(v, Quantity::DataBrp) = data.brp;
  At(v, Quantity::DataSjw) = data.sjw;
  At(v, Quantity::DataTseg1) = data.Tseg1();
  At(v, Quantity::DataPropSeg) = data.propSeg;
  At(v, Quantity::DataPhaseSeg1) = data.phaseSeg1;
  At(v, Quantity::DataPhaseSeg2) = data.phaseSeg2;
  const Field* mode = ModeField(layout);
  At(v, Quantity::TdcMode) = tdc.enabled && mode ? AutoValue(*mode) : 0;
  At(v, Quantity::TdcOffset) = tdc.tdco;
  At(v, Quantity::TdcValue) = 0;
  At(v, Quantity::TdcFilter) = 0;
  return v;
}

std::optional<PhaseTiming> DataTiming(const QuantityValues& v) {
  QuantityValues nominal;
  At(nominal, Quantity::Brp) = At(v, Quantity::DataBrp);
  At(nominal, Quantity::Sjw) = At(v, Quantity::DataSjw);
  At(nominal, Quantity::Tseg1) = At(v, Quantity::DataTseg1);
  At(nominal, Quantity::PropSeg) = At(v, Quantity::DataPropSeg);
  At(nominal, Quantity::PhaseSeg1) = At(v, Quantity::DataPhaseSeg1);
  At(nominal, Quantity::PhaseSeg2) = At(v, Quantity::DataPhaseSeg2);
  return NominalTiming(nominal);
}

TdcRead ReadTdc(const RegisterLayout& layout, const QuantityValues& values) {
  TdcRead r;
  r.offset = At(values, Quantity::TdcOffset);
  r.value = At(values, Quantity::TdcValue);
  r.filter = At(values, Quantity::TdcFilter);
  const Field* mode = ModeField(layout);
  const std::optional<std::uint64_t>& bits = At(values, Quantity::TdcMode);
  if (!mode || !bits) return r;
  r.present = true;
  r.modeBits = *bits;
  r.mode = *bits == 0 ? TdcRead::Mode::Off
                      : (*bits >= AutoValue(*mode) ? TdcRead::Mode::Auto : TdcRead::Mode::Manual);
  return r;
}

std::optional<std::uint64_t> TdcMeasurableClocks(const ControllerProfile& profile) {
  if (profile.tdc && profile.tdc->tdcvMax > 0) return profile.tdc->tdcvMax;
  if (const std::optional<HeldRange> held = RangeHeld(profile.dataRegisters, Quantity::TdcValue))
    return held->max;
  if (profile.tdcRule == TdcRule::MCan) return 127;
  return std::nullopt;
}

std::optional<FdToleranceResult> FdTolerance(const PhaseTiming& nominal, const PhaseTiming& data) {
  return FdOscillatorTolerance(
      {nominal.brp, nominal.QuantaPerBit(), nominal.phaseSeg1, nominal.phaseSeg2, nominal.sjw},
      {data.brp, data.QuantaPerBit(), data.phaseSeg1, data.phaseSeg2, data.sjw});
}

}  // namespace kelvane::cantiming
