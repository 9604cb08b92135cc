#pragma once
// Reads what the kernel chose for a CAN device from the output of
// `ip -details -json link show DEV`: the "bittiming" object (tq, prop_seg,
// phase_seg1, phase_seg2, sjw and, from iproute2 5.16 on, brp), the "clock"
// and the TRIPLE-SAMPLING control mode, all under linkinfo.info_data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "combination.h"

namespace kelvane::cli {

struct KernelBitTiming {
  std::string device;              // "ifname", or empty
  std::string controller;          // bittiming_const.name, or empty
  std::uint32_t clockHz = 0;       // the driver's clock, Fclk / 2
  std::uint32_t tq = 0;            // ns
  int propSeg = 0, phaseSeg1 = 0, phaseSeg2 = 0, sjw = 0, brp = 0;
  bool brpGiven = false;           // false: brp derived from tq as the kernel does
  bool tripleSampling = false;
  std::optional<std::uint32_t> bitrate;  // bit/s
  Combination combination;         // the register fields these values give
};

struct KernelBitTimingRead {
  std::optional<KernelBitTiming> timing;
  std::string error;  // one line, when timing is empty
};

KernelBitTimingRead ReadKernelBitTiming(std::string_view jsonText);

}  // namespace kelvane::cli
