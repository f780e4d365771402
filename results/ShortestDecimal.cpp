#include "results/ShortestDecimal.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

__extension__ using Wide = unsigned __int128;

// A double is m 2^e with m < 2^53. Its decimal candidates are counted in units
// of 10^-q, q chosen so that the double is 10^16 to 2 10^17 units:
// q = 16 - floor(log10(2^(e + 52))). In those units the double is
// m 2^e 10^q = 4 m 5^q / 2^s with s = 2 - (e + q); as a fixed-point number with
// 64 bits after the point that is 4 m K with K = 5^q 2^(64 - s), exact in 128
// bits while q <= 31 (5^q below 2^72) and s <= 64: for exponents from about
// -89, magnitudes from about 7e-12.
constexpr int kMaxScale = 31;
constexpr int kMaxShift = 64;

constexpr int DecimalScale(int e) {
  return 16 - (((e + 52) * 78913) >> 18);  // floor(log10(2)) of e + 52, the double's log2
}

constexpr int Shift(int e) {
  return 2 - (e + DecimalScale(e));
}

constexpr int LowestExponent() {
  int e = -1;
  while (DecimalScale(e - 1) <= kMaxScale && Shift(e - 1) <= kMaxShift) --e;
  return e;
}

constexpr int kLowestExponent = LowestExponent();

struct Scale {
  Wide factor;  // K
  int q;
};

// The scale of every exponent from -1 down to kLowestExponent.
constexpr std::array<Scale, -kLowestExponent> kScales = [] {
  std::array<Scale, -kLowestExponent> scales{};
  for (int e = -1; e >= kLowestExponent; --e) {
    Wide five = 1;
    for (int i = 0; i < DecimalScale(e); ++i) five *= 5;
    scales[-1 - e] = {five << (kMaxShift - Shift(e)), DecimalScale(e)};
  }
  return scales;
}();

constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
  std::array<std::uint64_t, 20> powers{};
  powers[0] = 1;
  for (int i = 1; i < 20; ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// A decimal: digits 10^exponent.
struct Decimal {
  std::uint64_t digits;
  int exponent;
};

// The shortest decimal that reads back as m 2^e, the closest to it where
// several are as short (an exact tie goes to the even one). False outside the
// exact range: whole numbers, and magnitudes below about 7e-12.
//
// Reading a decimal rounds it to the nearest double, a tie to the even m: so
// the decimals that read back as m 2^e lie within half a step of it on either
// side, the boundaries included when m is even. The step below the lowest m of
// an exponent is half as long. In units of 10^-q (see Scale) the double is
// x = 4 m K / 2^64 and half a step is 2 K / 2^64.
bool Shortest(std::uint64_t m, int e, Decimal& decimal) {
  constexpr std::uint64_t kLowestM = std::uint64_t{1} << 52;
  if (e >= 0 || e < kLowestExponent) return false;
  if (e >= -52 && (m & ((std::uint64_t{1} << -e) - 1)) == 0) return false;
  const Scale& scale = kScales[-1 - e];
  const Wide x = static_cast<Wide>(m << 2) * scale.factor;
  const Wide halfStep = 2 * scale.factor;
  const Wide upper = x + halfStep;
  const Wide lower = x - (m == kLowestM ? scale.factor : halfStep);
  const bool boundariesIn = (m & 1) == 0;
  const auto whole = [](Wide value) { return static_cast<std::uint64_t>(value >> 64); };
  const auto fraction = [](Wide value) { return static_cast<std::uint64_t>(value); };

  // The whole units from the lower to the upper boundary.
  std::uint64_t low = whole(lower) + (fraction(lower) != 0 || !boundariesIn ? 1 : 0);
  std::uint64_t high = whole(upper) - (fraction(upper) == 0 && !boundariesIn ? 1 : 0);

  // Fewest digits: the largest power of ten with a multiple in [low, high],
  // with the double's whole units divided by it alongside. No multiple of ten
  // is left in the range then, so the digits end in no zero.
  std::uint64_t digits = whole(x);
  int dropped = 0;
  while (true) {
    const std::uint64_t nextLow = (low + 9) / 10;
    const std::uint64_t nextHigh = high / 10;
    if (nextLow > nextHigh) break;
    low = nextLow;
    high = nextHigh;
    digits /= 10;
    ++dropped;
  }

  // The closest of them: the double in units of 10^dropped, rounded to the
  // nearest whole number, then kept within [low, high].
  constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
  const std::uint64_t below = fraction(x);
  int versusHalf;  // what `digits` leaves below the unit against half a unit
  if (dropped == 0) {
    versusHalf = below < kHalf ? -1 : below > kHalf ? 1 : 0;
  } else {
    const std::uint64_t unit = kPowersOfTen[dropped];
    const std::uint64_t remainder = whole(x) - digits * unit;
    const std::uint64_t half = unit / 2;
    versusHalf = remainder < half ? -1 : remainder > half ? 1 : below != 0 ? 1 : 0;
  }
  if (versusHalf > 0 || (versusHalf == 0 && (digits & 1) != 0)) ++digits;
  if (digits < low) digits = low;
  if (digits > high) digits = high;
  decimal = {digits, dropped - scale.q};
  return true;
}

void WritePair(char* out, std::uint64_t pair) {
  std::memcpy(out, kDigitPairs + 2 * pair, 2);
}

// The eight digits of `value` (below 10^8), zero-padded, as the bytes of a
// word, first digit first in memory: the halves, their pairs and their digits
// are split side by side in the lanes of the word.
void WriteEight(char* out, std::uint64_t value) {
  const std::uint64_t high = (value * 109951163) >> 40;  // value / 10^4
  std::uint64_t lanes = high | ((value - high * 10000) << 32);
  const std::uint64_t hundreds = ((lanes * 10486) >> 20) & 0x0000007F0000007F;
  lanes = hundreds | ((lanes - hundreds * 100) << 16);
  const std::uint64_t tens = ((lanes * 103) >> 10) & 0x000F000F000F000F;
  lanes = tens | ((lanes - tens * 10) << 8);
  lanes += 0x3030303030303030;  // '0' in every byte
  if constexpr (std::endian::native == std::endian::big) lanes = __builtin_bswap64(lanes);
  std::memcpy(out, &lanes, sizeof lanes);
}

// The 18 digits of `value` (below 10^18), zero-padded.
void WriteEighteen(char* out, std::uint64_t value) {
  const std::uint64_t top = value / 100000000;
  const std::uint64_t high = top / 100000000;
  WritePair(out, high);
  WriteEight(out + 2, top - high * 100000000);
  WriteEight(out + 10, value - top * 100000000);
}

// The number of digits of `value` (at least 1).
int DigitCount(std::uint64_t value) {
  const int guess = ((64 - std::countl_zero(value)) * 1233) >> 12;  // log10(2^bits)
  return guess + (value >= kPowersOfTen[guess] ? 1 : 0);
}

// Copies the characters of a decimal in pieces of a fixed length, which need no
// call: the text is then followed by characters that are not its own, within
// the room of kMaxDecimalChars. kPiece covers the 17 digits and a point.
constexpr std::size_t kPiece = 24;

void CopyPiece(char* to, const char* from) {
  std::memcpy(to, from, kPiece);
}

// The decimal in the shorter of fixed and scientific notation, fixed where both
// are as long. Fixed is only ever shorter for first digits from 10^-4 on.
char* WriteDecimal(char* out, const Decimal& decimal) {
  constexpr int kMaxDigits = 18;
  char buffer[kMaxDigits + kPiece];
  WriteEighteen(buffer, decimal.digits);
  std::memset(buffer + kMaxDigits, '0', kPiece);
  const int count = DigitCount(decimal.digits);
  const char* const digits = buffer + kMaxDigits - count;
  const int scientific = count - 1 + decimal.exponent;  // exponent of the first digit
  const int magnitude = scientific < 0 ? -scientific : scientific;
  const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
  // Fixed: the digits with a point inside (a whole number never comes here), or
  // "0.", zeros and the digits.
  const int fixedLength = scientific >= 0 ? count + 1 : count + 1 - scientific;
  if (fixedLength <= scientificLength) {
    if (scientific >= 0) {
      CopyPiece(out, digits);
      CopyPiece(out + scientific + 2, digits + scientific + 1);
      out[scientific + 1] = '.';
    } else {
      std::memcpy(out, "0.0000", 6);
      CopyPiece(out + 1 - scientific, digits);
    }
    return out + fixedLength;
  }
  out[0] = digits[0];
  if (count > 1) {
    out[1] = '.';
    CopyPiece(out + 2, digits + 1);
  }
  out += count + (count > 1 ? 1 : 0);
  *out++ = 'e';
  *out++ = scientific < 0 ? '-' : '+';
  if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
  WritePair(out, magnitude % 100);
  return out + 2;
}

}  // namespace

char* WriteShortestDecimal(char* out, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  Decimal decimal;
  // Zero, subnormal numbers, infinities and NaN go to std::to_chars with the rest.
  if (biased != 0 && biased != 0x7ff &&
      Shortest((bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52), biased - 1075,
               decimal)) {
    if ((bits >> 63) != 0) *out++ = '-';
    return WriteDecimal(out, decimal);
  }
  return std::to_chars(out, out + kMaxDecimalChars, value).ptr;
}
