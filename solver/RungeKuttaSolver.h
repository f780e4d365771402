#pragma once

// Classical fourth-order Runge-Kutta integration of the validator's reference
// vehicle with a fixed step, driven by the model's external force history.

#include "solver/ValidatorTrainModel.h"

class RungeKuttaSolver {
 public:
  // The model must outlive the solver.
  explicit RungeKuttaSolver(ValidatorTrainModel& model);

  // Writes the result file header, rests the vehicle at t = 0 and evaluates the
  // first slope; returns its status (-1 when the history has a single row, or
  // when the history is unusable, in which case nothing is written or evaluated).
  int Start();
  // One step of size stepSize; 0, or -1 once the slope at the current time reads
  // the last history row (state and time unchanged).
  int Step();

  const ValidatorState& State() const { return state; }
  double Time() const { return time; }
  int StepCount() const { return stepCount; }
  const ValidatorTrainModel& Model() const { return model; }

 private:
  int Finish(int status);

  ValidatorState state{};
  double time = 0.0;
  int stepCount = 0;
  ValidatorTrainModel& model;
  ValidatorState k1{};
  ValidatorState k2{};
  ValidatorState k3{};
  ValidatorState k4{};
  ValidatorState stage{};
};
