#include "socketcan.h"

#include <algorithm>
#include <cmath>

namespace kelvane::cli {

namespace {
constexpr std::uint64_t kNsPerSecond = 1000000000;
}

std::optional<std::uint32_t> SocketCanClock(double fclkHz) {
  const double half = std::round(fclkHz / 2.0);
  if (!(half >= 1.0 && half <= 4294967295.0)) return std::nullopt;  // also NaN
  return static_cast<std::uint32_t>(half);
}

std::uint64_t KernelBrp(std::uint32_t clockHz, std::uint32_t tqNs) {
  // Nearest whole number, an exact half going down: add half a unit less one.
  const std::uint64_t ticks = static_cast<std::uint64_t>(clockHz) * tqNs;
  return (ticks + kNsPerSecond / 2 - 1) / kNsPerSecond;
}

SocketCanResult ToSocketCan(const Combination& c, int wantedPropSeg,
                            std::optional<std::uint32_t> clockHz) {
  SocketCanResult out;
  if (c.sjw > c.tseg2) {
    out.reason = "sjw " + std::to_string(c.sjw) + " greater than phase-seg2 " +
                 std::to_string(c.tseg2);
    return out;
  }
  if (c.sjw > c.tseg1) {
    out.reason = "sjw " + std::to_string(c.sjw) + " greater than TSEG1 " +
                 std::to_string(c.tseg1) + ", so greater than phase-seg1 for any split";
    return out;
  }
  if (!clockHz) {
    out.reason = "the clock Fclk / 2 is not a whole number of hertz from 1 to 4294967295";
    return out;
  }
  // BRP / clock rounded down to whole ns: clock x tq / 1e9 then lies within
  // (BRP - 1/2, BRP], which rounding to the nearest and rounding up both take
  // back to BRP. Only a clock of 500 MHz or more needs the next ns up.
  const std::uint64_t down = static_cast<std::uint64_t>(c.brp) * kNsPerSecond / *clockHz;
  std::optional<std::uint32_t> tq;
  for (const std::uint64_t candidate : {down, down + 1}) {
    if (candidate < 1 || candidate > 0xFFFFFFFFull) continue;
    const auto t = static_cast<std::uint32_t>(candidate);
    if (KernelBrp(*clockHz, t) == static_cast<std::uint64_t>(c.brp)) {
      tq = t;
      break;
    }
  }
  if (!tq) {
    out.reason = "no whole-nanosecond tq gives BRP " + std::to_string(c.brp) + " at clock " +
                 std::to_string(*clockHz) + " Hz";
    return out;
  }
  SocketCanTiming t;
  t.tq = *tq;
  t.propSeg = std::clamp(wantedPropSeg, 0, c.tseg1 - c.sjw);
  t.phaseSeg1 = c.tseg1 - t.propSeg;
  t.phaseSeg2 = c.tseg2;
  t.sjw = c.sjw;
  t.tripleSampling = c.sam == 1;
  out.timing = t;
  return out;
}

std::string IpLinkCommand(const std::string& device, const SocketCanTiming& t) {
  std::string command = "ip link set " + device + " type can tq " + std::to_string(t.tq) +
                        " prop-seg " + std::to_string(t.propSeg) + " phase-seg1 " +
                        std::to_string(t.phaseSeg1) + " phase-seg2 " +
                        std::to_string(t.phaseSeg2) + " sjw " + std::to_string(t.sjw);
  if (t.tripleSampling) command += " triple-sampling on";
  return command;
}

std::string NetworkdSection(const SocketCanTiming& t) {
  return "[CAN]\nTimeQuantaNSec=" + std::to_string(t.tq) +
         "\nPropagationSegment=" + std::to_string(t.propSeg) +
         "\nPhaseBufferSegment1=" + std::to_string(t.phaseSeg1) +
         "\nPhaseBufferSegment2=" + std::to_string(t.phaseSeg2) +
         "\nSyncJumpWidth=" + std::to_string(t.sjw) +
         "\nTripleSampling=" + (t.tripleSampling ? "yes" : "no") + "\n";
}

}  // namespace kelvane::cli
