#pragma once

// Tables of numbers as comma-separated text: a header line of column names, then
// one line per row.
//
// Writing the shortest exact text of a double takes a few tens of nanoseconds,
// a full row of a vehicle step more than half as long as the step itself. So
// the rows are only copied, as numbers, into blocks reserved when the file is
// opened; a writer thread formats each full block into a reused text buffer and
// hands it to the file. The thread that adds rows neither formats nor
// allocates, and waits only when every block is still waiting to be written.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/OutputFile.h"
#include "results/ShortestDecimal.h"

// Room FormatNumber needs for one number (see WriteShortestDecimal).
inline constexpr std::size_t kMaxNumberChars = kMaxDecimalChars;

// Writes `value` at `out` in the shortest form that reads back as exactly the
// same double and returns the end. Zero and whole numbers below 2^53 take a fast
// path as plain integers ("0", "-0", "25000"); every other value is written by
// WriteShortestDecimal. `out` must have room for kMaxNumberChars characters.
char* FormatNumber(char* out, double value);

class CsvWriter {
 public:
  static constexpr std::size_t kRowsPerBlock = 256;
  static constexpr std::size_t kBlockCount = 4;

  CsvWriter() = default;
  ~CsvWriter() { Close(); }
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  // Creates (or empties) the file and writes the header line to it at once; every row then
  // has one number per column. With `flushEveryRow` each row is formatted at
  // once and goes straight to the file, so that a process that ends abruptly
  // loses nothing. False, leaving the writer closed, when the file cannot be
  // opened.
  bool Open(const std::string& fileName, const std::vector<std::string>& columns,
            bool flushEveryRow = false);
  bool IsOpen() const { return file.IsOpen(); }
  std::size_t ColumnCount() const { return columns; }

  // Appends one number to the current row. Numbers beyond the column count,
  // and every number while the writer is closed, are dropped.
  void Add(double value) {
    if (filled < columns) row[filled++] = value;
  }
  // Ends the current row; numbers missing from it are written as 0.
  void EndRow();

  // Writes every finished row and hands it to the operating system. False
  // once any write failed.
  bool Flush();
  // Flushes, stops the writer thread and closes; false when any write failed.
  // Closing a closed writer is true.
  bool Close();
  // The system's error number of the first failed write (ENOSPC for a full
  // disk); 0 while none failed.
  int ErrorNumber() const { return errorNumber; }

 private:
  double* Block(std::size_t index) { return numbers.data() + index * kRowsPerBlock * columns; }
  // Passes the block being filled to the writer thread (or writes it where there
  // is none) and moves on to the next free block.
  void HandOver();
  void WriterLoop();
  // Records a failed write; the first one's error number is kept.
  void Fail(int error);
  // Formats `rows` rows of `block` and writes them to the file.
  bool WriteRows(const double* block, std::size_t rows);

  OutputFile file;
  std::size_t columns = 0;
  std::vector<double> numbers;  // kBlockCount blocks of kRowsPerBlock rows
  std::vector<char> text;       // the formatted rows of a block, in pieces
  bool background = false;
  bool flushEveryRow = false;

  // The adding side.
  std::size_t filling = 0;     // the block being filled
  std::size_t rowsFilled = 0;  // finished rows in it
  double* row = nullptr;       // the row being filled
  std::size_t filled = 0;      // numbers in it

  // Shared with the writer thread, under `mutex`.
  std::mutex mutex;
  std::condition_variable changed;
  std::array<std::size_t, kBlockCount> blockRows{};  // rows of each handed-over block
  std::size_t queued = 0;                            // blocks handed over and not yet written
  std::size_t nextToWrite = 0;                       // the oldest of them
  bool stopping = false;
  bool failed = false;
  int errorNumber = 0;
  std::thread writer;
};
