#pragma once
// The binary and hexadecimal text forms in which registers and fields are
// shown, and their conversions.

#include <cstdint>
#include <string>
#include <string_view>

#include "combination.h"

namespace kelvane {

// The binary digits of value, most significant first, padded on the left with
// "0" to exactly `width` characters; a longer form keeps its first `width`
// digits. A width of 0 or less gives the empty text.
std::string ToBinaryText(std::uint64_t value, int width);

// Looks text up in the table of the 16 groups "0000".."1111" and the digits
// "0".."9", "A".."F" (either form matches its row) and gives the row's digit
// when toHex is true, its group otherwise; no match gives the empty text.
std::string ConvertNibble(std::string_view text, bool toHex);

// Pads with "0" on the left to a multiple of 4 digits, then converts each group.
std::string BinaryToHex(std::string_view binary);

// Each upper-case hexadecimal digit becomes four binary digits; any other
// character contributes nothing ("4f" gives "0100").
std::string HexToBinary(std::string_view hex);

// The value of a binary text plus one (the counted form of a field); "1"
// counts as a one bit, every other character as a zero. The empty text gives 1.
double BinaryDigitsToValue(std::string_view binary);

// The 8-digit register texts: BTR0 = SJW-1 (2 digits) then BRP-1 (6 digits);
// BTR1 = SAM, TSEG2-1 (3 digits), TSEG1-1 (4 digits).
std::string Btr0BinaryText(const Combination& c);
std::string Btr1BinaryText(const Combination& c);

// A register byte as the result lists show it: two upper-case hexadecimal digits.
std::string RegisterHexText(std::uint8_t value);

}  // namespace kelvane
