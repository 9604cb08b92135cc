#include "text_forms.h"

#include <array>

namespace kelvane {
namespace {

constexpr std::array<const char*, 16> kGroups = {
    "0000", "0001", "0010", "0011", "0100", "0101", "0110", "0111",
    "1000", "1001", "1010", "1011", "1100", "1101", "1110", "1111"};
constexpr char kDigits[] = "0123456789ABCDEF";

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ToBinaryText(std::uint64_t value, int width) {
  if (width <= 0) return {};
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + (value & 1u)));
    value >>= 1;
  } while (value != 0);
  if (digits.size() >= static_cast<std::size_t>(width)) {
    return digits.substr(0, static_cast<std::size_t>(width));
  }
  return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

std::string ConvertNibble(std::string_view text, bool toHex) {
  for (std::size_t row = 0; row < kGroups.size(); ++row) {
    if (text == kGroups[row] || text == std::string_view(&kDigits[row], 1)) {
      return toHex ? std::string(1, kDigits[row]) : std::string(kGroups[row]);
    }
  }
  return {};
}

std::string BinaryToHex(std::string_view binary) {
  std::string padded(static_cast<std::size_t>((4 - binary.size() % 4) % 4), '0');
  padded += binary;
  std::string hex;
  for (std::size_t i = 0; i < padded.size(); i += 4) {
    hex += ConvertNibble(std::string_view(padded).substr(i, 4), true);
  }
  return hex;
}

std::string HexToBinary(std::string_view hex) {
  std::string binary;
  for (char c : hex) {
    const int value = HexDigitValue(c);
    if (value >= 0) binary += kGroups[static_cast<std::size_t>(value)];
  }
  return binary;
}

double BinaryDigitsToValue(std::string_view binary) {
  double value = 0.0;
  for (char c : binary) value = value * 2.0 + (c == '1' ? 1.0 : 0.0);
  return value + 1.0;
}

std::string Btr0BinaryText(const Combination& c) {
  return ToBinaryText(static_cast<std::uint64_t>(c.sjw - 1), 2) +
         ToBinaryText(static_cast<std::uint64_t>(c.brp - 1), 6);
}

std::string Btr1BinaryText(const Combination& c) {
  std::string text(1, c.sam == 1 ? '1' : '0');
  text += ToBinaryText(static_cast<std::uint64_t>(c.tseg2 - 1), 3);
  text += ToBinaryText(static_cast<std::uint64_t>(c.tseg1 - 1), 4);
  return text;
}

std::string RegisterHexText(std::uint8_t value) {
  return std::string{kDigits[value >> 4], kDigits[value & 0x0F]};
}

}  // namespace kelvane
