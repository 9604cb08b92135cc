#pragma once
// Reads what the kernel chose for a CAN device from the output of
// `ip -details -json link show DEV`: the "bittiming" object (tq, prop_seg,
// phase_seg1, phase_seg2, sjw and, from iproute2 5.16 on, brp), the "clock"
// and the TRIPLE-SAMPLING control mode, all under linkinfo.info_data. The
// output of `ip -details -json link show` for every device may be given too:
// the one CAN device in it is taken, or the one named.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "combination.h"
#include "profile.h"

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

// The same output read for any controller: the values as the kernel reports
// them, judged by no controller's limits.
struct DeviceTiming {
  std::string device;          // "ifname", or empty
  std::string constName;       // bittiming_const.name, or empty
  std::optional<cantiming::PhaseLimits> limits;  // bittiming_const, when complete
  std::uint32_t clockHz = 0;
  std::uint32_t tq = 0;
  std::uint32_t propSeg = 0, phaseSeg1 = 0, phaseSeg2 = 0, sjw = 0;
  std::optional<std::uint32_t> brp;      // iproute2 5.16 and later
  std::optional<std::uint32_t> bitrate;  // bit/s, rounded down by the kernel
  bool tripleSampling = false;
};

struct DeviceTimingRead {
  std::optional<DeviceTiming> timing;
  std::string error;  // one line, when timing is empty
};

// The largest text read: ip's output for one device is a few kB, for a
// host's every device some hundred.
inline constexpr std::size_t kMaxIpJsonBytes = 1 << 20;

// device: the "ifname" to take from an array of several devices; without it
// the one CAN device there is taken, and several are refused with their names.
KernelBitTimingRead ReadKernelBitTiming(std::string_view jsonText,
                                        const std::optional<std::string>& device = std::nullopt);

// The device's timing for any controller, the device chosen as above.
DeviceTimingRead ReadDeviceTiming(std::string_view jsonText,
                                  const std::optional<std::string>& device = std::nullopt);

// Only the bittiming_const name of that device, or empty (no such member, or
// the text is not read): which controller's reading to use.
std::string DeviceConstName(std::string_view jsonText,
                            const std::optional<std::string>& device = std::nullopt);

}  // namespace kelvane::cli
