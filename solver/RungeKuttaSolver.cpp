#include "solver/RungeKuttaSolver.h"

RungeKuttaSolver::RungeKuttaSolver(ValidatorTrainModel& vehicle) : model(vehicle) {}

int RungeKuttaSolver::Start() {
  if (!model.HasUsableHistory()) return Finish(-1);
  model.WriteHeader();
  state.fill(0.0);
  time = 0.0;
  stepCount = 0;
  return Finish(model.Derivative(time, state, k1));
}

// x(t + h) = x + h/6 (k1 + 2 k2 + 2 k3 + k4) with
//   k1 = f(t, x),               k2 = f(t + h/2, x + h/2 k1),
//   k3 = f(t + h/2, x + h/2 k2), k4 = f(t + h, x + h k3).
// The first step reuses the k1 of Start. Only k1 decides the end of the run.
int RungeKuttaSolver::Step() {
  if (!model.HasUsableHistory()) return Finish(-1);
  const double h = model.StepSize();
  const double half = h / 2.0;
  if (stepCount >= 1) {
    const int status = model.Derivative(time, state, k1);
    if (status != 0) return Finish(status);
  }

  for (int i = 0; i < kValidatorStateSize; ++i) stage[i] = state[i] + half * k1[i];
  model.Derivative(time + half, stage, k2);
  for (int i = 0; i < kValidatorStateSize; ++i) stage[i] = state[i] + half * k2[i];
  model.Derivative(time + half, stage, k3);
  for (int i = 0; i < kValidatorStateSize; ++i) stage[i] = state[i] + h * k3[i];
  model.Derivative(time + h, stage, k4);

  const double sixth = h / 6.0;
  for (int i = 0; i < kValidatorStateSize; ++i) {
    state[i] += sixth * (2.0 * (k3[i] + k2[i]) + k1[i] + k4[i]);
  }
  ++stepCount;
  time += h;
  return 0;
}

// The run ends with a negative status: put what the files hold on disk then, rather
// than only when the process exits.
int RungeKuttaSolver::Finish(int status) {
  if (status < 0) model.FlushFiles();
  return status;
}
