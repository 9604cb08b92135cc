#include "socketcan.h"

#include "timing.h"

#include <algorithm>
#include <cmath>

#include "shell_words.h"

namespace kelvane::cli {

std::optional<std::uint32_t> SocketCanClock(double fclkHz) {
  const double half = std::round(fclkHz / 2.0);
  if (!(half >= 1.0 && half <= 4294967295.0)) return std::nullopt;  // also NaN
  return static_cast<std::uint32_t>(half);
}

std::uint64_t KernelBrp(std::uint32_t clockHz, std::uint32_t tqNs) {
  return cantiming::KernelBrpForTq(clockHz, tqNs, 1);
}

std::uint64_t KernelTq(std::uint32_t clockHz, std::uint64_t brp) {
  return cantiming::KernelReportedTq(clockHz, brp);
}

std::optional<std::string> DeviceNameProblem(std::string_view name) {
  if (name.empty()) return "a device name cannot be empty";
  if (name == "." || name == "..")
    return "the kernel refuses \"" + std::string(name) + "\" as a name";
  if (name.size() > 15)
    return std::to_string(name.size()) + " bytes; the kernel takes at most 15";
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '/' || c == ':') return std::string("the kernel refuses '") + ch + "' in a name";
    // The kernel's white space: blank, tab to carriage return, and 0xA0.
    if (c == ' ' || (c >= '\t' && c <= '\r')) return "the kernel refuses white space in a name";
    if (c == 0xA0) return "the kernel takes its byte 0xA0 for white space, which it refuses";
    if (c < 0x20 || c == 0x7F) return "a control character is no part of a device name";
  }
  return std::nullopt;
}

SocketCanResult ToSocketCan(const Combination& c, int wantedPropSeg,
                            std::optional<std::uint32_t> clockHz) {
  SocketCanResult out;
  const char* const kSince = "; Linux 6.3 and later refuse that, older kernels take it";
  if (c.sjw > c.tseg2) {
    out.reason = "sjw " + std::to_string(c.sjw) + " greater than phase-seg2 " +
                 std::to_string(c.tseg2) + kSince;
    return out;
  }
  if (c.sjw > c.tseg1) {
    out.reason = "sjw " + std::to_string(c.sjw) + " greater than TSEG1 " +
                 std::to_string(c.tseg1) + ", so greater than phase-seg1 for any split" + kSince;
    return out;
  }
  if (!clockHz) {
    out.reason = "the clock Fclk / 2 is not a whole number of hertz from 1 to 4294967295";
    return out;
  }
  // The tq the kernel will show for the BRP, so that ip -details link show
  // prints back the value given; below 1 GHz it always leads back to the BRP
  // (clock x tq / 1e9 is then within half a tick of it). Above, the next
  // whole ns on either side of BRP / clock.
  const std::optional<std::uint32_t> tq =
      c.brp < 1 ? std::nullopt
                : cantiming::KernelTqFor(*clockHz, static_cast<std::uint32_t>(c.brp), 1);
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

std::string IpLinkSetCommand(std::string_view device, std::string_view settings) {
  // "dev" before the name: a device called "help" or "type" is then a name.
  return "ip link set dev " + ShellWord(device) + " " + std::string(settings);
}

std::string IpLinkBlock(std::string_view device, std::string_view settings) {
  return IpLinkSetCommand(device, "down") + "\n" + IpLinkSetCommand(device, settings) + "\n" +
         IpLinkSetCommand(device, "up");
}

std::string CanTypeSettings(const SocketCanTiming& t) {
  return "type can tq " + std::to_string(t.tq) + " prop-seg " + std::to_string(t.propSeg) +
         " phase-seg1 " + std::to_string(t.phaseSeg1) + " phase-seg2 " +
         std::to_string(t.phaseSeg2) + " sjw " + std::to_string(t.sjw) + " triple-sampling " +
         (t.tripleSampling ? "on" : "off");
}

std::string IpLinkCommand(const std::string& device, const SocketCanTiming& t) {
  return IpLinkSetCommand(device, CanTypeSettings(t));
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
