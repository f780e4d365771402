#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "results/ShortestDecimal.h"

namespace {

// The text, checked to stay within the room it may use.
std::string Written(double value) {
  char room[kMaxDecimalChars + 8];
  std::fill(std::begin(room), std::end(room), '#');
  const char* end = WriteShortestDecimal(room, value);
  for (std::size_t i = kMaxDecimalChars; i < sizeof room; ++i) {
    EXPECT_EQ('#', room[i]) << "written beyond the room for " << value;
  }
  return std::string(static_cast<const char*>(room), end);
}

std::string ToChars(double value) {
  char text[64];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The same text as std::to_chars, which the standard defines: the fewest
// characters that read back exactly, then the closest digits, then fixed over
// scientific notation.
TEST(ShortestDecimalTest, WritesWhatToCharsWrites) {
  const double cases[] = {0.1,
                          0.2,
                          0.3,
                          0.30000000000000004,
                          1e-15,
                          1e-16,
                          1e-14,
                          9.999999999999999e-16,
                          0.5,
                          1.5,
                          0.0001,
                          0.00012,
                          0.001,
                          0.012,
                          1e-5,
                          1.2e-5,
                          14.845,
                          0.005,
                          1e-7,
                          123.456,
                          -2.5e-3,
                          12345678.9,
                          4503599627370495.5,
                          2251799813685247.75,
                          5e-324,
                          1e300,
                          0.0,
                          -0.0,
                          25000.0,
                          1e22,
                          INFINITY,
                          NAN};
  for (const double value : cases) EXPECT_EQ(ToChars(value), Written(value)) << value;
  // Powers of two, below which the step between doubles halves, and of ten,
  // with their neighbours.
  for (int k = -60; k < 60; ++k) {
    for (const double base : {std::ldexp(1.0, k), std::pow(10.0, k / 3)}) {
      for (const double value : {base, std::nextafter(base, 0.0), std::nextafter(base, 1e300)}) {
        EXPECT_EQ(ToChars(value), Written(value)) << value;
      }
    }
  }
}

// Every number of digits with the point, or the exponent, at every place: the
// digits of 1.2345678901234567 cut to 1 to 17, and 1 followed by nines, next
// to a power of ten, times powers of ten.
TEST(ShortestDecimalTest, EveryLengthAtEveryPlace) {
  const std::string digits = "12345678901234567";
  for (std::size_t count = 1; count <= digits.size(); ++count) {
    for (int exponent = -8; exponent <= 17; ++exponent) {
      const std::string text = digits.substr(0, count) + "e" + std::to_string(exponent - 16);
      const double value = std::strtod(text.c_str(), nullptr);
      const std::string nines = "1" + std::string(count - 1, '9') + "e" + std::to_string(exponent);
      for (const double v : {value, -value, std::strtod(nines.c_str(), nullptr)}) {
        EXPECT_EQ(ToChars(v), Written(v)) << text;
      }
    }
  }
}

// Random values over the magnitudes of a time series and random bit patterns.
TEST(ShortestDecimalTest, RandomValuesMatchToChars) {
  std::mt19937_64 random(16);
  std::uniform_real_distribution<double> exponent(-17.0, 17.0);
  int mismatches = 0;
  for (int i = 0; i < 200000 && mismatches < 10; ++i) {
    double value = std::pow(10.0, exponent(random));
    if (i % 2 == 0) value = std::bit_cast<double>(random());
    if (i % 3 == 0) value = -value;
    if (std::isnan(value)) continue;
    const std::string expected = ToChars(value);
    const std::string written = Written(value);
    if (expected != written) ++mismatches;
    EXPECT_EQ(expected, written);
  }
}

}  // namespace
