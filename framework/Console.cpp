#include "framework/Console.h"

#include <unistd.h>

#include <cstdlib>

bool ConsoleColoursEnabled() {
  return isatty(STDOUT_FILENO) != 0 && std::getenv("NO_COLOR") == nullptr;
}

const char* AnsiEscape(int attribute) {
  switch (attribute) {
    case kConsoleDarkGrey:
      return "\x1b[90m";
    case kConsoleBrightBlue:
      return "\x1b[94m";
    case kConsoleBrightRed:
      return "\x1b[91m";
    case kConsoleBrightWhite:
      return "\x1b[97m";
    default:
      return "\x1b[0m";
  }
}

void SetConsoleTextAttribute(std::ostream& out, int attribute, bool enabled) {
  if (enabled) out << AnsiEscape(attribute);
}

void PrintBanner(std::ostream& out, bool coloured) {
  struct Segment {
    int attribute;
    const char* text;
  };
  static const Segment segments[] = {
      {kConsoleBrightWhite, "____________    ____________________>____    \n"},
      {kConsoleBrightBlue, "[___][___][]"},
      {kConsoleBrightWhite, "|  /"},
      {kConsoleBrightBlue, "_] ###   "},
      {kConsoleBrightWhite, "Kelvra2"},
      {kConsoleBrightBlue, "   ### [_"},
      {kConsoleBrightWhite, "\\  \n"},
      {kConsoleBrightWhite, "__________"},
      {kConsoleBrightBlue, "[]"},
      {kConsoleBrightWhite, "| /___________________________\\ \n"},
      {kConsoleDarkGrey, "-------~o=o~+-+~o-o-o~=============~o-o-o~+  \n"},
      {kConsoleBrightRed, "\nWARNING"},
      {kConsoleGrey, ": For testing purposes only!\n\n"},
  };
  SetConsoleTextAttribute(out, kConsoleGrey, coloured);
  for (const Segment& segment : segments) {
    SetConsoleTextAttribute(out, segment.attribute, coloured);
    out << segment.text;
  }
}
