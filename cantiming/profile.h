#pragma once
// A CAN controller as data: the limits its Linux driver hands the kernel's
// bit-timing code, the clock the driver reports, and where each timing value
// sits in its registers. Adding a controller means adding a table entry (or a
// JSON file), never code.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::cantiming {

// The kernel's struct can_bittiming_const, field for field: tseg1 is
// prop-seg + phase-seg1, tseg2 is phase-seg2, brp counts periods of the clock
// the driver reports and must be a multiple of brpInc.
struct PhaseLimits {
  std::uint32_t tseg1Min = 1;
  std::uint32_t tseg1Max = 16;
  std::uint32_t tseg2Min = 1;
  std::uint32_t tseg2Max = 8;
  std::uint32_t sjwMax = 4;
  std::uint32_t brpMin = 1;
  std::uint32_t brpMax = 64;
  std::uint32_t brpInc = 1;
};

// The kernel's struct can_tdc_const (transmitter delay compensation of CAN FD):
// value, offset and filter window ranges, in periods of the reported clock.
struct TdcLimits {
  std::uint32_t tdcvMin = 0;
  std::uint32_t tdcvMax = 0;
  std::uint32_t tdcoMin = 0;
  std::uint32_t tdcoMax = 0;
  std::uint32_t tdcfMin = 0;
  std::uint32_t tdcfMax = 0;
};

// How the clock the kernel reports (what `ip -details link show` prints as
// "clock") follows from the frequency at the controller's clock input:
//   input x pllMultiplier / divider   when input <= pllMaxInputHz,
//   input / divider                   otherwise (and always when pllMaxInputHz is 0).
struct ClockRule {
  std::uint32_t divider = 1;
  std::uint32_t pllMultiplier = 1;
  std::uint64_t pllMaxInputHz = 0;
  std::uint64_t defaultInputHz = 0;  // used when no clock is given; 0: one must be given
  std::string text;                  // the rule in words, e.g. "Fosc / 2"
};

// What a register field holds. Data and TDC quantities serve CAN FD layouts.
enum class Quantity : std::uint8_t {
  Brp,
  Sjw,
  Tseg1,      // prop-seg + phase-seg1 in one field
  PropSeg,
  PhaseSeg1,
  PhaseSeg2,
  TripleSampling,  // 1: three samples per bit
  Constant,   // bits that must hold Field::constant (MCP2515's BTLMODE)
  Other,      // bits of other functions: written as 0, not judged when read
  DataBrp,
  DataSjw,
  DataTseg1,
  DataPropSeg,
  DataPhaseSeg1,
  DataPhaseSeg2,
  TdcMode,
  TdcOffset,
  TdcValue,
  TdcFilter,
  Count  // the number of quantities; keep last
};
inline constexpr std::size_t kQuantityCount = static_cast<std::size_t>(Quantity::Count);

// How a field stores its quantity.
enum class Coding : std::uint8_t {
  MinusOne,      // value - 1 (the usual "minus one" of timing registers)
  Raw,           // value as it is
  HalfMinusOne,  // value / 2 - 1: a prescaler counted in pairs of clock periods
};

struct Register {
  std::string name;   // "CNF1", "NBTP"
  unsigned width = 8; // bits: 8, 16 or 32
};

struct Field {
  std::string name;   // as the data sheet calls it: "BRP", "PHSEG1"
  std::string reg;    // the Register::name that holds it
  unsigned lsb = 0;   // lowest bit in the register
  unsigned width = 1; // bits
  Quantity quantity = Quantity::Other;
  Coding coding = Coding::MinusOne;
  // The field holds bits valueLsb .. valueLsb + width - 1 of the coded value:
  // a prescaler split over two registers (C_CAN's BRP and BRPE) is two fields.
  unsigned valueLsb = 0;
  // Quantity::Constant: what the bits must hold. Quantity::TdcMode: the value
  // that means automatic TDC (MCP2518FD's TDCMOD takes 2; 0 is read as 1).
  std::uint64_t constant = 0;
};

