#pragma once
// The pieces of a paste-ready `ip link` block: a device name the kernel takes,
// written so that a POSIX shell passes it on as one word, and the block that
// takes the interface down, sets the timing and brings it up again (the
// kernel refuses bit timing on an interface that is up).

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane::cli {

// Empty when the kernel takes name as a network device name (its
// dev_valid_name: not empty, not "." or "..", at most 15 bytes, no '/', ':'
// or white space); else why not, in one line.
std::string DeviceNameProblem(std::string_view name);

// name as one shell word: as it is when every character is plain, else in
// single quotes (a quote inside written as '\'').
std::string ShellWord(std::string_view name);

// The timing parameters of `ip link ... type can`.
struct IpLinkTiming {
  std::uint32_t tq = 0;
  std::uint32_t propSeg = 0;
  std::uint32_t phaseSeg1 = 0;
  std::uint32_t phaseSeg2 = 0;
  std::uint32_t sjw = 0;
  bool tripleSampling = false;  // always written, on or off: the interface may hold either
};

// Three lines, each ending in a line feed: down, type can ..., up.
std::string IpLinkBlock(std::string_view device, const IpLinkTiming& t);

// The systemd-networkd [CAN] section, one "Key=value" line each.
std::string NetworkdCanSection(const IpLinkTiming& t);

}  // namespace kelvane::cli
