#pragma once

// The optional sections of the vehicle system: GRADIENT, ADHLEVEL, BRKCYL,
// BRKHOLD, WSP and V0. They follow the sections ITER to WHLTMP, in any order
// among themselves, each at most once. A section that is missing takes its
// neutral value, with which the vehicle runs exactly as it does without it.
//
// Every value is one word that is a number as a whole ("1.5s" is refused, not
// read as 1.5), and a section that is followed by a number it does not read
// is refused: a row or a value too many is a count or a keyword gone wrong,
// not something to pass over.

#include <array>
#include <istream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

inline constexpr std::array<const char*, 6> kOptionalSections = {"GRADIENT", "ADHLEVEL", "BRKCYL",
                                                                 "BRKHOLD",  "WSP",      "V0"};

class OptionalSections {
 public:
  // `before` is the cleaned text up to the end of WHLTMP, `after` the rest.
  // False, with the reason in `log`, when an optional keyword stands before
  // WHLTMP (where it would never be seen) or twice after it.
  bool Locate(const std::string& before, const std::string& after, std::ostream& log);
  // Positions `section` right after `keyword`; false when the file has no such section.
  bool Open(const std::string& keyword, std::istringstream& section) const;

 private:
  std::string text;                 // the text after WHLTMP
  std::vector<std::size_t> starts;  // per keyword of kOptionalSections: where its values start
  std::vector<bool> present;
};

// Reads the next word as a number; false when there is none or it is not a
// finite number as a whole. `word` receives what was read.
bool ReadNumberWord(std::istream& in, double& value, std::string& word);

// The words of the next line that holds any: from the next non-blank
// character (line ends skipped) to the end of its line.
void ReadRowWords(std::istream& in, std::vector<std::string>& words);

// Whether `word` is a finite number as a whole.
bool IsNumberWord(const std::string& word, double& value);

// False, with "Error - KEYWORD: 'WORD' follows its values; ..." in the log,
// when the next word of `section` is a number.
bool NothingMoreRead(std::istream& section, const std::string& keyword, std::ostream& log);
