#pragma once
// The CAN FD side of a --controller run: the data phase listed beside the
// nominal one, the pairs of both ranked, the kernel's pick for dbitrate, the
// TDC each driver sets up, and the paste block with `fd on`.

#include "calc_options.h"
#include "calc_report.h"
#include "controller_report.h"

#include "fd_combination.h"
#include "profile.h"
#include "ratio.h"
#include "registers.h"
#include "timing.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelvane::cli {

// The nominal phase's search as the --controller run made it.
struct FdNominalPhase {
  // Every setting in the listed order: usable when it passes its tolerance
  // and propagation checks, the sample point's miss from the nominal target.
  std::vector<cantiming::FdCandidate> candidates;
  bool exact = true;  // false: nearest rates
  cantiming::Ratio wanted;
  cantiming::PhaseLimits limits;  // what the kernel checks
};

struct FdContext {
  const CalcOptions& options;
  const cantiming::ControllerProfile& profile;
  std::uint32_t clockHz = 0;
  std::uint64_t tolerancePpm = 0;
  const ReportRow& propagation;  // the lines describing the propagation delay
};

// Empty when the profile has a data phase and the options' data rate reads,
// else the one-line reason (the caller exits with usage status).
std::string CheckFdRequest(const FdContext& c, const cantiming::Ratio& nominalWanted);

// Adds the data phase, the pairs, TDC and the FD paste block to the report of
// a nominal search; the exit status for the data phase (listed or none found).
int AddFdSearch(const FdContext& c, const FdNominalPhase& nominal, ControllerReport& report,
                std::ostream& errors);

// The data registers given to --decode-registers (every one of the data
// layout, or none), decoded beside the nominal timing: the data setting, TDC
// and the pair's tolerance. Returns false with a message for bad input.
bool AddFdDecode(const FdContext& c, const cantiming::PhaseTiming& nominal, double nominalErrorPpm,
                 const std::vector<cantiming::RegisterValue>& dataValues,
                 ControllerReport& report, std::string& message);

// The register a NAME=VALUE names, among the data layout's; empty when none.
std::optional<cantiming::Register> DataRegisterNamed(const cantiming::ControllerProfile& profile,
                                                     const std::string& name);

// The data phase of `ip -details -json link show DEV` for an FD device;
// empty when the device has none. error gets one line when it is malformed.
struct DeviceDataTiming {
  std::uint32_t tq = 0, propSeg = 0, phaseSeg1 = 0, phaseSeg2 = 0, sjw = 0;
  std::optional<std::uint32_t> brp, bitrate;
  std::optional<cantiming::PhaseLimits> limits;  // data_bittiming_const
  bool fdOn = false;                             // ctrlmode holds FD
  std::string tdcMode = "off";                   // off, auto, manual (ctrlmode)
  std::optional<std::uint32_t> tdcv, tdco, tdcf;
};
// ifname: the device read for the nominal phase (empty: the one CAN device).
std::optional<DeviceDataTiming> ReadDeviceDataTiming(std::string_view jsonText,
                                                     const std::string& ifname, std::string& error);

// The device's data phase decoded by the profile beside its nominal timing.
bool AddFdDevice(const FdContext& c, const cantiming::PhaseTiming& nominal, double nominalErrorPpm,
                 const DeviceDataTiming& device, ControllerReport& report, std::string& message);

}  // namespace kelvane::cli
