#pragma once

// The wheelset rotation of up to four axles over one step, integrated side by
// side in the lanes of vector registers.

#include <cstddef>

inline constexpr std::size_t kAxleGroup = 4;

// Per axle (one entry each): the driving quantities at the start and at the
// end of the step, and the wheel speed and travel, which the integration
// advances from the start to the end of the step; then the adhesion force at
// the end and over the step. Entries without an axle must hold a copy of one
// that has.
struct alignas(32) AxleGroup {
  double inverseMass[kAxleGroup];
  double capacity[kAxleGroup];
  double capacityEnd[kAxleGroup];
  double force[kAxleGroup];
  double forceEnd[kAxleGroup];
  double speed[kAxleGroup];
  double speedEnd[kAxleGroup];
  double wheelSpeed[kAxleGroup];
  double wheelTravel[kAxleGroup];
  // Outputs: the adhesion force at the end, capacityEnd sat(speedEnd - wheelSpeed),
  // and its mean over the step, the impulse the integration applied to the
  // wheel divided by the time step (the end value when no substep was made).
  double adhesionForce[kAxleGroup];
  double meanAdhesionForce[kAxleGroup];
};

// How the wheels of a group follow the slip law: all inside the band, all
// sliding forward (sat +1) or backward (sat -1), or otherwise. A wheel pattern
// that holds lets the integration skip work; it is only a guess, checked in
// every stage, and never changes a result.
enum class SlipPattern : unsigned char { kMixed, kInBand, kSlidingForward, kSlidingBackward };

// Per axle, with w the wheel speed and s its travel:
//   dw/dt = (capacity(t) sat(speed(t) - w) - force(t)) inverseMass,  ds/dt = w,
// each driving quantity its start value plus t times its rate, the rate being
// (end value - start value) / timeStep. Classical
// Runge-Kutta over `subdiv` substeps of `timeStep`; none when the step is not
// positive. sat is the sign function made linear inside |x| < |lim|:
// x * inverseLim there, +1 for x >= 0 and -1 otherwise (NaN included).
// `pattern` is the guess to start with; it becomes the pattern at the end.
// Uses the widest lanes the processor has.
void IntegrateAxleGroup(AxleGroup& group, double timeStep, int subdiv, double lim,
                        double inverseLim, SlipPattern& pattern);

// The same in lanes of two doubles (SSE2, which every x86-64 has) and of four
// (AVX, only where FourLanesAvailable()); they give identical results.
void IntegrateAxleGroupInTwos(AxleGroup& group, double timeStep, int subdiv, double lim,
                              double inverseLim, SlipPattern& pattern);
void IntegrateAxleGroupInFours(AxleGroup& group, double timeStep, int subdiv, double lim,
                               double inverseLim, SlipPattern& pattern);
bool FourLanesAvailable();
