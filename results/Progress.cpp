#include "results/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <limits>

std::string ProgressBarText(std::int64_t done, std::int64_t total, int width) {
  const int cells = std::max(width, 0);
  std::int64_t filled = cells;
  std::int64_t percent = 100;
  if (total > 0) {
    const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, total);
    // In long double: done * 100 overflows no 64-bit count.
    filled = static_cast<std::int64_t>(static_cast<long double>(clamped) * cells / total);
    percent = static_cast<std::int64_t>(static_cast<long double>(clamped) * 100 / total);
  }
  std::string text = "[";
  text.append(static_cast<std::size_t>(filled), '#');
  text.append(static_cast<std::size_t>(cells - filled), '-');
  text += "] ";
  const std::string number = std::to_string(percent);
  text.append(3 - std::min<std::size_t>(number.size(), 3), ' ');
  return text + number + " %";
}

ProgressBar::ProgressBar(std::int64_t count, bool wanted)
    : ProgressBar(count, std::cerr, wanted && isatty(STDERR_FILENO) != 0) {}

ProgressBar::ProgressBar(std::int64_t count, std::ostream& stream, bool enabled)
    : total(count), out(stream), nextDraw(enabled ? 0 : std::numeric_limits<std::int64_t>::max()) {}

std::int64_t ProgressBar::CountAt(std::int64_t percent) const {
  // The least count c with c * 100 / total >= percent.
  const long double exact = static_cast<long double>(percent) * total / 100;
  auto count = static_cast<std::int64_t>(exact);
  if (static_cast<long double>(count) < exact) ++count;
  return count;
}

void ProgressBar::Draw(std::int64_t done) {
  const auto now = std::chrono::steady_clock::now();
  const bool complete = total <= 0 || done >= total;
  const std::int64_t percent =
      complete ? 100 : static_cast<std::int64_t>(static_cast<long double>(done) * 100 / total);
  if (complete) {
    nextDraw = std::numeric_limits<std::int64_t>::max();
  } else {
    nextDraw = std::max(CountAt(percent + 1), done + 1);
  }
  if (drawn && !complete && now - lastDrawn < std::chrono::milliseconds(kMinimumInterval)) return;
  out << '\r' << ProgressBarText(done, total, kWidth) << std::flush;
  lastDrawn = now;
  drawn = true;
}

void ProgressBar::Finish() {
  if (!drawn) return;
  const std::size_t length = ProgressBarText(total, total, kWidth).size();
  out << '\r' << std::string(length, ' ') << '\r' << std::flush;
  drawn = false;
  nextDraw = std::numeric_limits<std::int64_t>::max();
}
