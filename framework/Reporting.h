#pragma once

// Small pieces of console and file output shared by the set-up and the runs.

#include <ostream>
#include <string>

// Ends a progress line: "OK" or "Failed" and a newline.
void PrintResult(std::ostream& out, bool ok);

// Result files under results/ are written only when they can be opened; this
// says so once, on standard error, so that a missing folder loses no run unseen.
void WarnUnwritable(const std::string& fileName);

// "DT =0.005\tITER = 3\tSUBD = 10\tSGNT = 0.5\tTIME = 1.25\n"
void WriteTimingLine(std::ostream& out, double timeStep, int iterations, int subdivisions,
                     double signLimit, double seconds);

// The lines of a module log that report errors, for a short reason on the console.
std::string ErrorLines(const std::string& log);
