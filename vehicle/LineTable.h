#pragma once

// A quantity that changes along the line: rows of a position [m] and a value
// that holds from that position on; ahead of the first row the neutral value
// holds. Positions are line positions: 0 is where the car body's centre stood
// at the start, positive ahead (towards +x).

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

class LineTable {
 public:
  // What a row's value must satisfy: empty when it does, else why not
  // ("must lie from -100 to 100 per mille").
  using ValueCheck = std::string (*)(double value);

  // The row count (a whole number from 0 to kMostRows), then that many rows
  // `position value`, each on a line of its own, positions strictly
  // ascending. False, with the reason in `log`, otherwise.
  bool Read(std::istream& in, const std::string& keyword, double neutral, ValueCheck check,
            std::ostream& log);

  // No rows: the neutral value everywhere.
  void Clear(double neutralValue);

  // The value at `position`. `cursor` remembers the stretch found last, so
  // that a position that moves a little from call to call is found at once;
  // any cursor gives the same value (it follows the position both ways).
  double At(double position, std::size_t& cursor) const;

  // Whether some row's value differs from the neutral one.
  bool OffNeutral() const;
  std::size_t RowCount() const { return positions.size(); }
  const std::vector<double>& Positions() const { return positions; }
  const std::vector<double>& Values() const { return values; }
  double Neutral() const { return neutral; }
  // The largest and the smallest value anywhere, the neutral one included.
  double Largest() const;
  double Smallest() const;

  static constexpr std::size_t kMostRows = 1000000;

 private:
  std::vector<double> positions;
  std::vector<double> values;
  double neutral = 0.0;
};
