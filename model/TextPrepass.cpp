#include "model/TextPrepass.h"

#include <algorithm>
#include <sstream>

namespace {

bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// One pass over the text. A run of blanks (line ends included once it started)
// collapses into one character: '\n' when it held a line end, otherwise what
// `blankFor` makes of the run's last blank. A '|' swallows its line, leaving '\n'.
template <typename BlankFor>
void Strip(std::istream& in, std::ostream& out, BlankFor blankFor) {
  int c = in.get();
  while (c != std::char_traits<char>::eof()) {
    if (IsBlank(c)) {
      bool newline = false;
      int last = c;
      c = in.get();
      while (IsBlank(c) || c == '\n') {
        if (c == '\n') {
          newline = true;
        } else {
          last = c;
        }
        c = in.get();
      }
      if (c != '|') out.put(newline ? '\n' : blankFor(static_cast<char>(last)));
      if (c == std::char_traits<char>::eof()) break;
    }
    if (c == '|') {
      while (c != '\n' && c != std::char_traits<char>::eof()) c = in.get();
      c = '\n';
    }
    out.put(static_cast<char>(c));
    c = in.get();
  }
}

}  // namespace

void StripComments(std::istream& in, std::ostream& out) {
  Strip(in, out, [](char) { return '\t'; });
}

void StripCommentsKeepBlank(std::istream& in, std::ostream& out) {
  Strip(in, out, [](char last) { return last; });
}

std::istream& FindKeyword(std::istream& in, const std::string& keyword) {
  std::string word;
  while (in >> word) {
    if (word == keyword) break;
  }
  return in;
}

bool ReadLine(std::istream& in, std::vector<std::string>& words) {
  words.clear();
  int c = in.get();
  while (c == '\n') c = in.get();
  if (c == std::char_traits<char>::eof()) return false;
  in.unget();
  while (true) {
    c = in.get();
    if (c == std::char_traits<char>::eof() || c == '\n') break;
    in.unget();
    std::string word;
    if (!(in >> word)) break;
    words.push_back(word);
  }
  return true;
}

std::string Excerpt(const std::string& word) {
  constexpr std::size_t kMaxCharacters = 40;
  static const char kHex[] = "0123456789ABCDEF";
  std::string quoted;
  const std::size_t shown = std::min(word.size(), kMaxCharacters);
  for (std::size_t i = 0; i < shown; ++i) {
    const auto byte = static_cast<unsigned char>(word[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      quoted += static_cast<char>(byte);
    } else {
      quoted += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  if (shown < word.size()) quoted += "...";
  return quoted;
}

std::string QuotedExcerpt(const std::string& word) {
  return "'" + Excerpt(word) + "'";
}

bool ParseDouble(const std::string& word, double& value) {
  std::istringstream stream(word);
  double parsed = 0.0;
  if (!(stream >> parsed)) return false;
  value = parsed;
  return true;
}
