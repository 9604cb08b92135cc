#include "profile.h"

#include <algorithm>
#include <cctype>

namespace kelvane::cantiming {

namespace {

// A field in the table's short form.
Field F(const char* name, const char* reg, unsigned lsb, unsigned width, Quantity q,
        Coding coding = Coding::MinusOne, unsigned valueLsb = 0, std::uint64_t constant = 0) {
  return Field{name, reg, lsb, width, q, coding, valueLsb, constant};
}

ClockRule Clock(std::uint32_t divider, const char* text, std::uint64_t defaultHz = 0) {
  ClockRule c;
  c.divider = divider;
  c.defaultInputHz = defaultHz;
  c.text = text;
  return c;
}

// SJA1000-style BTR0/BTR1, with the prescaler coded as the controller counts it.
RegisterLayout Btr0Btr1(Coding brpCoding) {
  return {{{"BTR0", 8}, {"BTR1", 8}},
          {F("BRP", "BTR0", 0, 6, Quantity::Brp, brpCoding),
           F("SJW", "BTR0", 6, 2, Quantity::Sjw),
           F("TSEG1", "BTR1", 0, 4, Quantity::Tseg1),
           F("TSEG2", "BTR1", 4, 3, Quantity::PhaseSeg2),
           F("SAM", "BTR1", 7, 1, Quantity::TripleSampling, Coding::Raw)}};
}

// C_CAN and D_CAN share BTR's lower half; the prescaler's upper 4 bits (BRPE)
// sit in BRPEXT on C_CAN and in BTR bits 19..16 on D_CAN.
RegisterLayout CCanLayout(bool dCan) {
  RegisterLayout l;
  l.registers.push_back({"BTR", dCan ? 32u : 16u});
  if (!dCan) l.registers.push_back({"BRPEXT", 16});
  l.fields = {F("BRP", "BTR", 0, 6, Quantity::Brp), F("SJW", "BTR", 6, 2, Quantity::Sjw),
              F("TSEG1", "BTR", 8, 4, Quantity::Tseg1),
              F("TSEG2", "BTR", 12, 3, Quantity::PhaseSeg2),
              F("BRPE", dCan ? "BTR" : "BRPEXT", dCan ? 16 : 0, 4, Quantity::Brp,
                Coding::MinusOne, 6)};
  return l;
}

std::vector<ControllerProfile> MakeBuiltIns() {
  std::vector<ControllerProfile> all;

  // drivers/net/can/sja1000/sja1000.c: sja1000_bittiming_const; the platform
  // glue reports half the oscillator as the clock.
  ControllerProfile sja;
  sja.name = "sja1000";
  sja.aliases = {"sja1000_platform", "ems_pci", "plx_pci", "peak_pci", "kvaser_pci"};
  sja.description = "NXP SJA1000 and compatibles (the window's controller)";
  sja.nominal = {1, 16, 1, 8, 4, 1, 64, 1};
  sja.clock = Clock(2, "Fosc / 2", 16000000);
  sja.tripleSampling = true;
  sja.registers = Btr0Btr1(Coding::MinusOne);
  all.push_back(sja);

  // drivers/net/can/spi/mcp251x.c: mcp251x_bittiming_const; clock.freq = Fosc / 2.
  ControllerProfile mcp;
  mcp.name = "mcp2515";
  mcp.aliases = {"mcp251x", "mcp2510", "mcp25625"};
  mcp.description = "Microchip MCP2515 (SPI)";
  mcp.nominal = {3, 16, 2, 8, 4, 1, 64, 1};
  mcp.clock = Clock(2, "Fosc / 2", 16000000);
  mcp.tripleSampling = true;
  mcp.registers = {{{"CNF1", 8}, {"CNF2", 8}, {"CNF3", 8}},
                   {F("BRP", "CNF1", 0, 6, Quantity::Brp), F("SJW", "CNF1", 6, 2, Quantity::Sjw),
                    F("PRSEG", "CNF2", 0, 3, Quantity::PropSeg),
                    F("PHSEG1", "CNF2", 3, 3, Quantity::PhaseSeg1),
                    F("SAM", "CNF2", 6, 1, Quantity::TripleSampling, Coding::Raw),
                    F("BTLMODE", "CNF2", 7, 1, Quantity::Constant, Coding::Raw, 0, 1),
                    F("PHSEG2", "CNF3", 0, 3, Quantity::PhaseSeg2),
                    F("WAKFIL", "CNF3", 6, 1, Quantity::Other, Coding::Raw),
                    F("SOF", "CNF3", 7, 1, Quantity::Other, Coding::Raw)}};
  all.push_back(mcp);

  // drivers/net/can/c_can/c_can_main.c: c_can_bittiming_const (6-bit BRP plus
  // 4-bit BRPE); the clock is the peripheral clock.
  ControllerProfile ccan;
  ccan.name = "c_can";
  ccan.aliases = {"c_can_platform", "c_can_pci"};
  ccan.description = "Bosch C_CAN (BTR and BRPEXT)";
  ccan.nominal = {2, 16, 1, 8, 4, 1, 1024, 1};
  ccan.clock = Clock(1, "peripheral clock");
  ccan.registers = CCanLayout(false);
  all.push_back(ccan);

  ControllerProfile dcan = ccan;
  dcan.name = "d_can";
  dcan.aliases = {};
  dcan.description = "Bosch D_CAN (TI AM335x and others; one 32-bit BTR), c_can driver";
  dcan.registers = CCanLayout(true);
  all.push_back(dcan);

  // drivers/net/can/bxcan.c: bxcan_bittiming_const; the clock is the APB clock.
  ControllerProfile bx;
  bx.name = "bxcan";
  bx.aliases = {};
  bx.description = "ST bxCAN (STM32F1/F4)";
  bx.nominal = {1, 16, 1, 8, 4, 1, 1024, 1};
  bx.clock = Clock(1, "peripheral clock");
  bx.registers = {{{"CAN_BTR", 32}},
                  {F("BRP", "CAN_BTR", 0, 10, Quantity::Brp),
                   F("TS1", "CAN_BTR", 16, 4, Quantity::Tseg1),
                   F("TS2", "CAN_BTR", 20, 3, Quantity::PhaseSeg2),
                   F("SJW", "CAN_BTR", 24, 2, Quantity::Sjw),
                   F("LBKM", "CAN_BTR", 30, 1, Quantity::Other, Coding::Raw),
                   F("SILM", "CAN_BTR", 31, 1, Quantity::Other, Coding::Raw)}};
  all.push_back(bx);

  // drivers/net/can/m_can/m_can.c: m_can_bittiming_const_31X (core 3.1 and
  // later); the clock is the CAN clock (cclk).
  ControllerProfile mcan;
  mcan.name = "m_can";
  mcan.aliases = {"m_can_platform", "m_can_pci", "tcan4x5x", "fdcan"};
  mcan.description = "Bosch M_CAN 3.1+ (STM32 FDCAN, TCAN4x5x, ...), nominal phase";
  mcan.nominal = {2, 256, 2, 128, 128, 1, 512, 1};
  mcan.clock = Clock(1, "CAN clock");
  mcan.registers = {{{"NBTP", 32}},
                    {F("NTSEG2", "NBTP", 0, 7, Quantity::PhaseSeg2),
                     F("NTSEG1", "NBTP", 8, 8, Quantity::Tseg1),
                     F("NBRP", "NBTP", 16, 9, Quantity::Brp),
                     F("NSJW", "NBTP", 25, 7, Quantity::Sjw)}};
  // m_can_data_bittiming_const_31X. The driver declares no can_tdc_const and
  // sets TDC itself (m_can_set_bittiming): DBTP.TDC and TDCR.TDCO.
  mcan.data = PhaseLimits{1, 32, 1, 16, 16, 1, 32, 1};
  mcan.tdcRule = TdcRule::MCan;
  mcan.dataRegisters = {{{"DBTP", 32}, {"TDCR", 32}},
                        {F("DSJW", "DBTP", 0, 4, Quantity::DataSjw),
                         F("DTSEG2", "DBTP", 4, 4, Quantity::DataPhaseSeg2),
                         F("DTSEG1", "DBTP", 8, 5, Quantity::DataTseg1),
                         F("DBRP", "DBTP", 16, 5, Quantity::DataBrp),
                         F("TDC", "DBTP", 23, 1, Quantity::TdcMode, Coding::Raw, 0, 1),
                         F("TDCF", "TDCR", 0, 7, Quantity::TdcFilter, Coding::Raw),
                         F("TDCO", "TDCR", 8, 7, Quantity::TdcOffset, Coding::Raw)}};
  all.push_back(mcan);

  // drivers/net/can/spi/mcp251xfd/mcp251xfd-core.c: mcp251xfd_bittiming_const;
  // the PLL multiplies an oscillator of at most 4 MHz by 10.
  ControllerProfile fd;
  fd.name = "mcp2518fd";
  fd.aliases = {"mcp251xfd", "mcp2517fd", "mcp251863"};
  fd.description = "Microchip MCP2517FD/MCP2518FD (SPI), nominal phase";
  fd.nominal = {2, 256, 1, 128, 128, 1, 256, 1};
  fd.clock = Clock(1, "Fosc, x10 by the PLL when Fosc <= 4 MHz", 40000000);
  fd.clock.pllMultiplier = 10;
  fd.clock.pllMaxInputHz = 4000000;
  fd.registers = {{{"NBTCFG", 32}},
                  {F("SJW", "NBTCFG", 0, 7, Quantity::Sjw),
                   F("TSEG2", "NBTCFG", 8, 7, Quantity::PhaseSeg2),
                   F("TSEG1", "NBTCFG", 16, 8, Quantity::Tseg1),
                   F("BRP", "NBTCFG", 24, 8, Quantity::Brp)}};
  // mcp251xfd_data_bittiming_const and mcp251xfd_tdc_const: TDCO 0..63 (the
  // chip's TDCO is 7-bit two's complement, the driver uses it as an absolute
  // offset); the kernel's can_calc_tdco fills TDC, TDCMOD 2 meaning automatic.
  fd.data = PhaseLimits{1, 32, 1, 16, 16, 1, 256, 1};
  fd.tdc = TdcLimits{0, 63, 0, 63, 0, 0};
  fd.tdcRule = TdcRule::Kernel;
  fd.dataRegisters = {{{"DBTCFG", 32}, {"TDC", 32}},
                      {F("SJW", "DBTCFG", 0, 4, Quantity::DataSjw),
                       F("TSEG2", "DBTCFG", 8, 4, Quantity::DataPhaseSeg2),
                       F("TSEG1", "DBTCFG", 16, 5, Quantity::DataTseg1),
                       F("BRP", "DBTCFG", 24, 8, Quantity::DataBrp),
                       F("TDCV", "TDC", 0, 6, Quantity::TdcValue, Coding::Raw),
                       F("TDCO", "TDC", 8, 7, Quantity::TdcOffset, Coding::Raw),
                       F("TDCMOD", "TDC", 16, 2, Quantity::TdcMode, Coding::Raw, 0, 2),
                       F("SID11EN", "TDC", 24, 1, Quantity::Other, Coding::Raw),
                       F("EDGFLTEN", "TDC", 25, 1, Quantity::Other, Coding::Raw)}};
  all.push_back(fd);

  // drivers/net/can/flexcan/flexcan-core.c: flexcan_bittiming_const (CTRL1
  // timing, without CBT); the clock is the CAN engine clock.
  ControllerProfile flex;
  flex.name = "flexcan";
  flex.aliases = {};
  flex.description = "NXP FlexCAN, classical timing in CTRL1";
  flex.nominal = {4, 16, 2, 8, 4, 1, 256, 1};
  flex.clock = Clock(1, "CAN clock");
  flex.tripleSampling = true;
  flex.registers = {{{"CTRL1", 32}},
                    {F("PROPSEG", "CTRL1", 0, 3, Quantity::PropSeg),
                     F("LOM..BOFFREC", "CTRL1", 3, 4, Quantity::Other, Coding::Raw),
                     F("SMP", "CTRL1", 7, 1, Quantity::TripleSampling, Coding::Raw),
                     F("RWRNMSK..BOFFMSK", "CTRL1", 10, 6, Quantity::Other, Coding::Raw),
                     F("PSEG2", "CTRL1", 16, 3, Quantity::PhaseSeg2),
                     F("PSEG1", "CTRL1", 19, 3, Quantity::PhaseSeg1),
                     F("RJW", "CTRL1", 22, 2, Quantity::Sjw),
                     F("PRESDIV", "CTRL1", 24, 8, Quantity::Brp)}};
  all.push_back(flex);

  // The same driver on FlexCAN with CAN FD (i.MX8, LX2160A, S32): the
  // flexcan_fd_bittiming_const and flexcan_fd_data_bittiming_const limits,
  // timing in CBT and FDCBT (flexcan_set_bittiming_cbt). CBT's EPSEG1 holds 32
  // and FDCBT's FPSEG1 8 quanta: the driver moves the rest of phase-seg1 into
  // prop-seg, and FPROPSEG takes prop-seg as it is. FDCTRL: FDRATE and 64-byte
  // mailboxes in FD mode, TDC always on with TDCOFF = the sample point in clock
  // periods, cut to 5 bits.
  ControllerProfile flexFd;
  flexFd.name = "flexcan-fd";
  flexFd.aliases = {};
  flexFd.description = "NXP FlexCAN with CAN FD (CBT, FDCBT, FDCTRL)";
  flexFd.nominal = {2, 96, 2, 32, 16, 1, 1024, 1};
  flexFd.clock = Clock(1, "CAN clock");
  flexFd.registers = {{{"CBT", 32}},
                      {F("EPSEG2", "CBT", 0, 5, Quantity::PhaseSeg2),
                       F("EPSEG1", "CBT", 5, 5, Quantity::PhaseSeg1),
                       F("EPROPSEG", "CBT", 10, 6, Quantity::PropSeg),
                       F("ERJW", "CBT", 16, 5, Quantity::Sjw),
                       F("EPRESDIV", "CBT", 21, 10, Quantity::Brp),
                       F("BTF", "CBT", 31, 1, Quantity::Constant, Coding::Raw, 0, 1)}};
  flexFd.registers.phaseSeg1Spills = true;
  flexFd.data = PhaseLimits{2, 39, 2, 8, 4, 1, 1024, 1};
  flexFd.tdcRule = TdcRule::Flexcan;
  flexFd.dataRegisters = {{{"FDCBT", 32}, {"FDCTRL", 32}},
                          {F("FPSEG2", "FDCBT", 0, 3, Quantity::DataPhaseSeg2),
                           F("FPSEG1", "FDCBT", 5, 3, Quantity::DataPhaseSeg1),
                           F("FPROPSEG", "FDCBT", 10, 5, Quantity::DataPropSeg, Coding::Raw),
                           F("FRJW", "FDCBT", 16, 3, Quantity::DataSjw),
                           F("FPRESDIV", "FDCBT", 20, 10, Quantity::DataBrp),
                           F("TDCVAL", "FDCTRL", 0, 6, Quantity::TdcValue, Coding::Raw),
                           F("TDCOFF", "FDCTRL", 8, 5, Quantity::TdcOffset, Coding::Raw),
                           F("TDCFAIL", "FDCTRL", 14, 1, Quantity::Other, Coding::Raw),
                           F("TDCEN", "FDCTRL", 15, 1, Quantity::TdcMode, Coding::Raw, 0, 1),
                           F("MBDSR0", "FDCTRL", 16, 2, Quantity::Constant, Coding::Raw, 0, 3),
                           F("MBDSR1", "FDCTRL", 19, 2, Quantity::Constant, Coding::Raw, 0, 3),
                           F("FDRATE", "FDCTRL", 31, 1, Quantity::Constant, Coding::Raw, 0, 1)}};
  flexFd.dataRegisters.phaseSeg1Spills = true;
  all.push_back(flexFd);

  // ESP32 TWAI (ESP-IDF, no Linux driver): SJA1000-style registers whose BRP
  // counts pairs of APB clock periods, so brp is even, 2 to 128.
  ControllerProfile twai;
  twai.name = "esp32-twai";
  twai.aliases = {"twai", "esp32"};
  twai.description = "Espressif ESP32 TWAI (ESP-IDF)";
  twai.nominal = {1, 16, 1, 8, 4, 2, 128, 2};
  twai.clock = Clock(1, "80 MHz APB clock", 80000000);
  twai.tripleSampling = true;
  twai.linuxDriver = false;
  twai.registers = Btr0Btr1(Coding::HalfMinusOne);
  all.push_back(twai);
  return all;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

struct NamedQuantity {
  Quantity quantity;
  const char* name;
};
constexpr NamedQuantity kQuantityNames[] = {
    {Quantity::Brp, "brp"},
    {Quantity::Sjw, "sjw"},
    {Quantity::Tseg1, "tseg1"},
    {Quantity::PropSeg, "prop-seg"},
    {Quantity::PhaseSeg1, "phase-seg1"},
    {Quantity::PhaseSeg2, "phase-seg2"},
    {Quantity::TripleSampling, "triple-sampling"},
    {Quantity::Constant, "constant"},
    {Quantity::Other, "other"},
    {Quantity::DataBrp, "data-brp"},
    {Quantity::DataSjw, "data-sjw"},
    {Quantity::DataTseg1, "data-tseg1"},
    {Quantity::DataPropSeg, "data-prop-seg"},
    {Quantity::DataPhaseSeg1, "data-phase-seg1"},
    {Quantity::DataPhaseSeg2, "data-phase-seg2"},
    {Quantity::TdcMode, "tdc-mode"},
    {Quantity::TdcOffset, "tdco"},
    {Quantity::TdcValue, "tdcv"},
    {Quantity::TdcFilter, "tdcf"},
};

}  // namespace

const std::vector<ControllerProfile>& BuiltInProfiles() {
  static const std::vector<ControllerProfile> profiles = MakeBuiltIns();
  return profiles;
}

const ControllerProfile* FindProfile(const std::vector<ControllerProfile>& profiles,
                                     std::string_view name) {
  for (const ControllerProfile& p : profiles)
    if (SameName(p.name, name)) return &p;
  for (const ControllerProfile& p : profiles)
    for (const std::string& alias : p.aliases)
      if (SameName(alias, name)) return &p;
  return nullptr;
}

std::optional<std::uint32_t> KernelClock(const ClockRule& rule, std::uint64_t inputHz) {
  if (rule.divider == 0 || inputHz == 0) return std::nullopt;
  __extension__ unsigned __int128 hz = inputHz;
  if (rule.pllMaxInputHz != 0 && inputHz <= rule.pllMaxInputHz) hz *= rule.pllMultiplier;
  if (hz % rule.divider != 0) return std::nullopt;
  hz /= rule.divider;
  if (hz < 1 || hz > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(hz);
}

std::optional<HeldRange> RangeHeld(const RegisterLayout& layout, Quantity quantity) {
  unsigned width = 0;
  Coding coding = Coding::Raw;
  bool found = false;
  for (const Field& f : layout.fields) {
    if (f.quantity != quantity) continue;
    found = true;
    width = std::max(width, f.valueLsb + f.width);
    coding = f.coding;
  }
  if (!found) return std::nullopt;
  const std::uint64_t top = width >= 64 ? ~0ull : (1ull << width) - 1;
  switch (coding) {
    case Coding::MinusOne: return HeldRange{1, top == ~0ull ? top : top + 1};
    case Coding::Raw: return HeldRange{0, top};
    case Coding::HalfMinusOne: return HeldRange{2, top >= (~0ull >> 1) - 1 ? ~0ull : (top + 1) * 2};
  }
  return std::nullopt;
}

std::string_view QuantityName(Quantity quantity) {
  for (const NamedQuantity& n : kQuantityNames)
    if (n.quantity == quantity) return n.name;
  return "?";
}

std::optional<Quantity> QuantityFromName(std::string_view name) {
  for (const NamedQuantity& n : kQuantityNames)
    if (name == n.name) return n.quantity;
  return std::nullopt;
}

std::string_view TdcRuleName(TdcRule rule) {
  switch (rule) {
    case TdcRule::None: return "none";
    case TdcRule::Kernel: return "kernel";
    case TdcRule::MCan: return "m_can";
    case TdcRule::Flexcan: return "flexcan";
  }
  return "?";
}

std::optional<TdcRule> TdcRuleFromName(std::string_view name) {
  for (const TdcRule r : {TdcRule::None, TdcRule::Kernel, TdcRule::MCan, TdcRule::Flexcan})
    if (name == TdcRuleName(r)) return r;
  return std::nullopt;
}

std::string_view CodingName(Coding coding) {
  switch (coding) {
    case Coding::MinusOne: return "minus-one";
    case Coding::Raw: return "raw";
    case Coding::HalfMinusOne: return "half-minus-one";
  }
  return "?";
}

std::optional<Coding> CodingFromName(std::string_view name) {
  for (const Coding c : {Coding::MinusOne, Coding::Raw, Coding::HalfMinusOne})
    if (name == CodingName(c)) return c;
  return std::nullopt;
}

}  // namespace kelvane::cantiming
