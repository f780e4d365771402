#include "results/CsvWriter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

// Least size of the text buffer; a block reaches the file in pieces of this size.
constexpr std::size_t kTextBufferSize = 1 << 16;

// A write that failed without an error number still failed.
int FailureCause(int error) {
  return error != 0 ? error : EIO;
}

}  // namespace

char* FormatNumber(char* out, double value) {
  char* const end = out + kMaxNumberChars;
  // Every whole number of magnitude below 2^53 is exactly an int64, and its
  // decimal digits are a text that reads back as exactly that number.
  constexpr double kExactIntegerLimit = 9007199254740992.0;
  if (value == 0.0) {
    if (std::signbit(value)) *out++ = '-';
    *out++ = '0';
    return out;
  }
  if (std::fabs(value) < kExactIntegerLimit) {
    const auto whole = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole) == value) return std::to_chars(out, end, whole).ptr;
  }
  return WriteShortestDecimal(out, value);
}

bool CsvWriter::Open(const std::string& fileName, const std::vector<std::string>& columnNames,
                     bool flushRows) {
  Close();
  if (!file.Open(fileName)) return false;
  for (std::size_t i = 0; i < columnNames.size(); ++i) {
    if (i > 0) file.put(',');
    file << columnNames[i];
  }
  file.put('\n');
  // The header reaches the file at once: a file cut short by a kill still says
  // what its columns are.
  errno = 0;
  file.flush();
  errorNumber = file.good() ? 0 : FailureCause(errno);
  failed = errorNumber != 0;

  columns = columnNames.size();
  numbers.assign(kBlockCount * kRowsPerBlock * columns, 0.0);
  text.resize(std::max(kTextBufferSize, columns * (kMaxNumberChars + 1) + 1));
  flushEveryRow = flushRows;
  filling = 0;
  rowsFilled = 0;
  row = Block(0);
  filled = 0;
  queued = 0;
  nextToWrite = 0;
  stopping = false;
  background = false;
  if (!flushEveryRow) {
    try {
      writer = std::thread(&CsvWriter::WriterLoop, this);
      background = true;
    } catch (const std::system_error&) {
      // No thread to be had: the adding side writes each full block itself.
    }
  }
  return true;
}

void CsvWriter::EndRow() {
  if (!file.IsOpen()) return;
  std::fill(row + filled, row + columns, 0.0);
  filled = 0;
  ++rowsFilled;
  row += columns;
  if (flushEveryRow) {
    Flush();
  } else if (rowsFilled == kRowsPerBlock) {
    HandOver();
  }
}

void CsvWriter::HandOver() {
  if (!background) {
    if (!WriteRows(Block(filling), rowsFilled)) Fail(errno);
    rowsFilled = 0;
    row = Block(filling);
    return;
  }
  std::unique_lock lock(mutex);
  blockRows[filling] = rowsFilled;
  ++queued;
  changed.notify_all();
  changed.wait(lock, [this] { return queued < kBlockCount; });
  filling = (filling + 1) % kBlockCount;
  rowsFilled = 0;
  row = Block(filling);
}

void CsvWriter::WriterLoop() {
  std::unique_lock lock(mutex);
  while (true) {
    changed.wait(lock, [this] { return queued > 0 || stopping; });
    if (queued == 0) return;
    const std::size_t index = nextToWrite;
    const std::size_t rows = blockRows[index];
    lock.unlock();
    const bool written = WriteRows(Block(index), rows);
    const int error = errno;
    lock.lock();
    if (!written) Fail(error);
    nextToWrite = (nextToWrite + 1) % kBlockCount;
    --queued;
    changed.notify_all();
  }
}

void CsvWriter::Fail(int error) {
  if (!failed) errorNumber = FailureCause(error);
  failed = true;
}

bool CsvWriter::WriteRows(const double* block, std::size_t rows) {
  const std::size_t rowRoom = columns * (kMaxNumberChars + 1) + 1;
  char* const start = text.data();
  char* out = start;
  for (std::size_t r = 0; r < rows; ++r) {
    if (static_cast<std::size_t>(text.data() + text.size() - out) < rowRoom) {
      file.write(start, out - start);
      out = start;
    }
    const double* values = block + r * columns;
    for (std::size_t c = 0; c < columns; ++c) {
      if (c > 0) *out++ = ',';
      out = FormatNumber(out, values[c]);
    }
    *out++ = '\n';
  }
  file.write(start, out - start);
  return file.good();
}

bool CsvWriter::Flush() {
  if (!file.IsOpen()) return true;
  if (rowsFilled > 0) HandOver();
  std::unique_lock lock(mutex);
  changed.wait(lock, [this] { return queued == 0; });
  // The writer thread has written every block and waits: the file is ours.
  errno = 0;
  file.flush();
  if (!file.good()) Fail(errno);
  return !failed;
}

bool CsvWriter::Close() {
  if (!file.IsOpen()) return true;
  const bool ok = Flush();
  if (writer.joinable()) {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    changed.notify_all();
    writer.join();
  }
  errno = 0;
  if (!file.Close()) Fail(errno);
  columns = 0;
  filled = 0;
  return ok && !failed;
}
