#pragma once

// A module log that is written out only when someone reads it. Formatting
// every matrix of a large model into text costs more than computing them, and
// most runs never look at the logs, so the log keeps what it will say: text,
// numbers, matrices (shared, unchanged copies) and diagnostics to compute from
// them. Reading it writes all of that in order into one stream, so the number
// format that a matrix leaves behind applies to what follows, exactly as if
// everything had been written at once.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "linalg/Matrix.h"

class DeferredLog {
 public:
  // A matrix kept for the log; several entries may share it.
  using Snapshot = std::shared_ptr<const Matrix>;
  // Writes one entry when the log is read.
  using Writer = std::function<void(std::ostream&)>;

  static Snapshot Keep(Matrix matrix) { return std::make_shared<const Matrix>(std::move(matrix)); }

  DeferredLog& operator<<(const std::string& text);
  DeferredLog& operator<<(const char* text) { return *this << std::string(text); }
  DeferredLog& operator<<(char character) { return *this << std::string(1, character); }
  // Numbers take the stream's format at their place in the log.
  DeferredLog& operator<<(double value);
  DeferredLog& operator<<(int value);

  // The matrix in the log layout of Print.
  void Print(Snapshot matrix);
  // Runs `writer` at this place whenever the log is read.
  void Defer(Writer writer);

  // The whole log so far.
  std::string Text() const;

 private:
  struct Entry {
    std::string text;  // written first
    Writer writer;     // then this, when set
  };
  std::vector<Entry> entries;
};
