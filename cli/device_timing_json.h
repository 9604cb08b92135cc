#pragma once
// What `ip -details -json link show DEV` reports for any CAN controller: the
// bittiming, the clock, the bittiming_const (its name and the limits), and
// whether triple sampling is on.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profile.h"

namespace kelvane::cli {

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

DeviceTimingRead ReadDeviceTiming(std::string_view jsonText);

// The bittiming_const name only, or empty (not JSON, no such member): tells
// which controller's reading to use before reading the rest.
std::string DeviceConstName(std::string_view jsonText);

}  // namespace kelvane::cli
