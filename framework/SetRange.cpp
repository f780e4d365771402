#include "framework/SetRange.h"

#include <charconv>
#include <climits>

#include "model/TextPrepass.h"

bool ParseWholeNumber(const std::string& text, int least, int most, int& number) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  const char* const end = text.data() + text.size();
  int value = 0;
  const auto [stop, problem] = std::from_chars(text.data(), end, value);
  if (problem != std::errc() || stop != end || value < least || value > most) return false;
  number = value;
  return true;
}

bool ParseSetRange(const std::string& text, SetRange& range, std::string& error) {
  const std::size_t dash = text.find('-');
  const std::string first = text.substr(0, dash);
  const std::string last = dash == std::string::npos ? first : text.substr(dash + 1);
  SetRange read;
  if (!ParseWholeNumber(first, 1, INT_MAX, read.first) ||
      !ParseWholeNumber(last, 1, INT_MAX, read.last) || read.last < read.first) {
    error =
        "--sets needs a set number or a range of them such as 10-19 (from 1, the first set "
        "first), not " +
        QuotedExcerpt(text);
    return false;
  }
  range = read;
  return true;
}

bool SetsInRange(const SetRange& range, int setCount, const char* items, int& begin, int& end,
                 std::string& error) {
  if (range.Whole()) {
    begin = 0;
    end = setCount;
    return true;
  }
  if (range.last > setCount) {
    error = "--sets " + std::to_string(range.first) + "-" + std::to_string(range.last) +
            " reaches past the last of the " + std::to_string(setCount) + " " + items;
    return false;
  }
  begin = range.first - 1;
  end = range.last;
  return true;
}
