#pragma once

// The gradient of the line and the pull of gravity along the track.

#include <cstddef>
#include <ostream>
#include <vector>

#include "solver/SparseMatrix.h"
#include "vehicle/LineCoupling.h"
#include "vehicle/LineTable.h"
#include "vehicle/OptionalSections.h"

inline constexpr double kGravity = 9.81;            // m/s^2
inline constexpr double kSteepestGradient = 100.0;  // per mille

// GRADIENT n, then n rows `position gradient`: the gradient in per mille
// (tan(theta) times 1000, positive uphill for travel towards +x) from that
// line position on; the line is level ahead of the first row.
//
// Gravity pulls every body with a longitudinal freedom along the track with
// a = -g sin(theta) at the place where the body stands. It enters the linear
// model as one more input per body, stepped exactly like the other inputs:
// with G and G1 the step responses to 1 m/s^2 on each body (GravityStep),
//   x(k+1) = C x(k) + [P G] [u; a](k) + [P1 G1] ([u; a](k+1) - [u; a](k)) / dt.
// The wheels' rotating masses are carried along by adhesion as before. The
// normal forces keep their static loads: cos(theta), 0.99995 at 10 per mille
// and 0.995 at the steepest 100 per mille accepted, is taken as 1.
class TGradient {
 public:
  // The section GRADIENT, when the file has one; level everywhere otherwise.
  bool ReadPar(const OptionalSections& sections, std::ostream& log);
  // Whether some stretch of the line is not level.
  bool Active() const { return table.OffNeutral(); }

  // Takes over where the bodies stand and, while Active, the step matrices
  // extended by the gravity inputs: `p` and `p1` become [P G] and [P1 G1].
  // False, with the reason, when gravity's step response is missing or inexact.
  bool SetPar(const LineCoupling& line, const GravityStep& gravity, SparseMatrix& p,
              SparseMatrix& p1, std::ostream& log);
  // The bodies' line places from the initial state.
  void Init(const std::vector<double>& initialState);
  // Entries `first` to `first` + bodies of `input`: gravity's acceleration
  // along the track on every body of the linear state `state`.
  void FillInputs(const std::vector<double>& state, std::vector<double>& input, std::size_t first);

  // The gradient [per mille] and gravity's along-track acceleration [m/s^2]
  // at line position `position`.
  double GradientAt(double position) const;
  double AccelerationAt(double position) const;
  // The line position of body `body` (in the order of LineCoupling) in `state`.
  double BodyPlace(const std::vector<double>& state, std::size_t body) const;
  std::size_t BodyCount() const { return placeOffset.size(); }
  const LineTable& Table() const { return table; }

 private:
  LineTable table;
  std::vector<double> rowAcceleration;  // per row: -g sin(theta)
  std::vector<unsigned> displacementIndex;
  std::vector<double> bodyPlace;
  unsigned carDisplacementIndex = 0;
  std::vector<double> placeOffset;  // per body: its place less its displacement
  std::vector<std::size_t> cursor;  // per body
};
