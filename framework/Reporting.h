#pragma once

// Small pieces of console and file output shared by the set-up and the runs.

#include <fstream>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <ostream>
#include <string>

// Ends a progress line: "OK" or "Failed" and a newline. The line goes out at
// once, so that output redirected to a file keeps every finished stage even
// when the program is killed.
void PrintResult(std::ostream& out, bool ok);

// Result files under results/ are written only when they can be opened; this
// says so once, among the warnings, so that a missing folder loses no run unseen.
// A symbolic link or anything but a regular file at the name is said as such.
void WarnUnwritable(std::ostream& warnings, const std::string& fileName);

// The result files a run could not save, each said once among the warnings
// (standard error unless given another stream); the
// program's exit status then tells scripts that results were lost.
class LostResults {
 public:
  LostResults() = default;
  // Says its warnings on `warnings` instead: a batch set running beside others
  // keeps them until its turn comes.
  explicit LostResults(std::ostream& stream) : warnings(&stream) {}
  // From now on the warnings go to `stream`, which must outlive this.
  void SetWarnings(std::ostream& stream) { warnings = &stream; }
  // "Warning - cannot open '<file>' for writing; its results are not saved."
  void CannotOpen(const std::string& fileName);
  // "Warning - cannot write '<file>' (No space left on device); its results are
  // incomplete." `errorNumber` is the system's error number of the failed write.
  void CannotWrite(const std::string& fileName, int errorNumber);
  // A file written as a whole that failed: it was opened when it exists now.
  void CannotSave(const std::string& fileName, int errorNumber);
  // Results that a run could not produce at all, said by the run itself.
  void Skipped() { any = true; }
  bool Any() const { return any; }
  // Results lost and said by another LostResults, one of a batch set's own.
  void SaidElsewhere() { any = true; }

 private:
  std::ostream* warnings = &std::cerr;
  bool any = false;
};

// Hands what `file` holds to the system. False once a write to it failed;
// `errorNumber` then holds the system's error number of that failure.
bool FlushFile(std::ostream& file, int& errorNumber);

// Removes the files `base` + each of `endings` that an earlier run left, so
// that a run killed midway leaves no file of that earlier run beside its own
// cut-short ones, looking complete. A symbolic link is removed, not followed.
void RemoveEarlierFiles(const std::string& base, std::initializer_list<const char*> endings);

// Runs `body` and returns its exit status. When memory runs out in it
// (std::bad_alloc), says so on `console` after everything printed before and
// returns 1, instead of aborting with the console text still buffered.
int ExitStatusOf(const std::function<int()>& body, std::ostream& console);

// From now on memory that runs out on another thread, where no caller can
// catch it, also ends the program with that message on standard output and
// exit status 1; every other uncaught exception still aborts.
void EndOnOutOfMemory();

// "DT =0.005\tITER = 3\tSUBD = 10\tSGNT = 0.5\tTIME = 1.25\n"
void WriteTimingLine(std::ostream& out, double timeStep, int iterations, int subdivisions,
                     double signLimit, double seconds);

// What a run says in place of its "Done in" line when a step broke the vehicle
// state: "\tStopped at t = 1.25 s, the end of the last sound step: the run is
// incomplete, and has no summary and no result file\n".
std::string IncompleteRunLine(double lastSoundTime);

// The lines of a module log that report errors, for a short reason on the console.
std::string ErrorLines(const std::string& log);
