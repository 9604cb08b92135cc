#include "big_unsigned.h"

#include <algorithm>

namespace kelvane {

BigUnsigned::BigUnsigned(std::uint64_t value) {
  while (value != 0) {
    limbs_.push_back(static_cast<std::uint32_t>(value));
    value >>= 32;
  }
}

void BigUnsigned::Trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

int BigUnsigned::BitLength() const {
  if (limbs_.empty()) return 0;
  int bits = static_cast<int>(limbs_.size() - 1) * 32;
  for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1) ++bits;
  return bits;
}

bool BigUnsigned::TestBit(int bit) const {
  if (bit < 0) return false;
  const std::size_t limb = static_cast<std::size_t>(bit) / 32;
  if (limb >= limbs_.size()) return false;
  return ((limbs_[limb] >> (bit % 32)) & 1u) != 0;
}

bool BigUnsigned::AnyBitBelow(int bit) const {
  if (bit <= 0) return false;
  const std::size_t whole = std::min(static_cast<std::size_t>(bit) / 32, limbs_.size());
  for (std::size_t i = 0; i < whole; ++i) {
    if (limbs_[i] != 0) return true;
  }
  if (whole < limbs_.size() && bit % 32 != 0) {
    const std::uint32_t mask = (1u << (bit % 32)) - 1u;
    if ((limbs_[whole] & mask) != 0) return true;
  }
  return false;
}

std::uint64_t BigUnsigned::BitsFrom(int lowBit) const {
  std::uint64_t result = 0;
  for (int i = 0; i < 64; ++i) {
    if (TestBit(lowBit + i)) result |= std::uint64_t{1} << i;
  }
  return result;
}

void BigUnsigned::MultiplySmall(std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (std::uint32_t& limb : limbs_) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product);
    carry = product >> 32;
  }
  if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  Trim();
}

void BigUnsigned::AddSmall(std::uint32_t addend) {
  std::uint64_t carry = addend;
  for (std::size_t i = 0; carry != 0; ++i) {
    if (i == limbs_.size()) limbs_.push_back(0);
    const std::uint64_t sum = std::uint64_t{limbs_[i]} + carry;
    limbs_[i] = static_cast<std::uint32_t>(sum);
    carry = sum >> 32;
  }
}

void BigUnsigned::MultiplyPowerOfTen(int exponent) {
  for (; exponent >= 9; exponent -= 9) MultiplySmall(1000000000u);
  std::uint32_t rest = 1;
  for (; exponent > 0; --exponent) rest *= 10;
  if (rest != 1) MultiplySmall(rest);
}

void BigUnsigned::ShiftLeft(int bits) {
  if (limbs_.empty() || bits <= 0) return;
  const std::size_t whole = static_cast<std::size_t>(bits) / 32;
  const int part = bits % 32;
  if (part != 0) {
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint32_t next = limb >> (32 - part);
      limb = (limb << part) | carry;
      carry = next;
    }
    if (carry != 0) limbs_.push_back(carry);
  }
  limbs_.insert(limbs_.begin(), whole, 0u);
}

void BigUnsigned::ShiftRight(int bits) {
  if (bits <= 0) return;
  const std::size_t whole = static_cast<std::size_t>(bits) / 32;
  if (whole >= limbs_.size()) {
    limbs_.clear();
    return;
  }
  limbs_.erase(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(whole));
  const int part = bits % 32;
  if (part != 0) {
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint32_t high = i + 1 < limbs_.size() ? limbs_[i + 1] << (32 - part) : 0u;
      limbs_[i] = (limbs_[i] >> part) | high;
    }
  }
  Trim();
}

void BigUnsigned::AddPowerOfTwo(int bit) {
  if (bit < 0) return;
  std::size_t i = static_cast<std::size_t>(bit) / 32;
  if (limbs_.size() <= i) limbs_.resize(i + 1, 0u);
  std::uint64_t carry = std::uint64_t{1} << (bit % 32);
  for (; carry != 0; ++i) {
    if (i == limbs_.size()) limbs_.push_back(0);
    const std::uint64_t sum = std::uint64_t{limbs_[i]} + carry;
    limbs_[i] = static_cast<std::uint32_t>(sum);
    carry = sum >> 32;
  }
}

void BigUnsigned::Subtract(const BigUnsigned& other) {
  std::int64_t borrow = 0;
  for (std::size_t i = 0; i < limbs_.size(); ++i) {
    std::int64_t difference = std::int64_t{limbs_[i]} - borrow -
                              (i < other.limbs_.size() ? std::int64_t{other.limbs_[i]} : 0);
    borrow = difference < 0 ? 1 : 0;
    if (difference < 0) difference += std::int64_t{1} << 32;
    limbs_[i] = static_cast<std::uint32_t>(difference);
  }
  Trim();
}

std::uint32_t BigUnsigned::DivideSmall(std::uint32_t divisor) {
  std::uint64_t remainder = 0;
  for (std::size_t i = limbs_.size(); i-- > 0;) {
    const std::uint64_t current = (remainder << 32) | limbs_[i];
    limbs_[i] = static_cast<std::uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  Trim();
  return static_cast<std::uint32_t>(remainder);
}

std::string BigUnsigned::ToDecimal() const {
  if (limbs_.empty()) return "0";
  BigUnsigned rest = *this;
  std::vector<std::uint32_t> groups;  // base 10^9, least significant first
  while (!rest.IsZero()) groups.push_back(rest.DivideSmall(1000000000u));
  std::string text;
  text.reserve(groups.size() * 9);
  for (std::size_t i = groups.size(); i-- > 0;) {
    char group[9];
    std::uint32_t value = groups[i];
    for (int digit = 8; digit >= 0; --digit) {
      group[digit] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
    text.append(group, 9);
  }
  const std::size_t first = text.find_first_not_of('0');
  return text.substr(first);
}

int Compare(const BigUnsigned& a, const BigUnsigned& b) {
  if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
  for (std::size_t i = a.limbs_.size(); i-- > 0;) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
  }
  return 0;
}

}  // namespace kelvane
