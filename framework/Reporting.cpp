#include "framework/Reporting.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <sstream>

#include "model/OutputFile.h"

namespace {

const char* const kOutOfMemory =
    "\nError - out of memory: the run needs more memory than it can get, and stops.\n";

[[noreturn]] void EndUncaught() {
  if (const std::exception_ptr thrown = std::current_exception()) {
    try {
      std::rethrow_exception(thrown);
    } catch (const std::bad_alloc&) {
      std::cout << kOutOfMemory << std::flush;
      std::_Exit(1);
    } catch (...) {
    }
  }
  std::abort();
}

// A failed write that left no error number behind is still a failed write.
int KnownError(int errorNumber) {
  return errorNumber != 0 ? errorNumber : EIO;
}

}  // namespace

void PrintResult(std::ostream& out, bool ok) {
  out << (ok ? "OK" : "Failed") << "\n" << std::flush;
}

void WarnUnwritable(std::ostream& warnings, const std::string& fileName) {
  if (IsRefusedOutput(fileName)) {
    warnings << "Warning - '" << fileName
             << "' is a symbolic link or no regular file, which a run never writes through; "
                "its results are not saved.\n";
    return;
  }
  warnings << "Warning - cannot open '" << fileName
           << "' for writing; its results are not saved.\n";
}

void LostResults::CannotOpen(const std::string& fileName) {
  WarnUnwritable(*warnings, fileName);
  any = true;
}

void LostResults::CannotWrite(const std::string& fileName, int errorNumber) {
  *warnings << "Warning - cannot write '" << fileName << "' ("
            << std::strerror(KnownError(errorNumber)) << "); its results are incomplete.\n";
  any = true;
}

void LostResults::CannotSave(const std::string& fileName, int errorNumber) {
  std::error_code ignored;
  if (!IsRefusedOutput(fileName) && std::filesystem::exists(fileName, ignored)) {
    CannotWrite(fileName, errorNumber);
  } else {
    CannotOpen(fileName);
  }
}

bool FlushFile(std::ostream& file, int& errorNumber) {
  errno = 0;
  if (file.flush()) return true;
  errorNumber = KnownError(errno);
  return false;
}

void RemoveEarlierFiles(const std::string& base, std::initializer_list<const char*> endings) {
  for (const char* ending : endings) {
    std::error_code ignored;
    std::filesystem::remove(base + ending, ignored);
  }
}

int ExitStatusOf(const std::function<int()>& body, std::ostream& console) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    console << kOutOfMemory << std::flush;
    return 1;
  }
}

void EndOnOutOfMemory() {
  std::set_terminate(EndUncaught);
}

void WriteTimingLine(std::ostream& out, double timeStep, int iterations, int subdivisions,
                     double signLimit, double seconds) {
  out << "DT =" << timeStep << "\tITER = " << iterations << "\tSUBD = " << subdivisions
      << "\tSGNT = " << signLimit << "\tTIME = " << seconds << "\n";
}

std::string IncompleteRunLine(double lastSoundTime) {
  std::ostringstream line;
  line << "\tStopped at t = " << lastSoundTime
       << " s, the end of the last sound step: the run is incomplete, and has no summary and no "
          "result file\n";
  return line.str();
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
