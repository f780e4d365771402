#include "framework/Reporting.h"

#include <iostream>
#include <sstream>

void PrintResult(std::ostream& out, bool ok) {
  out << (ok ? "OK" : "Failed") << "\n";
}

void WarnUnwritable(const std::string& fileName) {
  std::cerr << "Warning - cannot open '" << fileName
            << "' for writing; its results are not saved.\n";
}

void WriteTimingLine(std::ostream& out, double timeStep, int iterations, int subdivisions,
                     double signLimit, double seconds) {
  out << "DT =" << timeStep << "\tITER = " << iterations << "\tSUBD = " << subdivisions
      << "\tSGNT = " << signLimit << "\tTIME = " << seconds << "\n";
}

std::string ErrorLines(const std::string& log) {
  std::istringstream lines(log);
  std::string line;
  std::string errors;
  while (std::getline(lines, line)) {
    if (line.find("Error - ") != std::string::npos || line.find("ERROR") != std::string::npos) {
      errors += line + "\n";
    }
  }
  return errors;
}
