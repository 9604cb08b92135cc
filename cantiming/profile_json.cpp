// The JSON form of a profile, for controllers the table does not hold.
#include "profile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <set>

namespace kelvane::cantiming {

namespace {

using Json = nlohmann::json;

// Limits far above any controller's, so that a mistyped file cannot make the
// searches run for minutes.
constexpr std::uint64_t kMostQuanta = 4096;
constexpr std::uint64_t kMostBrp = 1u << 20;

struct Bad {
  std::string message;
};

std::uint64_t Whole(const Json& object, const char* key, const std::string& where,
                    std::optional<std::uint64_t> fallback = std::nullopt) {
  const auto it = object.find(key);
  if (it == object.end()) {
    if (fallback) return *fallback;
    throw Bad{where + key + ": missing"};
  }
  if (!it->is_number_unsigned() && !(it->is_number_integer() && it->get<std::int64_t>() == 0))
    throw Bad{where + key + ": give a whole number of at least 0"};
  return it->get<std::uint64_t>();
}

std::uint32_t Whole32(const Json& object, const char* key, const std::string& where,
                      std::optional<std::uint64_t> fallback = std::nullopt) {
  const std::uint64_t v = Whole(object, key, where, fallback);
  if (v > UINT32_MAX) throw Bad{where + key + ": at most 4294967295"};
  return static_cast<std::uint32_t>(v);
}

std::string Text(const Json& object, const char* key, const std::string& where,
                 std::optional<std::string> fallback = std::nullopt) {
  const auto it = object.find(key);
  if (it == object.end()) {
    if (fallback) return *fallback;
    throw Bad{where + key + ": missing"};
  }
  if (!it->is_string()) throw Bad{where + key + ": give a text in quotes"};
  return it->get<std::string>();
}

const Json& Object(const Json& parent, const char* key, const std::string& where) {
  const auto it = parent.find(key);
  if (it == parent.end()) throw Bad{where + key + ": missing"};
  if (!it->is_object()) throw Bad{where + key + ": give an object"};
  return *it;
}

PhaseLimits LimitsFrom(const Json& o, const std::string& where) {
  PhaseLimits l;
  l.tseg1Min = Whole32(o, "tseg1_min", where);
  l.tseg1Max = Whole32(o, "tseg1_max", where);
  l.tseg2Min = Whole32(o, "tseg2_min", where);
  l.tseg2Max = Whole32(o, "tseg2_max", where);
  l.sjwMax = Whole32(o, "sjw_max", where);
  l.brpMin = Whole32(o, "brp_min", where);
  l.brpMax = Whole32(o, "brp_max", where);
  l.brpInc = Whole32(o, "brp_inc", where, 1);
  return l;
}

RegisterLayout LayoutFrom(const Json& o, const char* registersKey, const char* fieldsKey,
                          const std::string& where) {
  RegisterLayout layout;
  const auto regs = o.find(registersKey);
  if (regs == o.end()) return layout;
  if (!regs->is_array()) throw Bad{where + registersKey + ": give an array"};
  for (std::size_t i = 0; i < regs->size(); ++i) {
    const Json& r = (*regs)[i];
    const std::string at = where + registersKey + "[" + std::to_string(i) + "].";
    if (!r.is_object()) throw Bad{at.substr(0, at.size() - 1) + ": give an object"};
    layout.registers.push_back({Text(r, "name", at), Whole32(r, "width", at)});
  }
  const auto fields = o.find(fieldsKey);
  if (fields == o.end()) throw Bad{where + fieldsKey + ": missing"};
  if (!fields->is_array()) throw Bad{where + fieldsKey + ": give an array"};
  for (std::size_t i = 0; i < fields->size(); ++i) {
    const Json& f = (*fields)[i];
    const std::string at = where + fieldsKey + "[" + std::to_string(i) + "].";
    if (!f.is_object()) throw Bad{at.substr(0, at.size() - 1) + ": give an object"};
    Field field;
    field.name = Text(f, "name", at);
    field.reg = Text(f, "register", at);
    field.lsb = Whole32(f, "lsb", at);
    field.width = Whole32(f, "width", at);
    const std::string holds = Text(f, "holds", at);
    const std::optional<Quantity> q = QuantityFromName(holds);
    if (!q) throw Bad{at + "holds: '" + holds + "' is not a quantity (brp, sjw, tseg1, " +
                      "prop-seg, phase-seg1, phase-seg2, triple-sampling, constant, other, ...)"};
    field.quantity = *q;
    const std::string coding = Text(f, "coding", at, std::string("minus-one"));
    const std::optional<Coding> c = CodingFromName(coding);
    if (!c) throw Bad{at + "coding: '" + coding + "': give minus-one, raw or half-minus-one"};
    field.coding = *c;
    field.valueLsb = Whole32(f, "value_lsb", at, 0);
    field.constant = Whole(f, "constant", at, 0);
    layout.fields.push_back(field);
  }
  return layout;
}

ControllerProfile ProfileFrom(const Json& o, const std::string& where) {
  if (!o.is_object()) throw Bad{where + " give an object"};
  ControllerProfile p;
  p.name = Text(o, "name", where);
  const std::string named = where + "(\"" + p.name + "\") ";
  if (const auto a = o.find("aliases"); a != o.end()) {
    if (!a->is_array()) throw Bad{named + "aliases: give an array of texts"};
    for (const Json& alias : *a) {
      if (!alias.is_string()) throw Bad{named + "aliases: give an array of texts"};
      p.aliases.push_back(alias.get<std::string>());
    }
  }
  p.description = Text(o, "description", named, std::string("from a file"));
  p.nominal = LimitsFrom(Object(o, "bittiming_const", named), named + "bittiming_const.");
  const Json& clock = Object(o, "clock", named);
  const std::string at = named + "clock.";
  p.clock.divider = Whole32(clock, "divider", at, 1);
  p.clock.pllMultiplier = Whole32(clock, "pll_multiplier", at, 1);
  p.clock.pllMaxInputHz = Whole(clock, "pll_max_input_hz", at, 0);
  p.clock.defaultInputHz = Whole(clock, "default_input_hz", at, 0);
  p.clock.text = Text(clock, "text", at,
                      p.clock.divider == 1 ? std::string("Fosc")
                                           : "Fosc / " + std::to_string(p.clock.divider));
  if (const auto t = o.find("triple_sampling"); t != o.end()) {
    if (!t->is_boolean()) throw Bad{named + "triple_sampling: give true or false"};
    p.tripleSampling = t->get<bool>();
  }
  if (const auto d = o.find("linux_driver"); d != o.end()) {
    if (!d->is_boolean()) throw Bad{named + "linux_driver: give true or false"};
    p.linuxDriver = d->get<bool>();
  }
  if (o.find("registers") == o.end()) throw Bad{named + "registers: missing"};
  p.registers = LayoutFrom(o, "registers", "fields", named);
  if (o.contains("data_bittiming_const"))
    p.data = LimitsFrom(Object(o, "data_bittiming_const", named), named + "data_bittiming_const.");
  if (o.contains("tdc_const")) {
    const Json& t = Object(o, "tdc_const", named);
    const std::string tat = named + "tdc_const.";
    p.tdc = TdcLimits{Whole32(t, "tdcv_min", tat, 0), Whole32(t, "tdcv_max", tat, 0),
                      Whole32(t, "tdco_min", tat, 0), Whole32(t, "tdco_max", tat),
                      Whole32(t, "tdcf_min", tat, 0), Whole32(t, "tdcf_max", tat, 0)};
  }
  p.dataRegisters = LayoutFrom(o, "data_registers", "data_fields", named);
  p.tdcRule = p.tdc ? TdcRule::Kernel : TdcRule::None;
  if (const auto r = o.find("tdc_rule"); r != o.end()) {
    const std::optional<TdcRule> rule = r->is_string() ? TdcRuleFromName(r->get<std::string>())
                                                       : std::nullopt;
    if (!rule) throw Bad{named + "tdc_rule: give none, kernel, m_can or flexcan"};
    p.tdcRule = *rule;
  }
  if (const auto s = o.find("phase_seg1_spills"); s != o.end()) {
    if (!s->is_boolean()) throw Bad{named + "phase_seg1_spills: give true or false"};
    p.registers.phaseSeg1Spills = p.dataRegisters.phaseSeg1Spills = s->get<bool>();
  }
  const std::string problem = CheckProfile(p);
  if (!problem.empty()) throw Bad{named + problem};
  return p;
}

std::string CheckLimits(const PhaseLimits& l, const std::string& what) {
  if (l.tseg1Min < 1 || l.tseg2Min < 1 || l.brpMin < 1 || l.sjwMax < 1 || l.brpInc < 1)
    return what + ": tseg1_min, tseg2_min, sjw_max, brp_min and brp_inc are at least 1";
  if (l.tseg1Min > l.tseg1Max) return what + ".tseg1_min: above tseg1_max";
  if (l.tseg2Min > l.tseg2Max) return what + ".tseg2_min: above tseg2_max";
  if (l.brpMin > l.brpMax) return what + ".brp_min: above brp_max";
  if (1ull + l.tseg1Max + l.tseg2Max > kMostQuanta)
    return what + ": tseg1_max + tseg2_max above " + std::to_string(kMostQuanta - 1);
  if (l.brpMax > kMostBrp) return what + ".brp_max: above " + std::to_string(kMostBrp);
  return {};
}

std::string CheckLayout(const RegisterLayout& layout, const std::string& what) {
  std::set<std::string> names;
  for (const Register& r : layout.registers) {
    if (r.name.empty()) return what + ": a register without a name";
    if (!names.insert(r.name).second) return what + ": register " + r.name + " given twice";
    if (r.width < 1 || r.width > 64) return what + ": register " + r.name + " width: 1 to 64";
  }
  std::vector<std::pair<std::string, std::uint64_t>> used;  // register, bits taken
  for (const Field& f : layout.fields) {
    const std::string at = what + ": field " + f.name;
    const auto reg = std::find_if(layout.registers.begin(), layout.registers.end(),
                                  [&](const Register& r) { return r.name == f.reg; });
    if (reg == layout.registers.end()) return at + ": no register named " + f.reg;
    // Sums in 64 bits: a file's lsb near 2^32 must not wrap round into range.
    const std::uint64_t top = std::uint64_t{f.lsb} + f.width;
    if (f.width < 1) return at + ": width: at least 1";
    if (top > reg->width)
      return at + ": bits " + std::to_string(f.lsb) + " to " + std::to_string(top - 1) + " are outside " + f.reg;
    if (std::uint64_t{f.valueLsb} + f.width > 63) return at + ": value_lsb + width above 63";
    const std::uint64_t bits = ((f.width >= 64 ? ~0ull : (1ull << f.width) - 1)) << f.lsb;
    for (auto& [name, taken] : used)
      if (name == f.reg && (taken & bits) != 0) return at + ": shares bits with another field";
    used.emplace_back(f.reg, bits);
    if ((f.quantity == Quantity::Constant || f.quantity == Quantity::TdcMode) && f.width < 64 &&
        f.constant >> f.width != 0)
      return at + ": constant does not fit its width";
  }
  return {};
}

bool Holds(const RegisterLayout& layout, Quantity q) { return RangeHeld(layout, q).has_value(); }

}  // namespace

std::string CheckProfile(const ControllerProfile& p) {
  if (p.name.empty()) return "name: empty";
  for (const char c : p.name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.'))
      return "name: letters, digits, '-', '_' and '.' only";
  std::string problem = CheckLimits(p.nominal, "bittiming_const");
  if (!problem.empty()) return problem;
  if (p.clock.divider < 1 || p.clock.pllMultiplier < 1)
    return "clock: divider and pll_multiplier are at least 1";
  problem = CheckLayout(p.registers, "registers");
  if (!problem.empty()) return problem;
  if (!p.registers.empty()) {
    const bool split = Holds(p.registers, Quantity::PropSeg) && Holds(p.registers, Quantity::PhaseSeg1);
    if (!Holds(p.registers, Quantity::Brp) || !Holds(p.registers, Quantity::Sjw) ||
        !Holds(p.registers, Quantity::PhaseSeg2) || !(split || Holds(p.registers, Quantity::Tseg1)))
      return "fields: brp, sjw, phase-seg2 and tseg1 (or prop-seg and phase-seg1) each need a field";
  }
  if (p.data) {
    problem = CheckLimits(*p.data, "data_bittiming_const");
    if (!problem.empty()) return problem;
  }
  if (p.tdcRule != TdcRule::None && !p.data) return "tdc_rule: needs data_bittiming_const";
  if (p.tdcRule == TdcRule::Kernel && !p.tdc) return "tdc_rule: kernel needs tdc_const";
  if (p.tdc && p.tdc->tdcoMin > p.tdc->tdcoMax) return "tdc_const.tdco_min: above tdco_max";
  return CheckLayout(p.dataRegisters, "data_registers");
}

std::vector<ControllerProfile> ProfilesFromJson(std::string_view text, std::string& error) {
  error.clear();
  const Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
  if (doc.is_discarded()) {
    error = "not JSON";
    return {};
  }
  std::vector<ControllerProfile> out;
  try {
    if (doc.is_object() && doc.contains("controllers") && !doc.contains("name")) {
      const Json& list = doc["controllers"];
      if (!list.is_array() || list.empty()) throw Bad{"controllers: give an array of controllers"};
      for (std::size_t i = 0; i < list.size(); ++i)
        out.push_back(ProfileFrom(list[i], "controllers[" + std::to_string(i) + "] "));
    } else if (doc.is_array()) {
      if (doc.empty()) throw Bad{"no controller in the file"};
      for (std::size_t i = 0; i < doc.size(); ++i)
        out.push_back(ProfileFrom(doc[i], "[" + std::to_string(i) + "] "));
    } else {
      out.push_back(ProfileFrom(doc, ""));
    }
  } catch (const Bad& bad) {
    error = bad.message;
    out.clear();
  }
  return out;
}

namespace {

nlohmann::ordered_json LimitsJson(const PhaseLimits& l) {
  nlohmann::ordered_json o = nlohmann::ordered_json::object();
  o["tseg1_min"] = l.tseg1Min;
  o["tseg1_max"] = l.tseg1Max;
  o["tseg2_min"] = l.tseg2Min;
  o["tseg2_max"] = l.tseg2Max;
  o["sjw_max"] = l.sjwMax;
  o["brp_min"] = l.brpMin;
  o["brp_max"] = l.brpMax;
  o["brp_inc"] = l.brpInc;
  return o;
}

void LayoutJson(const RegisterLayout& layout, const char* registersKey, const char* fieldsKey,
                nlohmann::ordered_json& into) {
  nlohmann::ordered_json regs = nlohmann::ordered_json::array();
  for (const Register& r : layout.registers) regs.push_back({{"name", r.name}, {"width", r.width}});
  nlohmann::ordered_json fields = nlohmann::ordered_json::array();
  for (const Field& f : layout.fields) {
    nlohmann::ordered_json j = {{"name", f.name},   {"register", f.reg},
                                {"lsb", f.lsb},     {"width", f.width},
                                {"holds", QuantityName(f.quantity)},
                                {"coding", CodingName(f.coding)}};
    if (f.valueLsb != 0) j["value_lsb"] = f.valueLsb;
    if (f.quantity == Quantity::Constant || (f.quantity == Quantity::TdcMode && f.constant != 0))
      j["constant"] = f.constant;
    fields.push_back(j);
  }
  into[registersKey] = regs;
  into[fieldsKey] = fields;
}

}  // namespace

std::string ProfilesToJson(const std::vector<ControllerProfile>& profiles, int indent) {
  using Ordered = nlohmann::ordered_json;
  Ordered list = Ordered::array();
  for (const ControllerProfile& p : profiles) {
    Ordered o = Ordered::object();
    o["name"] = p.name;
    o["aliases"] = p.aliases;
    o["description"] = p.description;
    o["clock"] = {{"divider", p.clock.divider},
                  {"pll_multiplier", p.clock.pllMultiplier},
                  {"pll_max_input_hz", p.clock.pllMaxInputHz},
                  {"default_input_hz", p.clock.defaultInputHz},
                  {"text", p.clock.text}};
    o["triple_sampling"] = p.tripleSampling;
    o["linux_driver"] = p.linuxDriver;
    o["bittiming_const"] = LimitsJson(p.nominal);
    LayoutJson(p.registers, "registers", "fields", o);
    if (p.data) o["data_bittiming_const"] = LimitsJson(*p.data);
    if (p.tdc)
      o["tdc_const"] = {{"tdcv_min", p.tdc->tdcvMin}, {"tdcv_max", p.tdc->tdcvMax},
                        {"tdco_min", p.tdc->tdcoMin}, {"tdco_max", p.tdc->tdcoMax},
                        {"tdcf_min", p.tdc->tdcfMin}, {"tdcf_max", p.tdc->tdcfMax}};
    if (!p.dataRegisters.empty()) LayoutJson(p.dataRegisters, "data_registers", "data_fields", o);
    if (p.data) o["tdc_rule"] = TdcRuleName(p.tdcRule);
    if (p.registers.phaseSeg1Spills || p.dataRegisters.phaseSeg1Spills) o["phase_seg1_spills"] = true;
    list.push_back(o);
  }
  Ordered root = {{"controllers", list}};
  return root.dump(indent, ' ', false, Ordered::error_handler_t::replace);
}

}  // namespace kelvane::cantiming
