#include "ip_link_block.h"

namespace kelvane::cli {

namespace {
constexpr std::size_t kMostNameBytes = 15;  // IFNAMSIZ less its terminating zero

bool IsKernelSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Characters no POSIX shell gives a meaning to anywhere in a word.
bool IsPlain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == '+' || c == '@' || c == '%' || c == ',';
}
}  // namespace

std::string DeviceNameProblem(std::string_view name) {
  if (name.empty()) return "the kernel takes no empty device name";
  if (name == "." || name == "..") return "the kernel takes neither . nor .. as a device name";
  if (name.size() > kMostNameBytes)
    return "the kernel takes device names of at most 15 bytes; this one has " +
           std::to_string(name.size());
  for (const char c : name) {
    if (c == '/' || c == ':') return std::string("the kernel takes no '") + c + "' in a device name";
    if (IsKernelSpace(c)) return "the kernel takes no white space in a device name";
  }
  return {};
}

std::string ShellWord(std::string_view name) {
  bool plain = !name.empty();
  for (const char c : name) plain = plain && IsPlain(c);
  if (plain) return std::string(name);
  std::string word = "'";
  for (const char c : name) {
    if (c == '\'')
      word += "'\\''";
    else
      word += c;
  }
  return word + "'";
}

std::string IpLinkBlock(std::string_view device, const IpLinkTiming& t) {
  const std::string dev = "ip link set dev " + ShellWord(device);
  std::string block = dev + " down\n";
  block += dev + " type can tq " + std::to_string(t.tq) + " prop-seg " +
           std::to_string(t.propSeg) + " phase-seg1 " + std::to_string(t.phaseSeg1) +
           " phase-seg2 " + std::to_string(t.phaseSeg2) + " sjw " + std::to_string(t.sjw);
  // off too: a driver keeps the mode the interface had before. The kernel
  // takes "off" from controllers without the mode as well.
  block += t.tripleSampling ? " triple-sampling on" : " triple-sampling off";
  block += "\n" + dev + " up\n";
  return block;
}

std::string NetworkdCanSection(const IpLinkTiming& t) {
  std::string s = "[CAN]\nTimeQuantaNSec=" + std::to_string(t.tq) +
                  "\nPropagationSegment=" + std::to_string(t.propSeg) +
                  "\nPhaseBufferSegment1=" + std::to_string(t.phaseSeg1) +
                  "\nPhaseBufferSegment2=" + std::to_string(t.phaseSeg2) +
                  "\nSyncJumpWidth=" + std::to_string(t.sjw) +
                  "\nTripleSampling=" + (t.tripleSampling ? "yes" : "no") + "\n";
  return s;
}

}  // namespace kelvane::cli
