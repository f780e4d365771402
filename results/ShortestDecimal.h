#pragma once

// The shortest decimal text of a double that reads back as exactly that double.

#include <cstddef>

// Room WriteShortestDecimal needs: its text (a sign, 17 digits, the point and an
// exponent, at most 24 characters) and the characters after it that it may
// overwrite, because it stores digits in whole words of eight.
inline constexpr std::size_t kMaxDecimalChars = 48;

// Writes at `out` the text std::to_chars(out, end, value) writes, and returns its
// end: the fewest characters that read back as exactly `value`, in fixed or
// scientific notation, whichever is shorter, the digits closest to `value`
// where several are as short. Values that are not whole numbers, from about
// 7e-12 to 2^52 in magnitude, nearly all values of a vehicle's time series,
// take an exact path in 128-bit integers; all others are left to
// std::to_chars. `out` must have room for kMaxDecimalChars
// characters.
char* WriteShortestDecimal(char* out, double value);
