#pragma once
// A listed pair as Linux SocketCAN bit-timing parameters for the SJA1000
// driver, such that the kernel takes them and writes back the same BTR0/BTR1.
//
// The driver reports half the controller clock as its "clock" and counts its
// BRP in that clock's ticks: tq = BRP / (Fclk / 2) = 2 x tCLK x BRP, so the
// kernel's BRP is the register's counted BRP. Given tq in ns, the kernel takes
// BRP = clock x tq / 1e9 rounded to the nearest whole number (an exact half
// rounds down), and from Linux 6.3 on reports tq back as BRP x 1e9 / clock
// rounded to the nearest (an exact half up); older kernels report the tq
// given. It refuses TSEG1 outside 1..16, TSEG2 outside 1..8, SJW outside 1..4,
// SJW above phase-seg1 or phase-seg2 (since Linux 6.3), and a BRP outside 1..64.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "combination.h"

namespace kelvane::cli {

// The clock the kernel reports for a controller clock Fclk (Hz): Fclk / 2 to
// the nearest whole hertz; empty when that is not from 1 Hz to 2^32 - 1 Hz
// (the kernel holds it in 32 bits).
std::optional<std::uint32_t> SocketCanClock(double fclkHz);

// The kernel's BRP for a time quantum of tqNs at clock (Hz).
std::uint64_t KernelBrp(std::uint32_t clockHz, std::uint32_t tqNs);

// The tq in ns that Linux 6.3 and later report for brp at clock (Hz).
std::uint64_t KernelTq(std::uint32_t clockHz, std::uint64_t brp);

// Why a network device could not be called name, in a few words, or nothing
// when it could. The kernel refuses (dev_valid_name) the empty name, "." and
// "..", names of more than 15 bytes, and '/', ':' and white space anywhere,
// its white space including the byte 0xA0 (so also C3 A0, a UTF-8 letter).
// A control character is refused too: no interface has one, and a command
// printed with it would reach the terminal as it is.
std::optional<std::string> DeviceNameProblem(std::string_view name);

struct SocketCanTiming {
  std::uint32_t tq = 0;  // ns
  int propSeg = 0;       // time quanta
  int phaseSeg1 = 0;
  int phaseSeg2 = 0;
  int sjw = 0;
  bool tripleSampling = false;
};

struct SocketCanResult {
  std::optional<SocketCanTiming> timing;  // empty: not settable
  std::string reason;                     // why not, in the kernel's terms
};

// The split of TSEG1: prop-seg is the propagation delay in whole quanta
// (wantedPropSeg, never negative) but at most TSEG1 - SJW, so that
// phase-seg1 = TSEG1 - prop-seg keeps at least SJW quanta; phase-seg2 = TSEG2.
// Not settable when SJW > TSEG2 or SJW > TSEG1 (no split helps; Linux 6.3
// and later refuse it, the reason says so), or when no whole-nanosecond tq
// gives the pair's BRP at this clock. tq is KernelTq where that gives the
// BRP back, so that the kernel shows the value given.
SocketCanResult ToSocketCan(const Combination& c, int wantedPropSeg,
                            std::optional<std::uint32_t> clockHz);

// "ip link set dev NAME SETTINGS", NAME a word of a POSIX shell (ShellWord).
// device must pass DeviceNameProblem.
std::string IpLinkSetCommand(std::string_view device, std::string_view settings);

// The three commands that give the interface SETTINGS, one a line, joined by
// line feeds: "ip link set dev NAME down" (the kernel refuses bit timing on an
// interface that is up), IpLinkSetCommand, and "ip link set dev NAME up".
std::string IpLinkBlock(std::string_view device, std::string_view settings);

// "type can tq N prop-seg N phase-seg1 N phase-seg2 N sjw N triple-sampling on|off";
// triple sampling is always said, as the interface keeps it from an earlier setting.
std::string CanTypeSettings(const SocketCanTiming& t);

// IpLinkSetCommand for the CanTypeSettings of t.
std::string IpLinkCommand(const std::string& device, const SocketCanTiming& t);

// The systemd-networkd [CAN] section, one "Key=value" line each, ending in a line feed.
std::string NetworkdSection(const SocketCanTiming& t);

}  // namespace kelvane::cli
