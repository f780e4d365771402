#pragma once

// A progress bar for long console, batch and validator runs. It goes to standard
// error, and only while that is a terminal, so that standard output and
// redirected logs stay exactly as they are.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

// "[##########----------]  50 %" for `done` of `total` in `width` cells, rounded
// down; `done` is clamped to 0 .. total, and a total of 0 or less is complete.
std::string ProgressBarText(std::int64_t done, std::int64_t total, int width);

class ProgressBar {
 public:
  static constexpr int kWidth = 40;
  // Fewest milliseconds between two drawings.
  static constexpr int kMinimumInterval = 100;

  // Draws on standard error when `wanted` and standard error is a terminal.
  ProgressBar(std::int64_t total, bool wanted);
  // Draws on `out` when `enabled`.
  ProgressBar(std::int64_t total, std::ostream& out, bool enabled);

  // Cheap enough for every step: the bar is redrawn only when it has grown by a
  // whole percent, and not sooner than kMinimumInterval after the last drawing.
  void Update(std::int64_t done) {
    if (done >= nextDraw) Draw(done);
  }
  // Wipes the bar, leaving the cursor at the start of its empty line.
  void Finish();

 private:
  void Draw(std::int64_t done);
  // The least count that reaches `percent`.
  std::int64_t CountAt(std::int64_t percent) const;

  std::int64_t total;
  std::ostream& out;
  std::int64_t nextDraw;
  std::chrono::steady_clock::time_point lastDrawn{};
  bool drawn = false;
};
