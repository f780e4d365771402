#pragma once

// Reading the vehicle system's parameter sections from the cleaned model text.

#include <istream>
#include <vector>

// Reads the numbers of one line: from the next non-blank character (line ends
// skipped) to the end of the line that holds that first number. `list` is cleared
// first. An extraction that fails still appends its (zero) value and leaves the
// stream failed for the caller to see; a list that meets the end of the text
// before a line end leaves the stream failed as well.
template <typename Number>
void ReadLineList(std::istream& in, std::vector<Number>& list) {
  list.clear();
  in >> std::ws;
  while (true) {
    const int c = in.get();
    if (!in || c == '\n') break;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') continue;
    in.unget();
    Number value{};
    in >> value;
    list.push_back(value);
  }
}
