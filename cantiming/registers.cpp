#include "registers.h"

#include <algorithm>
#include <cstdio>

namespace kelvane::cantiming {

namespace {

std::uint64_t Mask(unsigned width) { return width >= 64 ? ~0ull : (1ull << width) - 1; }

std::string Hex(std::uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
  return text;
}

// The coded form of a value, empty when the coding cannot express it.
std::optional<std::uint64_t> Coded(Coding coding, std::uint64_t value) {
  switch (coding) {
    case Coding::MinusOne:
      if (value < 1) return std::nullopt;
      return value - 1;
    case Coding::Raw: return value;
    case Coding::HalfMinusOne:
      if (value < 2 || value % 2 != 0) return std::nullopt;
      return value / 2 - 1;
  }
  return std::nullopt;
}

std::uint64_t Uncoded(Coding coding, std::uint64_t coded) {
  switch (coding) {
    case Coding::MinusOne: return coded + 1;
    case Coding::Raw: return coded;
    case Coding::HalfMinusOne: return (coded + 1) * 2;
  }
  return coded;
}

bool HoldsValue(Quantity q) { return q != Quantity::Constant && q != Quantity::Other; }

// The fields of one quantity together hold bits 0 .. (highest valueLsb + width) - 1.
unsigned CodedWidth(const RegisterLayout& layout, Quantity q) {
  unsigned width = 0;
  for (const Field& f : layout.fields)
    if (f.quantity == q) width = std::max(width, f.valueLsb + f.width);
  return width;
}

}  // namespace

QuantityValues NominalValues(const PhaseTiming& t) {
  QuantityValues v;
  At(v, Quantity::Brp) = t.brp;
  At(v, Quantity::Sjw) = t.sjw;
  At(v, Quantity::Tseg1) = t.Tseg1();
  At(v, Quantity::PropSeg) = t.propSeg;
  At(v, Quantity::PhaseSeg1) = t.phaseSeg1;
  At(v, Quantity::PhaseSeg2) = t.phaseSeg2;
  At(v, Quantity::TripleSampling) = t.tripleSampling ? 1 : 0;
  return v;
}

Encoder::Encoder(const RegisterLayout& layout) : layout_(layout), registerCount_(layout.registers.size()) {
  for (const Field& f : layout.fields) {
    Plan plan;
    std::size_t index = 0;
    while (index < layout.registers.size() && layout.registers[index].name != f.reg) ++index;
    plan.reg = index;
    plan.quantity = static_cast<std::size_t>(f.quantity);
    plan.constant = f.quantity == Quantity::Constant;
    plan.holdsValue = HoldsValue(f.quantity);
    plan.coding = f.coding;
    plan.valueLsb = f.valueLsb;
    plan.lsb = f.lsb;
    plan.fieldMask = Mask(f.width);
    plan.codedMask = Mask(CodedWidth(layout, f.quantity));
    plan.constantBits = f.constant;
    plans_.push_back(plan);
  }
  if (layout.phaseSeg1Spills) {
    if (const std::optional<HeldRange> held = RangeHeld(layout, Quantity::PhaseSeg1))
      phaseSeg1Max_ = held->max;
    if (const std::optional<HeldRange> held = RangeHeld(layout, Quantity::DataPhaseSeg1))
      dataPhaseSeg1Max_ = held->max;
  }
}

bool Encoder::Encode(const QuantityValues& given, std::uint64_t* out, std::string* error) const {
  Values values{};
  std::uint32_t present = 0;
  for (std::size_t q = 0; q < kQuantityCount; ++q) {
    if (!given[q]) continue;
    values[q] = *given[q];
    present |= 1u << q;
  }
  return EncodeValues(values, present, out, error);
}

bool Encoder::Encode(const PhaseTiming& t, std::uint64_t* out, std::string* error) const {
  Values values{};
  std::uint32_t present = 0;
  const auto set = [&](Quantity q, std::uint64_t v) {
    values[static_cast<std::size_t>(q)] = v;
    present |= 1u << static_cast<std::size_t>(q);
  };
  set(Quantity::Brp, t.brp);
  set(Quantity::Sjw, t.sjw);
  set(Quantity::Tseg1, t.Tseg1());
  set(Quantity::PropSeg, t.propSeg);
  set(Quantity::PhaseSeg1, t.phaseSeg1);
  set(Quantity::PhaseSeg2, t.phaseSeg2);
  set(Quantity::TripleSampling, t.tripleSampling ? 1 : 0);
  return EncodeValues(values, present, out, error);
}

bool Encoder::Refuse(std::size_t field, std::optional<std::uint64_t> value,
                     std::string* error) const {
  if (error == nullptr) return false;
  const Field& f = layout_.fields[field];
  const std::string quantity(QuantityName(f.quantity));
  *error = value ? f.name + " cannot hold " + quantity + " " + std::to_string(*value)
                 : f.name + ": no " + quantity + " to write";
  return false;
}

bool Encoder::EncodeValues(Values& values, std::uint32_t present, std::uint64_t* out,
                           std::string* error) const {
  static_assert(kQuantityCount <= 32);
  // Phase-seg1 beyond its fields goes into prop-seg, as the flexcan driver
  // writes CBT and FDCBT; the sum, tseg1, stays.
  const auto spill = [&](Quantity phaseSeg1, Quantity propSeg, std::optional<std::uint64_t> held) {
    const auto ps1 = static_cast<std::size_t>(phaseSeg1), prop = static_cast<std::size_t>(propSeg);
    if (!held || !(present >> ps1 & 1) || !(present >> prop & 1) || values[ps1] <= *held) return;
    values[prop] += values[ps1] - *held;
    values[ps1] = *held;
  };
  if (layout_.phaseSeg1Spills) {
    spill(Quantity::PhaseSeg1, Quantity::PropSeg, phaseSeg1Max_);
    spill(Quantity::DataPhaseSeg1, Quantity::DataPropSeg, dataPhaseSeg1Max_);
  }
  std::fill(out, out + registerCount_, 0);
  for (std::size_t i = 0; i < plans_.size(); ++i) {
    const Plan& p = plans_[i];
    std::uint64_t bits = 0;
    if (p.constant) {
      bits = p.constantBits;
    } else if (p.holdsValue) {
      if (!(present >> p.quantity & 1)) return Refuse(i, std::nullopt, error);
      const std::uint64_t value = values[p.quantity];
      const std::optional<std::uint64_t> coded = Coded(p.coding, value);
      if (!coded || *coded > p.codedMask) return Refuse(i, value, error);
      bits = (*coded >> p.valueLsb) & p.fieldMask;
    }
    if (p.reg < registerCount_) out[p.reg] |= (bits & p.fieldMask) << p.lsb;
  }
  return true;
}

Encoded Encode(const RegisterLayout& layout, const QuantityValues& values) {
  Encoded out;
  const Encoder encoder(layout);
  std::vector<std::uint64_t> words(layout.registers.size());
  if (!encoder.Encode(values, words.data(), &out.error)) return out;
  out.registers.reserve(words.size());
  for (std::size_t i = 0; i < words.size(); ++i)
    out.registers.push_back({layout.registers[i].name, layout.registers[i].width, words[i]});
  return out;
}

Decoded Decode(const RegisterLayout& layout, const std::vector<RegisterValue>& given) {
  Decoded out;
  const auto valueOf = [&](const std::string& name) -> std::uint64_t {
    for (const RegisterValue& r : given)
      if (r.name == name) return r.value;
    return 0;
  };
  QuantityValues coded;
  for (const Field& f : layout.fields) {
    const std::uint64_t bits = (valueOf(f.reg) >> f.lsb) & Mask(f.width);
    out.fields.push_back({f.name, f.reg, f.quantity, bits});
    if (f.quantity == Quantity::Constant) {
      if (bits != f.constant)
        out.problems.push_back(f.name + " (" + f.reg + ") is " + Hex(bits) + "; the controller " +
                               "needs " + Hex(f.constant));
    } else if (HoldsValue(f.quantity)) {
      std::optional<std::uint64_t>& c = At(coded, f.quantity);
      c = c.value_or(0) | (bits << f.valueLsb);
    }
  }
  for (std::size_t q = 0; q < kQuantityCount; ++q) {
    if (!coded[q]) continue;
    Coding coding = Coding::Raw;
    for (const Field& f : layout.fields)
      if (static_cast<std::size_t>(f.quantity) == q) coding = f.coding;
    out.values[q] = Uncoded(coding, *coded[q]);
  }
  for (const Register& r : layout.registers) {
    std::uint64_t named = 0;
    for (const Field& f : layout.fields)
      if (f.reg == r.name) named |= Mask(f.width) << f.lsb;
    const std::uint64_t reserved = valueOf(r.name) & Mask(r.width) & ~named;
    if (reserved != 0)
      out.problems.push_back(r.name + " has reserved bits set (" + Hex(reserved) + ")");
  }
  return out;
}

std::optional<PhaseTiming> NominalTiming(const QuantityValues& v) {
  const auto& brp = At(v, Quantity::Brp);
  const auto& sjw = At(v, Quantity::Sjw);
  const auto& ps2 = At(v, Quantity::PhaseSeg2);
  const auto& tseg1 = At(v, Quantity::Tseg1);
  const auto& prop = At(v, Quantity::PropSeg);
  const auto& ps1 = At(v, Quantity::PhaseSeg1);
  if (!brp || !sjw || !ps2 || !(tseg1 || (prop && ps1))) return std::nullopt;
  const auto narrow = [](std::uint64_t x) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(x, UINT32_MAX));
  };
  PhaseTiming t;
  t.brp = narrow(*brp);
  t.sjw = narrow(*sjw);
  t.phaseSeg2 = narrow(*ps2);
  if (prop && ps1) {
    t.propSeg = narrow(*prop);
    t.phaseSeg1 = narrow(*ps1);
  } else {
    t.propSeg = 0;
    t.phaseSeg1 = narrow(*tseg1);
  }
  t.tripleSampling = At(v, Quantity::TripleSampling).value_or(0) != 0;
  return t;
}

}  // namespace kelvane::cantiming
