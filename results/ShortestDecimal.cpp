#include "results/ShortestDecimal.h"

#include <algorithm>
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

// A decimal: digits 10^exponent, with `count` digits.
struct Decimal {
  std::uint64_t digits;
  int exponent;
  int count;
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
  // nearest whole number (a tie to the even one), then kept within [low,
  // high]. What the digits leave below them and half a unit, as fixed-point
  // numbers with 64 bits after the point.
  const std::uint64_t unit = kPowersOfTen[dropped];
  const Wide remainder = (static_cast<Wide>(whole(x) - digits * unit) << 64) | fraction(x);
  const Wide half = static_cast<Wide>(unit) << 63;
  digits += (remainder > half || (remainder == half && (digits & 1) != 0)) ? 1 : 0;
  digits = std::min(std::max(digits, low), high);
  // The digits are as many as those of the double's whole units, less the
  // dropped ones: rounding moves them up by one at most, and never onto a
  // power of ten above 1, a multiple of ten, which [low, high] no longer
  // holds; onto 1 where all were dropped.
  const int wholeDigits = whole(x) >= kPowersOfTen[17] ? 18 : 17;
  const int count = std::max(wholeDigits - dropped, 1);
  decimal = {digits, dropped - scale.q, count};
  return true;
}

void WritePair(char* out, std::uint64_t pair) {
  std::memcpy(out, kDigitPairs + 2 * pair, 2);
}

// Characters are gathered in words, first character in the lowest byte, and
// stored whole: built in registers, the text is never read back from memory,
// which would stall on stores of other sizes still in flight.
void Store(char* out, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  std::memcpy(out, &word, sizeof word);
}

// The four characters of every number below 10^4, zero-padded, first
// character in the lowest byte.
constexpr std::array<std::uint32_t, 10000> kFourDigits = [] {
  std::array<std::uint32_t, 10000> table{};
  for (std::uint32_t n = 0; n < 10000; ++n) {
    table[n] = (n / 1000 + '0') | (n / 100 % 10 + '0') << 8 | (n / 10 % 10 + '0') << 16 |
               (n % 10 + '0') << 24;
  }
  return table;
}();

// The eight digits of `value` (below 10^8), zero-padded, as a word.
std::uint64_t EightDigits(std::uint64_t value) {
  const std::uint64_t high = (value * 109951163) >> 40;  // value / 10^4
  return kFourDigits[high] | std::uint64_t{kFourDigits[value - high * 10000]} << 32;
}

// `word` with a point at byte `at` (below 8): the bytes below it stay, those
// from it on move up one, the top one drops out.
std::uint64_t InsertPoint(std::uint64_t word, int at) {
  const std::uint64_t below = (std::uint64_t{1} << (8 * at)) - 1;
  const std::uint64_t upToPoint = (below << 8) | 0xFF;
  return (word & below) | (std::uint64_t{'.'} << (8 * at)) | ((word << 8) & ~upToPoint);
}

// The digits of a decimal of at most 17: the first as a character, the others
// in two words of eight, padded with '0'.
struct Digits {
  char first;
  std::uint64_t high;
  std::uint64_t low;
};

Digits SplitDigits(std::uint64_t digits, int count) {
  constexpr std::uint64_t kTen8 = 100000000;
  const std::uint64_t aligned = digits * kPowersOfTen[17 - count];  // the first digit at 10^16
  const std::uint64_t top = aligned / kTen8;                        // the first nine
  const std::uint64_t first = top / kTen8;
  return {static_cast<char>('0' + first), EightDigits(top - first * kTen8),
          EightDigits(aligned - top * kTen8)};
}

// The decimal in the shorter of fixed and scientific notation, fixed where both
// are as long. Fixed is only ever shorter for first digits from 10^-4 on. The
// digits are stored in whole words: characters after the text, within the
// room of kMaxDecimalChars, are overwritten.
char* WriteDecimal(char* out, const Decimal& decimal) {
  const int count = decimal.count;
  const Digits digits = SplitDigits(decimal.digits, count);
  const int scientific = count - 1 + decimal.exponent;  // exponent of the first digit
  const int magnitude = scientific < 0 ? -scientific : scientific;
  const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
  // Fixed: the digits with a point inside (a whole number never comes here, so
  // the point comes before the last digit, at most after the 16th), or "0.",
  // zeros and the digits.
  const int fixedLength = scientific >= 0 ? count + 1 : count + 1 - scientific;
  if (fixedLength <= scientificLength) {
    if (scientific >= 0) {
      out[0] = digits.first;
      if (scientific < 8) {
        Store(out + 1, InsertPoint(digits.high, scientific));
        Store(out + 9, (digits.high >> 56) | (digits.low << 8));
      } else {
        Store(out + 1, digits.high);
        Store(out + 9, InsertPoint(digits.low, scientific - 8));
      }
      out[17] = static_cast<char>(digits.low >> 56);
    } else {
      std::memcpy(out, "0.0000", 6);
      out[1 - scientific] = digits.first;
      Store(out + 2 - scientific, digits.high);
      Store(out + 10 - scientific, digits.low);
    }
    return out + fixedLength;
  }
  out[0] = digits.first;
  if (count > 1) {
    out[1] = '.';
    Store(out + 2, digits.high);
    Store(out + 10, digits.low);
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
