#pragma once
// The CAN FD side of a profile: the data phase and TDC in its registers, the
// TDC its driver sets up, and the five-condition tolerance of a nominal/data
// pair of timings.

#include "fd_tolerance.h"
#include "profile.h"
#include "registers.h"
#include "tdc_rules.h"
#include "timing.h"

#include <optional>

namespace kelvane::cantiming {

// The TDC that the profile's driver writes for a data timing at the reported
// clock (can_calc_tdco, m_can's or flexcan's own rule); off for TdcRule::None.
TdcChoice DriverTdc(const ControllerProfile& profile, std::uint32_t clockHz,
                    const PhaseTiming& data);

// The data layout with its data quantities read as the nominal ones (data-brp
// as brp, ...) and its TDC fields as other bits, so that the nominal phase's
// search and limits serve the data phase.
RegisterLayout DataAsNominal(const RegisterLayout& dataLayout);

// The values the data layout's fields take: the data timing, and TDC as the
// driver leaves it (mode: 0 off, else the field's value for automatic; the
// offset; a measured value and a filter window of 0).
QuantityValues DataValues(const RegisterLayout& layout, const PhaseTiming& data,
                          const TdcChoice& tdc);

// The data timing decoded values hold (data-brp, data-sjw, data-phase-seg2,
// and data-prop-seg with data-phase-seg1 or data-tseg1 as phase-seg1 with
// prop-seg 0); empty when one of them is missing.
std::optional<PhaseTiming> DataTiming(const QuantityValues& values);

// TDC as decoded registers hold it.
struct TdcRead {
  enum class Mode { Off, Manual, Auto };
  bool present = false;  // the layout has a TDC mode field
  Mode mode = Mode::Off;
  std::uint64_t modeBits = 0;
  std::optional<std::uint64_t> offset;  // TDCO, clock periods
  std::optional<std::uint64_t> value;   // TDCV as measured or given
  std::optional<std::uint64_t> filter;  // TDCF
};
// A mode field at 0 is off, at its automatic value or above is automatic,
// between is manual (MCP2518FD's TDCMOD: 0, 1, 2 and 3).
TdcRead ReadTdc(const RegisterLayout& layout, const QuantityValues& values);

// The longest loop delay, in clock periods, the controller's TDC can measure:
// the tdc limits' tdcv maximum, else the widest TDC value field, else 127 for
// M_CAN (its PSR.TDCV has 7 bits); empty when not known.
std::optional<std::uint64_t> TdcMeasurableClocks(const ControllerProfile& profile);

// FdOscillatorTolerance of two timings; the nominal phase-seg1 is the one
// the timing holds (after the propagation segment), as IsoTolerance reads it.
std::optional<FdToleranceResult> FdTolerance(const PhaseTiming& nominal, const PhaseTiming& data);

}  // namespace kelvane::cantiming
