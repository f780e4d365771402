#pragma once

// What the linear model tells the vehicle system about the line: where its
// bodies and wheels stand along it (LineCoupling, whatever the time step), and
// how gravity along the track moves the linear state over one time step
// (GravityStep, made with the step matrices).
//
// Line position 0 is where the car body's centre stood at the start; the car
// body is the heaviest body with a longitudinal freedom. A body stands at its
// centre's x relative to the car body's centre plus its longitudinal
// displacement, less the car body's displacement at the start; a wheel stands
// where its wheelset does.

#include <cstddef>
#include <string>
#include <vector>

#include "solver/SparseMatrix.h"

struct LineCoupling {
  // Per body with a longitudinal freedom, in the order of the body list: the
  // state entries of its speed and its displacement, and its centre's x
  // relative to the car body's centre [m].
  std::vector<unsigned> bodySpeedIndex;
  std::vector<unsigned> bodyDisplacementIndex;
  std::vector<double> bodyPlace;
  // Per wheel: its wheelset's centre x relative to the car body's centre [m].
  std::vector<double> wheelPlace;
  // The state entry of the car body's displacement.
  unsigned carDisplacementIndex = 0;
};

// The exact step response of the linear state to an acceleration of 1 m/s^2
// along the track acting on each body of LineCoupling (one column per body):
// the state entries x, of the step's force held over the step (as P) and
// growing linearly over it (as P1).
struct GravityStep {
  SparseMatrix held;
  SparseMatrix ramp;
  // Empty while the two are exact for the step matrices' time step; otherwise why not.
  std::string problem = "no gravity step response was worked out";
};

// Each of `places` less the car body's displacement at the start, the entry
// `carDisplacementIndex` of `initialState`: an offset plus its body's or
// wheelset's displacement is its line position.
inline void StartOffsets(const std::vector<double>& places, std::size_t carDisplacementIndex,
                         const std::vector<double>& initialState, std::vector<double>& offsets) {
  const double carStart =
      carDisplacementIndex < initialState.size() ? initialState[carDisplacementIndex] : 0.0;
  offsets.resize(places.size());
  for (std::size_t i = 0; i < places.size(); ++i) offsets[i] = places[i] - carStart;
}
