#pragma once
// A small arbitrary-precision unsigned integer, just enough for exact decimal
// reading and writing of doubles (a few thousand bits at most).

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

class BigUnsigned {
 public:
  BigUnsigned() = default;
  explicit BigUnsigned(std::uint64_t value);

  bool IsZero() const { return limbs_.empty(); }
  int BitLength() const;
  bool TestBit(int bit) const;
  // True when any bit below `bit` is set.
  bool AnyBitBelow(int bit) const;
  // The 64 bits starting at `lowBit` (bits above the number read as 0).
  std::uint64_t BitsFrom(int lowBit) const;

  void MultiplySmall(std::uint32_t factor);
  void AddSmall(std::uint32_t addend);
  void MultiplyPowerOfTen(int exponent);
  void ShiftLeft(int bits);
  void ShiftRight(int bits);
  void AddPowerOfTwo(int bit);
  // Requires *this >= other.
  void Subtract(const BigUnsigned& other);
  // Divides in place, returns the remainder.
  std::uint32_t DivideSmall(std::uint32_t divisor);

  std::string ToDecimal() const;

  friend int Compare(const BigUnsigned& a, const BigUnsigned& b);
  friend bool operator==(const BigUnsigned& a, const BigUnsigned& b) { return a.limbs_ == b.limbs_; }

 private:
  void Trim();
  std::vector<std::uint32_t> limbs_;  // least significant first, no leading zero limbs
};

}  // namespace kelvane
