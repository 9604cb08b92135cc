#pragma once
// One encoder and one decoder for every controller: both read the register
// layout, so a controller's registers are data, not code.

#include "profile.h"
#include "timing.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane::cantiming {

struct RegisterValue {
  std::string name;
  unsigned width = 8;
  std::uint64_t value = 0;
  bool operator==(const RegisterValue&) const = default;
};

// A value for each quantity a layout may ask for; empty where not known.
using QuantityValues = std::array<std::optional<std::uint64_t>, kQuantityCount>;

inline std::optional<std::uint64_t>& At(QuantityValues& values, Quantity q) {
  return values[static_cast<std::size_t>(q)];
}
inline const std::optional<std::uint64_t>& At(const QuantityValues& values, Quantity q) {
  return values[static_cast<std::size_t>(q)];
}

// The nominal quantities of a timing (brp, sjw, tseg1, prop-seg, phase-seg1,
// phase-seg2, triple sampling).
QuantityValues NominalValues(const PhaseTiming& timing);

struct Encoded {
  std::vector<RegisterValue> registers;  // in the layout's order
  std::string error;  // the field that cannot hold its value; registers then empty
};

// The registers for the values: every field takes its coded value; constant
// bits their constant; other and reserved bits 0. A quantity the layout needs
// but values lacks, or a coded value outside the field, is an error. With
// RegisterLayout::phaseSeg1Spills, phase-seg1 beyond its field goes into
// prop-seg first, as the driver writes it.
Encoded Encode(const RegisterLayout& layout, const QuantityValues& values);

// Encode for many timings of one layout: the fields' registers looked up once.
class Encoder {
 public:
  explicit Encoder(const RegisterLayout& layout);
  // Writes one value per register of the layout into out (layout order);
  // false, with error naming the field, when a field cannot hold its value.
  bool Encode(const QuantityValues& values, std::uint64_t* out, std::string* error) const;
  // The same for NominalValues(timing), without building them.
  bool Encode(const PhaseTiming& timing, std::uint64_t* out, std::string* error) const;
  std::size_t RegisterCount() const { return registerCount_; }

 private:
  using Values = std::array<std::uint64_t, kQuantityCount>;
  bool EncodeValues(Values& values, std::uint32_t present, std::uint64_t* out,
                    std::string* error) const;
  // False, with the reason in error when given: the field's quantity is
  // missing (no value) or the field cannot hold value.
  bool Refuse(std::size_t field, std::optional<std::uint64_t> value, std::string* error) const;

  // A field as the encoder needs it, worked out once.
  struct Plan {
    std::size_t quantity = 0;
    bool constant = false;
    bool holdsValue = false;
    Coding coding = Coding::Raw;
    unsigned valueLsb = 0;
    unsigned lsb = 0;
    std::uint64_t fieldMask = 0;
    std::uint64_t codedMask = 0;  // what the quantity's fields hold together
    std::uint64_t constantBits = 0;
    std::size_t reg = 0;
  };
  const RegisterLayout& layout_;
  std::vector<Plan> plans_;  // per field
  std::size_t registerCount_ = 0;
  // With phaseSeg1Spills: what the phase-seg1 fields hold at most.
  std::optional<std::uint64_t> phaseSeg1Max_, dataPhaseSeg1Max_;
};

struct DecodedField {
  std::string name;
  std::string reg;
  Quantity quantity = Quantity::Other;
  std::uint64_t bits = 0;  // the field's bits as read
};

struct Decoded {
  QuantityValues values;              // the quantities the fields give
  std::vector<DecodedField> fields;   // in the layout's order
  // One line for each thing the controller cannot hold: a reserved bit set, a
  // constant field not at its constant, a value below its minimum.
  std::vector<std::string> problems;
};

// Decodes the given registers (all of the layout's, by name, each within its
// width; checked by the caller).
Decoded Decode(const RegisterLayout& layout, const std::vector<RegisterValue>& given);

// The nominal timing the values hold: brp, sjw, phase-seg2, and prop-seg and
// phase-seg1 when the layout has them apart, else tseg1 as phase-seg1 with
// prop-seg 0 (for the caller to split). Empty when brp, sjw, tseg1 or
// phase-seg2 is missing.
std::optional<PhaseTiming> NominalTiming(const QuantityValues& values);

}  // namespace kelvane::cantiming
