#pragma once
// Transmitter delay compensation as Linux sets it up for a data-phase timing.
// A transmitter sees its own bit back only after the transceiver's loop
// delay; above a few Mbit/s that is later than the sample point, so the
// controller measures the delay (TDCV) and checks its own bit at a secondary
// sample point TDCV + TDCO clock periods after the bit's start. Which offset
// TDCO it gets, and whether TDC is on at all, differs by driver: the
// framework's can_calc_tdco for drivers that declare a can_tdc_const
// (mcp251xfd), and their own code in m_can and flexcan. Every figure here is
// in clock periods of the CAN clock (the data prescaler's input).

#include "timing.h"

#include <cstdint>

namespace kelvane::cantiming {

// What a driver writes for TDC, and how it got there.
struct TdcChoice {
  bool enabled = false;
  std::uint32_t tdco = 0;      // the offset the register gets (0 when off)
  std::uint32_t intended = 0;  // the offset the rule computed, before a cap or a cut
  bool capped = false;         // intended was above the driver's maximum: tdco is that maximum
  bool truncated = false;      // intended did not fit the field: tdco is its low bits only
};

// The kernel's whole-number bit rate and sample point (tenths of a percent)
// of a timing, as can_fixup_bittiming and can_calc_bittiming leave them in
// struct can_bittiming: both rounded down. 0 for a timing of no length.
std::uint32_t KernelBitrate(std::uint32_t clockHz, const PhaseTiming& t);
std::uint32_t KernelSamplePointTenths(const PhaseTiming& t);

// can_calc_tdco (drivers/net/can/dev/calc_bittiming.c), which the kernel runs
// when `ip link` sets a data bit rate without tdc-mode or tdco: automatic TDC
// only with a data prescaler of 1 or 2 (ISO 11898-1 11.3.3), the offset being
// the sample point in clock periods, (1 + prop-seg + phase-seg1) x brp,
// capped at tdco_max; off below tdco_min.
TdcChoice KernelCalcTdco(const PhaseTiming& t, std::uint32_t tdcoMin, std::uint32_t tdcoMax);

// m_can_set_bittiming (drivers/net/can/m_can/m_can.c): TDC only above
// 2.5 Mbit/s, the secondary sample point put on the data sample point,
// TDCO = (clock / 1000) x sample point (tenths of a percent) / bit rate in
// whole numbers from the kernel's rounded-down rate and sample point, capped
// at 127 (the 7-bit TDCR.TDCO).
TdcChoice MCanDriverTdc(std::uint32_t clockHz, const PhaseTiming& t);

// flexcan_set_bittiming_cbt (drivers/net/can/flexcan/flexcan-core.c): TDC
// always on in FD mode (off in loopback), TDCOFF = (phase-seg1 - 1 +
// prop-seg + 2) x brp written into the 5-bit FDCTRL.TDCOFF field, which
// keeps only the low five bits of a larger value.
TdcChoice FlexcanDriverTdc(const PhaseTiming& t, bool loopback = false);

// The transmitter's loop delay (ns) in clock periods, rounded up.
std::uint64_t LoopDelayClocks(std::uint64_t loopDelayNs, std::uint64_t clockHz);

// The controller can measure the delay when it takes at most tdcvMax clock
// periods (the width of its TDCV value).
bool LoopDelayMeasurable(std::uint64_t loopDelayNs, std::uint64_t clockHz, std::uint64_t tdcvMax);

// The data phase needs TDC when the loop delay is longer than the segment
// before the sample point (prop-seg + phase-seg1 quanta): without it the
// transmitter samples its own bit before the bit is back.
bool DataPhaseNeedsTdc(std::uint64_t loopDelayNs, std::uint64_t clockHz, const PhaseTiming& t);

}  // namespace kelvane::cantiming
