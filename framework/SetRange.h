#pragma once

// Part of a batch or a study, given as 1-based set or case numbers ("10-19",
// or "7" for one), so that several machines can each run a share of a large
// batch or study under the global numbers, and their files fit together as
// those of one run.

#include <string>

struct SetRange {
  int first = 0;  // 1-based, inclusive; 0: every set
  int last = 0;
  bool Whole() const { return first == 0; }
};

// Reads "A-B" or "N". False, with `error` saying what is expected, for anything
// else, for numbers below 1 and for a range that runs backwards.
bool ParseSetRange(const std::string& text, SetRange& range, std::string& error);

// The 0-based sets [begin, end) that `range` covers in a batch of `setCount`
// sets, or cases of a study (`items`: "sets" or "cases", as the error names
// them). False, with `error`, when the range reaches past the last one.
bool SetsInRange(const SetRange& range, int setCount, const char* items, int& begin, int& end,
                 std::string& error);

// A whole number from `least` to `most` written in decimal digits only; false
// for signs, blanks, fractions and anything out of range.
bool ParseWholeNumber(const std::string& text, int least, int most, int& number);
