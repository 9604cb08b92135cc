#pragma once
// Number reading and writing for the whole program: one implementation,
// independent of the C locale, with exact ties rounded away from zero.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// Reads a decimal number from the leading characters of text: C white space,
// an optional sign, digits with an optional point, an optional exponent.
// No "inf", "nan" or hexadecimal. Text that does not start with a number
// gives 0; characters after the number are ignored; overflow gives an infinity.
double ReadDouble(std::string_view text);

// Reads a decimal integer from the leading characters of text (white space,
// optional sign, digits). Returns false when the text does not begin with one.
// Values outside the 32-bit range saturate.
bool ReadInt(std::string_view text, int& value);

// Same, but gives 0 for text that does not start with an integer.
int ReadIntOrZero(std::string_view text);

// The magnitude-preserving fixed form with `decimals` digits after the point
// (no point when decimals is 0), rounded to nearest on the exact binary value,
// halves away from zero. Infinities are "inf"/"-inf", NaN is "nan" or "-nan".
std::string FormatFixed(double value, int decimals);

// The "%f" form: FormatFixed(value, 6).
std::string FormatF(double value);

// The "%d" form of an integer.
std::string FormatD(std::int64_t value);

// The "%d" form of a floating value: truncated towards zero; a value that is not
// finite or lies outside the 32-bit range is written "-2147483648".
std::string FormatDTruncated(double value);

}  // namespace kelvane
