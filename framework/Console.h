#pragma once

// Console text colours. The codes are the classic console attributes the banner
// is drawn with (7 grey, 8 dark grey, 9 bright blue, 12 bright red, 15 bright
// white); on a terminal they become ANSI escapes, and nothing is written when
// standard output is redirected or NO_COLOR is set, so that the text stays plain.

#include <ostream>

enum ConsoleAttribute {
  kConsoleGrey = 7,
  kConsoleDarkGrey = 8,
  kConsoleBrightBlue = 9,
  kConsoleBrightRed = 12,
  kConsoleBrightWhite = 15,
};

// Whether colour escapes go to standard output.
bool ConsoleColoursEnabled();

// The escape sequence of an attribute (grey, the console default, resets).
const char* AnsiEscape(int attribute);

// Switches the text colour of `out` when colours are enabled.
void SetConsoleTextAttribute(std::ostream& out, int attribute, bool enabled);

// The start-up banner: a small locomotive with the program's name on its side.
void PrintBanner(std::ostream& out, bool coloured);