// Bits of a register that no field names are reserved: written 0, and named
// when a value to decode has them set.
struct RegisterLayout {
  std::vector<Register> registers;
  std::vector<Field> fields;
  // The driver moves phase-seg1 beyond its field into prop-seg before writing
  // (flexcan's CBT and FDCBT), so the encoder does too.
  bool phaseSeg1Spills = false;
  bool empty() const { return registers.empty(); }
};

// Who sets up transmitter delay compensation for the data phase, and how.
enum class TdcRule : std::uint8_t {
  None,     // the driver leaves TDC off
  Kernel,   // can_calc_tdco with the profile's TdcLimits (mcp251xfd)
  MCan,     // m_can's own: above 2.5 Mbit/s, offset at the sample point, at most 127
  Flexcan,  // flexcan's own: always on, the offset in a 5-bit field
};
std::string_view TdcRuleName(TdcRule rule);  // "none", "kernel", "m_can", "flexcan"
std::optional<TdcRule> TdcRuleFromName(std::string_view name);

struct ControllerProfile {
  std::string name;                  // "mcp2515"
  std::vector<std::string> aliases;  // kernel driver and bittiming_const names
  std::string description;           // one line
  PhaseLimits nominal;
  ClockRule clock;
  bool tripleSampling = false;       // the controller can take three samples
  bool linuxDriver = true;           // false: no SocketCAN driver (the kernel's pick is what one would do)
  RegisterLayout registers;          // nominal timing
  // CAN FD: the data phase's limits, the TDC limits, and the registers of the
  // data phase and of TDC. Empty for a classical controller.
  std::optional<PhaseLimits> data;
  std::optional<TdcLimits> tdc;
  TdcRule tdcRule = TdcRule::None;
  RegisterLayout dataRegisters;
};

// The controllers Kelvane knows, in the order --list-controllers prints them.
const std::vector<ControllerProfile>& BuiltInProfiles();

// The profile whose name or alias is name (ASCII case ignored), else null.
const ControllerProfile* FindProfile(const std::vector<ControllerProfile>& profiles,
                                     std::string_view name);

// The reported clock for a clock input of inputHz, exactly; empty when it is
// not a whole number of hertz from 1 to 2^32 - 1 (the kernel keeps it in 32 bits).
std::optional<std::uint32_t> KernelClock(const ClockRule& rule, std::uint64_t inputHz);

// The smallest and largest value of a quantity the layout's fields can hold,
// taking every field of that quantity together; empty when no field holds it.
struct HeldRange {
  std::uint64_t min = 0;
  std::uint64_t max = 0;
};
std::optional<HeldRange> RangeHeld(const RegisterLayout& layout, Quantity quantity);

// "brp", "tseg1", "prop-seg", ...: the quantity's name in files and messages.
std::string_view QuantityName(Quantity quantity);
std::optional<Quantity> QuantityFromName(std::string_view name);
// "minus-one", "raw", "half-minus-one".
std::string_view CodingName(Coding coding);
std::optional<Coding> CodingFromName(std::string_view name);

// Profiles from the JSON form --controller-file reads: one profile object, an
// array of them, or {"controllers": [...]} as ProfilesToJson writes. error
// gets one line naming the field at fault.
std::vector<ControllerProfile> ProfilesFromJson(std::string_view text, std::string& error);

// {"controllers": [...]}, each profile in the form ProfilesFromJson reads, so
// that a listed profile serves as the start of a new one. indent < 0: one line.
std::string ProfilesToJson(const std::vector<ControllerProfile>& profiles, int indent);

// Checks a profile's data for what the calculations rely on (minimums of at
// least 1, fields inside their registers, no two fields on one bit, ...).
// Empty when sound, else one line naming the field.
std::string CheckProfile(const ControllerProfile& profile);

}  // namespace kelvane::cantiming
